// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/PosixNetworkInterfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace halvo::platform {

std::optional<std::vector<NetworkInterface>> PosixNetworkInterfaces::List() {
    ifaddrs* all = nullptr;
    if (::getifaddrs(&all) != 0) {
        return std::nullopt;
    }
    std::vector<NetworkInterface> list;
    for (const ifaddrs* a = all; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || a->ifa_name == nullptr) {
            continue;
        }
        NetworkInterface entry;
        entry.name = a->ifa_name;
        entry.index = ::if_nametoindex(a->ifa_name);
        if (entry.index == 0) {
            continue;  // gone since the list was taken
        }
        entry.address = ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
        entry.up = (a->ifa_flags & IFF_UP) != 0 && (a->ifa_flags & IFF_RUNNING) != 0;
        entry.loopback = (a->ifa_flags & IFF_LOOPBACK) != 0;
        entry.broadcast = (a->ifa_flags & IFF_BROADCAST) != 0;
        entry.pointToPoint = (a->ifa_flags & IFF_POINTOPOINT) != 0;
        list.push_back(std::move(entry));
    }
    ::freeifaddrs(all);
    return list;
}

}  // namespace halvo::platform
