// SPDX-License-Identifier: GPL-3.0-or-later
// The seams the application runs on, created by main() (or a test) and passed down.
#pragma once

#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/NetworkDrives.h"
#include "platform/NetworkInterfaces.h"
#include "platform/Shell.h"
#include "platform/SocketLayer.h"
#include "platform/TextCodec.h"
#include "platform/TimeZone.h"
#include "protocol/DeviceExchange.h"
#include "ui/Backend.h"
#include "ui/ResourceStore.h"

namespace halvo::app {

struct AppContext {
    platform::SocketLayer& sockets;
    platform::Clock& clock;
    platform::MessageBoxes& messages;
    platform::Shell& shell;
    const ui::ResourceStore& resources;
    // The toolkit the dialogs are shown with.
    ui::Backend& ui;
    // The workstation's drive letters, for share mapping.
    platform::NetworkDrives& drives;
    // The workstation's local time, for the wizard's date and time.
    const platform::LocalTimeZone& timeZone;
    // The workstation's code page, for every text a box sends or is sent.
    const platform::TextCodec& codec;
    // How exchanges wait for replies; the blind sleep is only for benchmark comparison.
    protocol::WaitMode waitMode = protocol::WaitMode::SlotWait;
    // The interfaces discovery broadcasts on; none: one unbound broadcast.
    platform::NetworkInterfaces* interfaces = nullptr;

    protocol::ProtocolContext Protocol() const {
        return protocol::ProtocolContext{
            sockets, clock, messages, waitMode, protocol::DISCOVERY_CAP_DEFAULT, interfaces};
    }
};

}  // namespace halvo::app
