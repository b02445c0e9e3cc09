// SPDX-License-Identifier: GPL-3.0-or-later
// Passwords on POSIX: a line from a file descriptor, or typed at the controlling terminal.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/Secrets.h"

namespace halvo::cli {

// One line (without its line break) from a file descriptor (cli/SecretLine.h).
class FdSecretSource final : public SecretSource {
  public:
    explicit FdSecretSource(int fd) : fd_(fd) {}
    std::optional<Secret> Read(std::string_view prompt, std::string& problem) override;

  private:
    int fd_;
};

// The controlling terminal, /dev/tty, with echo switched off while the password is typed.
class TerminalSecretSource final : public SecretSource {
  public:
    std::optional<Secret> Read(std::string_view prompt, std::string& problem) override;
};

// Reads one line from `fd` into `secret`, as ReadSecretLine in cli/SecretLine.h does.
bool ReadSecretLine(int fd, Secret& secret, std::string& problem);

}  // namespace halvo::cli
