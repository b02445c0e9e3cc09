// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win32/Win32NetworkInterfaces.h"

// winsock2.h before the rest, as Winsock requires.
#include <winsock2.h>

#include <iphlpapi.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <vector>

#include "platform/win32/WideText.h"

namespace halvo::platform {

namespace {

bool IsPointToPoint(const IP_ADAPTER_ADDRESSES& adapter, const IP_ADAPTER_UNICAST_ADDRESS& a) {
    return adapter.IfType == IF_TYPE_PPP || adapter.IfType == IF_TYPE_TUNNEL ||
           a.OnLinkPrefixLength == 32;
}

}  // namespace

std::optional<std::vector<NetworkInterface>> Win32NetworkInterfaces::List() {
    const std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    if (!last_ || now - readAt_ >= maxAge_) {
        last_ = Read();
        readAt_ = now;
    }
    return last_;
}

std::optional<std::vector<NetworkInterface>> Win32NetworkInterfaces::Read() {
    // No GAA_FLAG_INCLUDE_PREFIX: it fails outright on some routing tables, and the on-link
    // prefix length of each address is there without it.
    constexpr ULONG flags =
        GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG rc = ERROR_BUFFER_OVERFLOW;
    // The list can grow between the size query and the call: try a few times.
    for (int attempt = 0; attempt < 4 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.assign(size, 0);
        rc = ::GetAdaptersAddresses(AF_INET, flags, nullptr,
                                    reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (rc == ERROR_NO_DATA) {
        return std::vector<NetworkInterface>{};
    }
    if (rc != NO_ERROR) {
        return std::nullopt;
    }
    std::vector<NetworkInterface> list;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
         adapter != nullptr; adapter = adapter->Next) {
        for (const IP_ADAPTER_UNICAST_ADDRESS* a = adapter->FirstUnicastAddress; a != nullptr;
             a = a->Next) {
            const sockaddr* sa = a->Address.lpSockaddr;
            if (sa == nullptr || sa->sa_family != AF_INET ||
                a->Address.iSockaddrLength < static_cast<INT>(sizeof(sockaddr_in))) {
                continue;
            }
            NetworkInterface entry;
            entry.name =
                adapter->FriendlyName != nullptr
                    ? win32::Narrow(adapter->FriendlyName)
                    : std::string(adapter->AdapterName != nullptr ? adapter->AdapterName : "");
            entry.index = adapter->IfIndex;
            if (entry.index == 0) {
                continue;  // no IPv4 on it after all
            }
            entry.address = ntohl(reinterpret_cast<const sockaddr_in*>(sa)->sin_addr.s_addr);
            entry.up = adapter->OperStatus == IfOperStatusUp;
            entry.loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
            entry.pointToPoint = !entry.loopback && IsPointToPoint(*adapter, *a);
            entry.broadcast = !entry.loopback && !entry.pointToPoint;
            list.push_back(std::move(entry));
        }
    }
    return list;
}

}  // namespace halvo::platform
