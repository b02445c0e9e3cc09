// SPDX-License-Identifier: GPL-3.0-or-later
// The interface list from the C library's getifaddrs: no root and no netlink code of our own.
#pragma once

#include "platform/NetworkInterfaces.h"

namespace halvo::platform {

class PosixNetworkInterfaces final : public NetworkInterfaces {
  public:
    std::optional<std::vector<NetworkInterface>> List() override;
};

}  // namespace halvo::platform
