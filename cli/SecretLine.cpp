// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SecretLine.h"

#include <span>

#include "protocol/WireFormat.h"

namespace halvo::cli {

void SecretLine::Take(char c) {
    if (!ended_) {
        any_ = true;
        if (c == '\n') {
            ended_ = true;
        } else if (!overlong_ && !secret_.Append(c)) {
            overlong_ = true;
            secret_.Wipe();
        }
    }
    protocol::SecureZero(std::span<char>(&c, 1));
}

std::optional<Secret> SecretLine::Finish(std::string& problem, bool lineEndRequired) {
    if (overlong_) {
        problem = "the password line is too long";
        return std::nullopt;
    }
    if (!any_ || (lineEndRequired && !ended_)) {
        secret_.Wipe();
        problem = NO_PASSWORD_GIVEN;
        return std::nullopt;
    }
    const std::string_view line = secret_.view();
    if (!line.empty() && line.back() == '\r') {
        Secret trimmed;
        trimmed.Assign(line.substr(0, line.size() - 1));
        secret_ = std::move(trimmed);
    }
    return std::move(secret_);
}

bool ReadSecretLine(const ReadByte& read, Secret& secret, std::string& problem) {
    secret.Wipe();
    SecretLine line;
    while (!line.Ended() && !line.Overlong()) {
        char c = 0;
        std::string why;
        const int got = read(c, why);
        if (got < 0) {
            problem = "cannot read the password: " + why;
            return false;  // `line` wipes what it had
        }
        if (got == 0) {
            break;
        }
        line.Take(c);
    }
    std::optional<Secret> taken = line.Finish(problem);
    if (!taken) {
        return false;
    }
    secret = std::move(*taken);
    return true;
}

}  // namespace halvo::cli
