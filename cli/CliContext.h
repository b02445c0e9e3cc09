// SPDX-License-Identifier: GPL-3.0-or-later
// The seams one halvoctl run works on, created by main() (or a test) and passed to each command.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliMessageBoxes.h"
#include "cli/Diagnostics.h"
#include "cli/Secrets.h"
#include "platform/Clock.h"
#include "platform/NetworkDrives.h"
#include "platform/NetworkInterfaces.h"
#include "platform/Shell.h"
#include "platform/SocketLayer.h"
#include "platform/TextCodec.h"
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
    // The workstation's code page: names, descriptions and shares as the boxes mean them.
    const platform::TextCodec& codec;
    // Only the drive commands need the workstation's drives; null for the others.
    platform::NetworkDrives* drives = nullptr;
    std::ostream& out;
    bool json = false;
    // The workstation's wall clock, for a box whose own date is no date (the wizard's pickers
    // then start at now).
    std::function<platform::TimeValue()> wallClock = [] {
        return static_cast<platform::TimeValue>(std::time(nullptr));
    };
    // The workstation's interfaces, so that discovery asks on each of them and every exchange
    // checks its box's interface is still there; null: one unbound broadcast.
    platform::NetworkInterfaces* interfaces = nullptr;
    // Boxes asked by unicast in the same discovery (--address), host order.
    std::vector<std::uint32_t> addresses{};
    // Whose advice a failure gets: firewalls and SMB clients differ.
    HostSystem system = THIS_SYSTEM;

    // A box's text as printed and matched.
    std::string Text(std::string_view bytes) const { return codec.Decode(bytes); }

    protocol::ProtocolContext Protocol() const {
        protocol::ProtocolContext context{sockets, clock, messages};
        context.interfaces = interfaces;
        return context;
    }
};

}  // namespace halvo::cli
