// SPDX-License-Identifier: GPL-3.0-or-later
// The system on Linux: POSIX sockets and time, GVfs drive letters, xdg-open, iconv.
#include <memory>
#include <optional>

#include "platform/SystemSeams.h"
#include "platform/gio/GioNetworkDrives.h"
#include "platform/posix/IconvTextCodec.h"
#include "platform/posix/LocaleCodePage.h"
#include "platform/posix/PosixNetworkInterfaces.h"
#include "platform/posix/PosixSocketLayer.h"
#include "platform/posix/SystemClock.h"
#include "platform/posix/SystemTimeZone.h"
#include "platform/posix/XdgShell.h"

namespace halvo::platform {

namespace {

class PosixSystemSeams final : public SystemSeams {
  public:
    SocketLayer& sockets() override { return sockets_; }
    NetworkInterfaces& interfaces() override { return interfaces_; }
    Clock& clock() override { return clock_; }
    const LocalTimeZone& timeZone() override { return timeZone_; }
    Shell& shell() override { return shell_; }
    NetworkDrives& drives() override {
        if (!drives_) {
            drives_.emplace();
        }
        return *drives_;
    }
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

  private:
    PosixSocketLayer sockets_;
    PosixNetworkInterfaces interfaces_;
    SystemClock clock_;
    const SystemTimeZone timeZone_;
    XdgShell shell_;
    std::optional<GioNetworkDrives> drives_;
};

}  // namespace

std::unique_ptr<SystemSeams> MakeSystemSeams() {
    return std::make_unique<PosixSystemSeams>();
}

}  // namespace halvo::platform
