// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/posix/PosixSecretSources.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <span>

#include "protocol/WireFormat.h"

namespace halvo::cli {

bool ReadSecretLine(int fd, Secret& secret, std::string& problem) {
    secret.Wipe();
    bool any = false;
    while (true) {
        char c = 0;
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            problem = std::string("cannot read the password: ") + std::strerror(errno);
            secret.Wipe();
            return false;
        }
        if (got == 0) {
            if (!any) {
                problem = "no password given (end of input)";
            }
            return any;
        }
        any = true;
        if (c == '\n') {
            break;
        }
        if (!secret.Append(c)) {
            secret.Wipe();
            protocol::SecureZero(std::span<char>(&c, 1));
            problem = "the password line is too long";
            return false;
        }
    }
    // A line typed on another system may end in CR LF.
    if (secret.size() > 0 && secret.view().back() == '\r') {
        Secret trimmed;
        trimmed.Assign(secret.view().substr(0, secret.size() - 1));
        secret = std::move(trimmed);
    }
    return true;
}

std::optional<Secret> FdSecretSource::Read(std::string_view, std::string& problem) {
    Secret secret;
    if (!ReadSecretLine(fd_, secret, problem)) {
        return std::nullopt;
    }
    return secret;
}

std::optional<Secret> TerminalSecretSource::Read(std::string_view prompt, std::string& problem) {
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) {
        problem = "no terminal to read the password from (use --password-stdin or --password-fd)";
        return std::nullopt;
    }
    termios saved{};
    const bool isTerminal = ::tcgetattr(tty, &saved) == 0;
    if (isTerminal) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    const std::string text = std::string(prompt) + ": ";
    [[maybe_unused]] const ssize_t shown = ::write(tty, text.data(), text.size());
    Secret secret;
    const bool read = ReadSecretLine(tty, secret, problem);
    if (isTerminal) {
        ::tcsetattr(tty, TCSAFLUSH, &saved);
    }
    ::close(tty);
    if (!read) {
        return std::nullopt;
    }
    return secret;
}

}  // namespace halvo::cli
