// SPDX-License-Identifier: GPL-3.0-or-later
// The workstation's IPv4 interfaces, as far as the protocol needs them: which ones a discovery
// broadcast goes out on, and whether the interface a device was heard on is still there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace halvo::platform {

// One IPv4 address of one interface; an interface with two addresses is listed twice.
struct NetworkInterface {
    std::string name;
    std::uint32_t index = 0;    // the system's interface index, never 0 for a real interface
    std::uint32_t address = 0;  // IPv4, host order
    bool up = false;
    bool loopback = false;
    bool broadcast = false;
    bool pointToPoint = false;
};

class NetworkInterfaces {
  public:
    virtual ~NetworkInterfaces() = default;
    // Every IPv4 address of every interface, in the system's order; nullopt when the list
    // cannot be read.
    virtual std::optional<std::vector<NetworkInterface>> List() = 0;
};

}  // namespace halvo::platform
