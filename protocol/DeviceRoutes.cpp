// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/DeviceRoutes.h"

#include <algorithm>

namespace halvo::protocol {

bool CanBroadcastOn(const platform::NetworkInterface& interface) {
    return interface.up && !interface.loopback && interface.broadcast && !interface.pointToPoint &&
           interface.index != 0 && interface.address != 0;
}

std::vector<platform::NetworkInterface> BroadcastInterfaces(
    const std::vector<platform::NetworkInterface>& list) {
    std::vector<platform::NetworkInterface> chosen;
    for (const auto& entry : list) {
        const bool seen = std::any_of(chosen.begin(), chosen.end(),
                                      [&](const auto& c) { return c.index == entry.index; });
        if (!seen && CanBroadcastOn(entry)) {
            chosen.push_back(entry);
        }
    }
    return chosen;
}

DeviceRoute RouteOfAnswer(const platform::ReceivedFrom& from,
                          std::span<const platform::NetworkInterface> broadcastOn,
                          std::span<const std::uint32_t> askedAddresses) {
    DeviceRoute route;
    if (std::find(askedAddresses.begin(), askedAddresses.end(), from.senderAddress) !=
        askedAddresses.end()) {
        route.kind = DeviceRoute::Kind::Unicast;
        route.unicastAddress = from.senderAddress;
        return route;
    }
    const auto on = std::find_if(broadcastOn.begin(), broadcastOn.end(), [&](const auto& i) {
        return from.path.interfaceIndex != 0 && i.index == from.path.interfaceIndex;
    });
    if (on != broadcastOn.end()) {
        route.kind = DeviceRoute::Kind::Interface;
        route.interfaceIndex = on->index;
        route.interfaceName.Assign(on->name);
        route.localAddress = on->address;
    }
    return route;
}

bool RouteAvailable(const DeviceRoute& route,
                    const std::optional<std::vector<platform::NetworkInterface>>& list) {
    if (route.kind != DeviceRoute::Kind::Interface || !list) {
        return true;
    }
    return std::any_of(list->begin(), list->end(), [&](const auto& i) {
        return i.index == route.interfaceIndex && i.name == route.interfaceName.view() && i.up;
    });
}

RequestTarget TargetOf(const DeviceRoute& route) {
    RequestTarget target;
    switch (route.kind) {
        case DeviceRoute::Kind::Default:
            break;
        case DeviceRoute::Kind::Interface:
            target.path = platform::DatagramPath{route.interfaceIndex, route.localAddress};
            break;
        case DeviceRoute::Kind::Unicast:
            target.address = route.unicastAddress;
            break;
    }
    return target;
}

bool IsHostAddress(std::uint32_t address) {
    const std::uint32_t first = address >> 24;
    return first != 0 && first != 127 && first < 224;
}

}  // namespace halvo::protocol
