// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/Discovery.h"

#include <algorithm>

#include "protocol/DeviceRecord.h"
#include "protocol/DeviceRoutes.h"
#include "protocol/Messages.h"
#include "protocol/WireFormat.h"

namespace halvo::protocol {

namespace {

// The short-lived stream socket on port 1638: bound, put to listen and closed at once. Bind and
// listen may fail (the port may be taken) without consequence. False when no socket could be had.
bool TouchServerSocket(platform::SocketLayer& sockets) {
    const auto stream = sockets.Open(platform::SocketType::Stream);
    if (stream == platform::INVALID_SOCKET_HANDLE) {
        return false;
    }
    sockets.Bind(stream, DEVICE_PORT);
    sockets.Listen(stream, DISCOVERY_LISTEN_BACKLOG);
    sockets.Close(stream);
    return true;
}

}  // namespace

DiscoveryResult Discover(const ProtocolContext& context, const DeviceReceiver& receiver,
                         const DiscoveryTargets& targets) {
    DiscoveryResult result;
    DeviceExchange exchange(context);
    if (!exchange.OpenSocket(platform::SOCKET_VERSION_2_2)) {
        return result;
    }
    if (!TouchServerSocket(context.sockets)) {
        context.messages.ShowWarning(MSG_SERVER_SOCKET_FAILED);
        exchange.Close();
        return result;
    }
    exchange.AllowBroadcast();

    // All requests leave before the collection starts, so that every answer falls into the one
    // window under the one idle rule.
    const Request request = EncodeDiscover();
    std::vector<platform::NetworkInterface> broadcastOn;
    if (targets.broadcast) {
        const auto list = context.interfaces != nullptr
                              ? context.interfaces->List()
                              : std::optional<std::vector<platform::NetworkInterface>>{};
        if (!list) {
            exchange.Send(request, DeviceRoute{});
            ++result.requestsSent;
            result.askedDefault = true;
        } else {
            broadcastOn = BroadcastInterfaces(*list);
            for (const auto& interface : broadcastOn) {
                DeviceRoute via;
                via.kind = DeviceRoute::Kind::Interface;
                via.interfaceIndex = interface.index;
                via.localAddress = interface.address;
                exchange.Send(request, via);
                ++result.requestsSent;
            }
        }
    }
    for (const std::uint32_t address : targets.addresses) {
        DeviceRoute to;
        to.kind = DeviceRoute::Kind::Unicast;
        to.unicastAddress = address;
        exchange.Send(request, to);
        ++result.requestsSent;
    }
    result.askedOn = broadcastOn;
    result.askedAddresses = targets.addresses;
    result.ran = true;

    platform::Clock& clock = context.clock;
    const bool hasCap = context.discoveryCap.count() > 0;
    const auto deadline = clock.Now() + context.discoveryCap;
    Reply reply;
    const auto handle = [&] {
        auto record = RecordFromDiscoveryReply(reply.bytes());
        if (record) {
            record->route = RouteOfAnswer(reply.from, broadcastOn, targets.addresses);
            ++result.devicesFound;
            receiver(std::move(record));
        } else {
            ++result.ignored;
        }
    };

    // The idle counter counts empty polls only: a datagram neither advances nor resets it, so a
    // steady stream of answers cannot keep the collection open.
    int idle = 0;
    for (;;) {
        if (hasCap && clock.Now() >= deadline) {
            result.capped = true;
            break;
        }
        if (exchange.Receive(reply)) {
            handle();
            continue;
        }
        ++result.emptyPolls;
        if (idle >= DISCOVERY_IDLE_LIMIT) {
            break;
        }
        auto slotEnd = clock.Now() + DISCOVERY_POLL_DELAY;
        if (hasCap) {
            slotEnd = std::min(slotEnd, deadline);
        }
        // Datagrams arriving mid-slot are handled at once; the slot's end stays where it was.
        while (exchange.WaitSlot(slotEnd, DISCOVERY_POLL_DELAY, reply)) {
            handle();
        }
        ++idle;
    }
    exchange.Close();
    return result;
}

}  // namespace halvo::protocol
