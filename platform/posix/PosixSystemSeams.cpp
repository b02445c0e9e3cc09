// SPDX-License-Identifier: GPL-3.0-or-later
// The system on Linux: POSIX sockets and time, GVfs drive letters, xdg-open, iconv.
#include <memory>
#include <optional>

#include "platform/SystemClock.h"
#include "platform/SystemSeams.h"
#include "platform/SystemTimeZone.h"
#include "platform/posix/IconvTextCodec.h"
#include "platform/posix/LocaleCodePage.h"
#include "platform/posix/PosixNetworkInterfaces.h"
#include "platform/posix/PosixSocketLayer.h"
#include "platform/posix/XdgShell.h"
#include "platform/posix/gio/GioNetworkDrives.h"

namespace halvo::platform {

namespace {

class PosixSystemSeams final
    : public SystemSeamsOf<PosixSocketLayer, PosixNetworkInterfaces, SystemClock, SystemTimeZone,
                           XdgShell, GioNetworkDrives> {
  public:
    std::unique_ptr<TextCodec> Codec(std::optional<std::string_view> override,
                                     std::string& problem) override {
        // Windows picks the ANSI code page from the system locale; here the locale's language
        // and territory choose it the same way.
        const CodePageChoice choice = ChooseCodePage(ProcessEnvironment(), override);
        if (!choice.error.empty()) {
            problem = choice.error;
            return nullptr;
        }
        auto codec = IconvTextCodec::Open(choice.codePage);
        if (!codec) {
            problem = "the C library cannot convert code page " + std::to_string(choice.codePage);
        }
        return codec;
    }
};

}  // namespace

std::unique_ptr<SystemSeams> MakeSystemSeams() {
    return std::make_unique<PosixSystemSeams>();
}

}  // namespace halvo::platform
