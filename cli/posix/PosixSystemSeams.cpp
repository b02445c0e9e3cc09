// SPDX-License-Identifier: GPL-3.0-or-later
// halvoctl on Linux: POSIX sockets and time, GVfs drive letters, xdg-open.
#include <memory>
#include <optional>

#include "cli/SystemSeams.h"
#include "cli/posix/PosixSecretSources.h"
#include "cli/posix/XdgShell.h"
#include "platform/gio/GioNetworkDrives.h"
#include "platform/posix/IconvTextCodec.h"
#include "platform/posix/LocaleCodePage.h"
#include "platform/posix/PosixNetworkInterfaces.h"
#include "platform/posix/PosixSocketLayer.h"
#include "platform/posix/SystemClock.h"
#include "platform/posix/SystemTimeZone.h"

namespace halvo::cli {

namespace {

class PosixSystemSeams final : public SystemSeams {
  public:
    platform::SocketLayer& sockets() override { return sockets_; }
    platform::NetworkInterfaces& interfaces() override { return interfaces_; }
    platform::Clock& clock() override { return clock_; }
    const platform::LocalTimeZone& timeZone() override { return timeZone_; }
    platform::Shell& shell() override { return shell_; }
    platform::NetworkDrives& drives() override {
        if (!drives_) {
            drives_.emplace();
        }
        return *drives_;
    }
    std::unique_ptr<platform::TextCodec> Codec(std::optional<std::string_view> override,
                                               std::string& problem) override {
        // Windows picks the ANSI code page from the system locale; here the locale's language
        // and territory choose it the same way.
        const platform::CodePageChoice choice =
            platform::ChooseCodePage(platform::ProcessEnvironment(), override);
        if (!choice.error.empty()) {
            problem = choice.error;
            return nullptr;
        }
        auto codec = platform::IconvTextCodec::Open(choice.codePage);
        if (!codec) {
            problem = "the C library cannot convert code page " + std::to_string(choice.codePage);
        }
        return codec;
    }

    std::unique_ptr<SecretSource> StdinSecrets() override {
        return std::make_unique<FdSecretSource>(0);
    }
    std::unique_ptr<SecretSource> FdSecrets(int fd, std::string&) override {
        return std::make_unique<FdSecretSource>(fd);
    }
    std::unique_ptr<SecretSource> TerminalSecrets() override {
        return std::make_unique<TerminalSecretSource>();
    }

  private:
    platform::PosixSocketLayer sockets_;
    platform::PosixNetworkInterfaces interfaces_;
    platform::SystemClock clock_;
    const platform::SystemTimeZone timeZone_;
    XdgShell shell_;
    std::optional<platform::GioNetworkDrives> drives_;
};

}  // namespace

std::unique_ptr<SystemSeams> MakeSystemSeams() {
    return std::make_unique<PosixSystemSeams>();
}

}  // namespace halvo::cli
