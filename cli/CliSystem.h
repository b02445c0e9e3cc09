// SPDX-License-Identifier: GPL-3.0-or-later
// What halvoctl alone needs of the system, beside the platform seams (platform/SystemSeams.h):
// the console set up for its output and the sources of its passwords. One implementation per
// system, in cli/posix/ and cli/win32/.
#pragma once

#include <memory>
#include <string>

#include "cli/Secrets.h"

namespace halvo::cli {

class CliSystem {
  public:
    virtual ~CliSystem() = default;

    // One line from standard input.
    virtual std::unique_ptr<SecretSource> StdinSecrets() = 0;
    // One line from descriptor `fd`; null, with `problem` saying why, where there is none.
    virtual std::unique_ptr<SecretSource> FdSecrets(int fd, std::string& problem) = 0;
    // Typed at the terminal (the console) without echo.
    virtual std::unique_ptr<SecretSource> TerminalSecrets() = 0;
};

std::unique_ptr<CliSystem> MakeCliSystem();

}  // namespace halvo::cli
