// SPDX-License-Identifier: GPL-3.0-or-later
// The system on Windows: Winsock, the system's clock and zone, real drive letters, ShellExecute,
// the ANSI code page.
#include <memory>

#include "platform/CodePageChoice.h"
#include "platform/SystemSeams.h"
#include "platform/win32/SystemClock.h"
#include "platform/win32/SystemTimeZone.h"
#include "platform/win32/Win32NetworkDrives.h"
#include "platform/win32/Win32NetworkInterfaces.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32SocketLayer.h"
#include "platform/win32/Win32TextCodec.h"

namespace halvo::platform {

namespace {

class Win32SystemSeams final : public SystemSeams {
  public:
    SocketLayer& sockets() override { return sockets_; }
    NetworkInterfaces& interfaces() override { return interfaces_; }
    Clock& clock() override { return clock_; }
    const LocalTimeZone& timeZone() override { return timeZone_; }
    Shell& shell() override { return shell_; }
    NetworkDrives& drives() override { return drives_; }
    std::unique_ptr<TextCodec> Codec(std::optional<std::string_view> override,
                                     std::string& problem) override {
        const CodePageChoice choice =
            ChooseNamedCodePage(ProcessEnvironment(), override,
                                [](unsigned number) { return Win32TextCodec::Exists(number); });
        if (!choice.error.empty()) {
            problem = choice.error;
            return nullptr;
        }
        if (choice.codePage == 0) {
            return std::make_unique<Win32TextCodec>();  // the system's ANSI code page
        }
        return std::make_unique<Win32TextCodec>(choice.codePage);
    }

  private:
    Win32SocketLayer sockets_;
    Win32NetworkInterfaces interfaces_;
    SystemClock clock_;
    const SystemTimeZone timeZone_;
    Win32Shell shell_;
    Win32NetworkDrives drives_;
};

}  // namespace

std::unique_ptr<SystemSeams> MakeSystemSeams() {
    return std::make_unique<Win32SystemSeams>();
}

}  // namespace halvo::platform
