// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliMessageBoxes.h"

#include <string>

#include "protocol/Messages.h"

namespace halvo::cli {

namespace {

bool StartsWith(std::string_view text, std::string_view pattern) {
    // The %d messages: compare the fixed text before the number.
    const std::string_view head = pattern.substr(0, pattern.find("%d"));
    return text.substr(0, head.size()) == head;
}

}  // namespace

ExitStatus StatusOfMessage(std::string_view text) {
    using namespace protocol;
    if (text.substr(0, 9) == "Time out:") {
        return ExitStatus::TimedOut;
    }
    if (StartsWith(text, MSG_NETWORK_FAILED) || StartsWith(text, MSG_CLEANUP_FAILED) ||
        text == MSG_SERVER_SOCKET_FAILED) {
        return ExitStatus::NetworkFailure;
    }
    return ExitStatus::Refused;
}

void CliMessageBoxes::Line(std::string_view text) {
    // One line each: the two %d messages and the server-socket one end in a line break.
    while (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    // A break inside a text (the description check's) is dropped; the words around it stay.
    std::string line;
    for (const char c : text) {
        if (c != '\n') {
            line.push_back(c);
        }
    }
    errors_ << line << std::endl;
    last_ = line;
    ++count_;
}

void CliMessageBoxes::ShowWarning(std::string_view text) {
    Line(text);
    status_ = Combine(status_, StatusOfMessage(text));
}

void CliMessageBoxes::ShowInformation(platform::WindowHandle, std::string_view caption,
                                      std::string_view text) {
    // Only the description check uses it: a value refused before sending.
    std::string line(caption);
    line += ": ";
    line += text;
    Line(line);
    status_ = Combine(status_, ExitStatus::Usage);
}

void CliMessageBoxes::Note(std::string_view text) {
    errors_ << "halvoctl: " << text << std::endl;
}

void CliMessageBoxes::Report(std::string_view text) {
    std::string line = "halvoctl: ";
    line += text;
    Line(line);
}

}  // namespace halvo::cli
