// SPDX-License-Identifier: GPL-3.0-or-later
// The operating system behind one halvoctl run: the platform seams and the password sources.
// One implementation per system, in cli/posix/ and cli/win32/.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/Secrets.h"
#include "platform/Clock.h"
#include "platform/NetworkDrives.h"
#include "platform/NetworkInterfaces.h"
#include "platform/Shell.h"
#include "platform/SocketLayer.h"
#include "platform/TextCodec.h"
#include "platform/TimeZone.h"

namespace halvo::cli {

class SystemSeams {
  public:
    virtual ~SystemSeams() = default;

    virtual platform::SocketLayer& sockets() = 0;
    virtual platform::NetworkInterfaces& interfaces() = 0;
    virtual platform::Clock& clock() = 0;
    virtual const platform::LocalTimeZone& timeZone() = 0;
    virtual platform::Shell& shell() = 0;
    // The workstation's drive letters, made on first use: only the drive commands need them.
    virtual platform::NetworkDrives& drives() = 0;
    // The codec of the boxes' texts: `override` ("936", from --codepage) or HALVO_CODEPAGE, else
    // the code page the system gives. Null, with `problem` saying why, for a code page there is
    // none of.
    virtual std::unique_ptr<platform::TextCodec> Codec(std::optional<std::string_view> override,
                                                       std::string& problem) = 0;

    // One line from standard input.
    virtual std::unique_ptr<SecretSource> StdinSecrets() = 0;
    // One line from descriptor `fd`; null, with `problem` saying why, where there is none.
    virtual std::unique_ptr<SecretSource> FdSecrets(int fd, std::string& problem) = 0;
    // Typed at the terminal (the console) without echo.
    virtual std::unique_ptr<SecretSource> TerminalSecrets() = 0;
};

std::unique_ptr<SystemSeams> MakeSystemSeams();

}  // namespace halvo::cli
