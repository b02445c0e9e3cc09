// SPDX-License-Identifier: GPL-3.0-or-later
// The operating system behind a program, built in one place for the window, the command line and
// the benchmarks: one MakeSystemSeams() per system (platform/posix/PosixSystemSeams.cpp,
// platform/win32/Win32SystemSeams.cpp). A new platform call is its interface here beside the
// others, its implementation in each system's folder, and one accessor below.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/NetworkDrives.h"
#include "platform/NetworkInterfaces.h"
#include "platform/Shell.h"
#include "platform/SocketLayer.h"
#include "platform/TextCodec.h"
#include "platform/TimeZone.h"

namespace halvo::platform {

class SystemSeams {
  public:
    virtual ~SystemSeams() = default;

    virtual SocketLayer& sockets() = 0;
    virtual NetworkInterfaces& interfaces() = 0;
    virtual Clock& clock() = 0;
    virtual const LocalTimeZone& timeZone() = 0;
    // The desktop's opener for an address, without a toolkit (a toolkit may bring its own).
    virtual Shell& shell() = 0;
    // The workstation's drive letters, made on first use: not every run needs them, and on
    // Linux the window makes them before anything else (GioNetworkDrives.h says why).
    virtual NetworkDrives& drives() = 0;
    // The codec of the boxes' texts: the code page `override` ("936", from a command line) or
    // HALVO_CODEPAGE names (CodePageChoice.h), else the system's. Null, with `problem` saying
    // why, for a code page the system cannot convert.
    virtual std::unique_ptr<TextCodec> Codec(std::optional<std::string_view> override,
                                             std::string& problem) = 0;
};

std::unique_ptr<SystemSeams> MakeSystemSeams();

// The seams of one system from its classes; each system's MakeSystemSeams() adds the codec.
template <class Sockets, class Interfaces, class SystemClock, class SystemTimeZone,
          class SystemShell, class Drives>
class SystemSeamsOf : public SystemSeams {
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

  private:
    Sockets sockets_;
    Interfaces interfaces_;
    SystemClock clock_;
    const SystemTimeZone timeZone_;
    SystemShell shell_;
    std::optional<Drives> drives_;
};

}  // namespace halvo::platform
