// SPDX-License-Identifier: GPL-3.0-or-later
// halvoctl on Windows: Winsock, the system's clock and zone, real drive letters, ShellExecute.
#include <charconv>
#include <cstdlib>
#include <memory>

#include "cli/SystemSeams.h"
#include "cli/win32/ConsoleOutput.h"
#include "cli/win32/ConsoleSecretSources.h"
#include "platform/win32/SystemClock.h"
#include "platform/win32/SystemTimeZone.h"
#include "platform/win32/Win32NetworkDrives.h"
#include "platform/win32/Win32NetworkInterfaces.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32SocketLayer.h"
#include "platform/win32/Win32TextCodec.h"

namespace halvo::cli {

namespace {

class Win32SystemSeams final : public SystemSeams {
  public:
    Win32SystemSeams() { UseUtf8Output(); }

    platform::SocketLayer& sockets() override { return sockets_; }
    platform::NetworkInterfaces& interfaces() override { return interfaces_; }
    platform::Clock& clock() override { return clock_; }
    const platform::LocalTimeZone& timeZone() override { return timeZone_; }
    platform::Shell& shell() override { return shell_; }
    platform::NetworkDrives& drives() override { return drives_; }
    std::unique_ptr<platform::TextCodec> Codec(std::optional<std::string_view> override,
                                               std::string& problem) override {
        const char* fromEnvironment = std::getenv("HALVO_CODEPAGE");
        const bool environmentDecides =
            !override && fromEnvironment != nullptr && *fromEnvironment != '\0';
        if (environmentDecides) {
            override = fromEnvironment;
        }
        if (!override) {
            return std::make_unique<platform::Win32TextCodec>();  // the system's ANSI code page
        }
        unsigned number = 0;
        const char* end = override->data() + override->size();
        const auto [stop, failure] = std::from_chars(override->data(), end, number);
        if (failure != std::errc() || stop != end || !platform::Win32TextCodec::Exists(number)) {
            problem = "unknown code page '" + std::string(*override) + "'" +
                      (environmentDecides ? " in HALVO_CODEPAGE" : "") +
                      ": give one this system has, such as 1252, 936, or 65001 for UTF-8";
            return nullptr;
        }
        return std::make_unique<platform::Win32TextCodec>(number);
    }

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

  private:
    platform::Win32SocketLayer sockets_;
    platform::Win32NetworkInterfaces interfaces_;
    platform::SystemClock clock_;
    const platform::SystemTimeZone timeZone_;
    platform::Win32Shell shell_;
    platform::Win32NetworkDrives drives_;
};

}  // namespace

std::unique_ptr<SystemSeams> MakeSystemSeams() {
    return std::make_unique<Win32SystemSeams>();
}

}  // namespace halvo::cli
