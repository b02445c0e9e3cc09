// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/posix/PosixSecretSources.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/SecretLine.h"

namespace halvo::cli {

bool ReadSecretLine(int fd, Secret& secret, std::string& problem) {
    const auto readByte = [fd](char& c, std::string& why) {
        while (true) {
            const ssize_t got = ::read(fd, &c, 1);
            if (got >= 0) {
                return static_cast<int>(got);
            }
            if (errno != EINTR) {
                why = std::strerror(errno);
                return -1;
            }
        }
    };
    return ReadSecretLine(readByte, secret, problem);
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
