// SPDX-License-Identifier: GPL-3.0-or-later
// The system on Windows: Winsock, the system's clock and zone, real drive letters, ShellExecute,
// the ANSI code page.
#include <memory>

#include "platform/CodePageChoice.h"
#include "platform/SystemClock.h"
#include "platform/SystemSeams.h"
#include "platform/SystemTimeZone.h"
#include "platform/win32/Win32NetworkDrives.h"
#include "platform/win32/Win32NetworkInterfaces.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32SocketLayer.h"
#include "platform/win32/Win32TextCodec.h"

namespace halvo::platform {

namespace {

class Win32SystemSeams final
    : public SystemSeamsOf<Win32SocketLayer, Win32NetworkInterfaces, SystemClock, SystemTimeZone,
                           Win32Shell, Win32NetworkDrives> {
  public:
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
};

}  // namespace

std::unique_ptr<SystemSeams> MakeSystemSeams() {
    return std::make_unique<Win32SystemSeams>();
}

}  // namespace halvo::platform
