// SPDX-License-Identifier: GPL-3.0-or-later
// halvoctl's own system on Linux: passwords from a descriptor or the terminal.
#include <memory>

#include "cli/CliSystem.h"
#include "cli/posix/PosixSecretSources.h"

namespace halvo::cli {

namespace {

class PosixCliSystem final : public CliSystem {
  public:
    std::unique_ptr<SecretSource> StdinSecrets() override {
        return std::make_unique<FdSecretSource>(0);
    }
    std::unique_ptr<SecretSource> FdSecrets(int fd, std::string&) override {
        return std::make_unique<FdSecretSource>(fd);
    }
    std::unique_ptr<SecretSource> TerminalSecrets() override {
        return std::make_unique<TerminalSecretSource>();
    }
};

}  // namespace

std::unique_ptr<CliSystem> MakeCliSystem() {
    return std::make_unique<PosixCliSystem>();
}

}  // namespace halvo::cli
