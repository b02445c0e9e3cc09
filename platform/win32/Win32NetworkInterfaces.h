// SPDX-License-Identifier: GPL-3.0-or-later
// The interface list from GetAdaptersAddresses.
#pragma once

#include <chrono>
#include <mutex>

#include "platform/NetworkInterfaces.h"

namespace halvo::platform {

// Windows has no point-to-point flag: a PPP or tunnel adapter, or an address with a 32-bit
// prefix (a tun device shows as type OTHER), counts as one, and no such adapter is a broadcast
// one. Names are the adapters' friendly names in UTF-8.
//
// Every exchange asks whether its box's interface is still there, and GetAdaptersAddresses costs
// milliseconds (5 ms under wine): a list read less than `maxAge` ago is given again. An
// interface gone within that time still fails the send itself (network down).
class Win32NetworkInterfaces final : public NetworkInterfaces {
  public:
    explicit Win32NetworkInterfaces(
        std::chrono::milliseconds maxAge = std::chrono::milliseconds(1000))
        : maxAge_(maxAge) {}

    std::optional<std::vector<NetworkInterface>> List() override;

  private:
    std::optional<std::vector<NetworkInterface>> Read();

    std::chrono::milliseconds maxAge_;
    std::mutex mutex_;
    std::optional<std::vector<NetworkInterface>> last_;
    std::chrono::steady_clock::time_point readAt_{};
};

}  // namespace halvo::platform
