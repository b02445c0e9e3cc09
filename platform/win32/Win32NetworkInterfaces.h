// The interface list from GetAdaptersAddresses.
#pragma once

#include "platform/NetworkInterfaces.h"

namespace halvo::platform {

// Windows has no point-to-point flag: a PPP or tunnel adapter, or an address with a 32-bit
// prefix (a tun device shows as type OTHER), counts as one, and no such adapter is a broadcast
// one. Names are the adapters' friendly names in UTF-8.
class Win32NetworkInterfaces final : public NetworkInterfaces {
  public:
    std::optional<std::vector<NetworkInterface>> List() override;
};

}  // namespace halvo::platform
