// SPDX-License-Identifier: GPL-3.0-or-later
// Passwords on Windows: a line from standard input, or typed at the console without echo.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "cli/Secrets.h"

namespace halvo::cli {

// One line of standard input (a pipe or a file), read a byte at a time so that nothing beyond
// the line is consumed. Bytes as they come: UTF-8 from a script.
class StdinSecretSource final : public SecretSource {
  public:
    std::optional<Secret> Read(std::string_view prompt, std::string& problem) override;
};

// The console (CONIN$), echo off while the password is typed; read as UTF-16 and kept as UTF-8,
// whatever the console's code page. Every UTF-16 copy is wiped with SecureZeroMemory.
class ConsoleSecretSource final : public SecretSource {
  public:
    std::optional<Secret> Read(std::string_view prompt, std::string& problem) override;
};

}  // namespace halvo::cli
