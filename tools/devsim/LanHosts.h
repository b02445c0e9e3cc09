// SPDX-License-Identifier: GPL-3.0-or-later
// The device hosts of a namespace LAN as scripts/lan.sh brought it up, read back from its hosts
// file so that tests and benchmarks know every device the simulators serve.
#pragma once

#include <string>
#include <vector>

#include "tools/devsim/DeviceConfig.h"

namespace halvo::devsim {

// One line of the hosts file: "INDEX ADDRESS INSTANCE CONFIG-PATH".
struct LanHost {
    int index = 0;
    std::string address;
    unsigned instance = 0;
    std::string config;
};

// One device as served on the LAN.
struct LanDevice {
    DeviceConfig config;  // expanded: MAC, name and address as the simulator uses them
    int host = 0;         // index of its device host
    std::string hostAddress;
};

struct LanLayout {
    std::vector<LanHost> hosts;
    std::vector<LanDevice> devices;
    std::string error;  // empty when the layout was read whole
};

LanLayout ReadLanLayout(const std::string& hostsFile);

}  // namespace halvo::devsim
