// SPDX-License-Identifier: GPL-3.0-or-later
// halvoctl's own system on Windows: the console in UTF-8, passwords from standard input or the
// console.
#include <memory>

#include "cli/CliSystem.h"
#include "cli/win32/ConsoleOutput.h"
#include "cli/win32/ConsoleSecretSources.h"

namespace halvo::cli {

namespace {

class Win32CliSystem final : public CliSystem {
  public:
    Win32CliSystem() { UseUtf8Output(); }

    std::unique_ptr<SecretSource> StdinSecrets() override {
        return std::make_unique<StdinSecretSource>();
    }
    std::unique_ptr<SecretSource> FdSecrets(int, std::string& problem) override {
        problem =
            "--password-fd and --smb-password-fd are not available on Windows, which hands a "
            "program no such descriptor: use --password-stdin or type the password when asked";
        return nullptr;
    }
    std::unique_ptr<SecretSource> TerminalSecrets() override {
        return std::make_unique<ConsoleSecretSource>();
    }
};

}  // namespace

std::unique_ptr<CliSystem> MakeCliSystem() {
    return std::make_unique<Win32CliSystem>();
}

}  // namespace halvo::cli
