// SPDX-License-Identifier: GPL-3.0-or-later
// Discovery: CMD_DISCOVER broadcast on every interface that can carry it (one unbound broadcast
// when the interface list cannot be read) and sent to each address a box was added by, then the
// answers of all of them collected until 20 empty polls have passed (or the hard cap), each
// valid answer handed over as a record of its own that knows its way back.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/NetworkInterfaces.h"
#include "protocol/DeviceExchange.h"
#include "protocol/Protocol.h"

namespace halvo::protocol {

inline constexpr int DISCOVERY_IDLE_LIMIT = 20;
inline constexpr std::chrono::milliseconds DISCOVERY_POLL_DELAY{100};
inline constexpr int DISCOVERY_LISTEN_BACKLOG = 5;

// Takes ownership of each record found, in the order the answers arrive (the main window's
// AddDevice).
using DeviceReceiver = std::function<void(std::unique_ptr<DeviceRecord>)>;

// What one discovery asks.
struct DiscoveryTargets {
    bool broadcast = true;                 // the broadcast requests
    std::vector<std::uint32_t> addresses;  // one unicast request each, host order
};

struct DiscoveryResult {
    bool ran = false;      // false when set-up failed (its message has been shown)
    int devicesFound = 0;  // records handed to the receiver
    int ignored = 0;       // datagrams that were not discovery replies
    int emptyPolls = 0;    // receives that found nothing, at slot boundaries
    bool capped = false;   // the collection was ended by context.discoveryCap
    int requestsSent = 0;  // broadcast and unicast requests handed to the socket layer
    // What was asked: the interfaces a broadcast went out on, the one broadcast the routing
    // placed when the interfaces could not be listed, and the addresses asked by unicast.
    std::vector<platform::NetworkInterface> askedOn;
    bool askedDefault = false;
    std::vector<std::uint32_t> askedAddresses;
};

// Runs one discovery. context.discoveryCap bounds the collection (a zero or negative cap: none).
DiscoveryResult Discover(const ProtocolContext& context, const DeviceReceiver& receiver,
                         const DiscoveryTargets& targets = {});

}  // namespace halvo::protocol
