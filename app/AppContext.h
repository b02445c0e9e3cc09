// The seams the application runs on, created by main() (or a test) and passed down.
#pragma once

#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/Shell.h"
#include "platform/SocketLayer.h"
#include "protocol/DeviceExchange.h"
#include "ui/ResourceStore.h"

namespace halvo::app {

struct AppContext {
    platform::SocketLayer& sockets;
    platform::Clock& clock;
    platform::MessageBoxes& messages;
    platform::Shell& shell;
    const ui::ResourceStore& resources;

    protocol::ProtocolContext Protocol() const {
        return protocol::ProtocolContext{sockets, clock, messages};
    }
};

}  // namespace halvo::app
