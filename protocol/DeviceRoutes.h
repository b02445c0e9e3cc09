// SPDX-License-Identifier: GPL-3.0-or-later
// Which interfaces a discovery broadcast goes out on, the way back to a device that answered, and
// the addresses a box may be added by. Standard C++ over the platform's interface list.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/NetworkInterfaces.h"
#include "platform/SocketLayer.h"
#include "protocol/Ipv4Text.h"
#include "protocol/Protocol.h"

namespace halvo::protocol {

// Up, not loopback, able to broadcast, not a point-to-point link (a tunnel has no segment of
// boxes behind it), and holding an address to send from.
bool CanBroadcastOn(const platform::NetworkInterface& interface);

// The interfaces a discovery request goes out on, one entry per interface (its first address),
// in the system's order.
std::vector<platform::NetworkInterface> BroadcastInterfaces(
    const std::vector<platform::NetworkInterface>& list);

// The way back to the sender of a discovery answer: unicast when it is one of the addresses asked
// directly, the interface it came in on when a broadcast went out there, otherwise the default.
DeviceRoute RouteOfAnswer(const platform::ReceivedFrom& from,
                          std::span<const platform::NetworkInterface> broadcastOn,
                          std::span<const std::uint32_t> askedAddresses);

// Whether an interface route still leads somewhere: its interface, same index and name, is in the
// list and up. Other routes, and any route when the list cannot be read, count as there.
bool RouteAvailable(const DeviceRoute& route,
                    const std::optional<std::vector<platform::NetworkInterface>>& list);

// The destination and path of a request for a device on `route`.
struct RequestTarget {
    std::uint32_t address = BROADCAST_ADDRESS;
    std::optional<platform::DatagramPath> path;  // none: an ordinary send
};
RequestTarget TargetOf(const DeviceRoute& route);

// An address a single box can have: not 0.x.x.x, not loopback, not multicast, broadcast or the
// reserved range above them.
bool IsHostAddress(std::uint32_t address);

}  // namespace halvo::protocol
