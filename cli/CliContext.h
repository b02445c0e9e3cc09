// The seams one halvoctl run works on, created by main() (or a test) and passed to each command.
#pragma once

#include <ctime>
#include <functional>
#include <ostream>

#include "cli/CliMessageBoxes.h"
#include "cli/Secrets.h"
#include "platform/Clock.h"
#include "platform/NetworkDrives.h"
#include "platform/Shell.h"
#include "platform/SocketLayer.h"
#include "platform/TimeZone.h"
#include "protocol/DeviceExchange.h"

namespace halvo::cli {

struct CliContext {
    platform::SocketLayer& sockets;
    platform::Clock& clock;
    CliMessageBoxes& messages;
    const platform::LocalTimeZone& timeZone;
    platform::Shell& shell;
    // The administrator password, asked for only when a box wants the check.
    SecretSource& adminSecrets;
    // The SMB password of `map`.
    SecretSource& smbSecrets;
    // Only the drive commands need the workstation's drives; null for the others.
    platform::NetworkDrives* drives = nullptr;
    std::ostream& out;
    bool json = false;
    // The workstation's wall clock, for a box whose own date is no date (the wizard's pickers
    // then start at now).
    std::function<platform::TimeValue()> wallClock = [] {
        return static_cast<platform::TimeValue>(std::time(nullptr));
    };

    protocol::ProtocolContext Protocol() const {
        return protocol::ProtocolContext{sockets, clock, messages};
    }
};

}  // namespace halvo::cli
