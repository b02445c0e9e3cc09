// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/DeviceAddresses.h"

#include <cstdio>

namespace halvo::protocol {

std::string WebAddress(const DeviceRecord& record) {
    // 7 + 15 + 1 + 5 characters and the terminator at most.
    char address[32];
    const unsigned port = record.webPort;
    if (port == 80) {
        std::snprintf(address, sizeof address, "http://%s", record.ipAddress.c_str());
    } else {
        std::snprintf(address, sizeof address, "http://%s:%u", record.ipAddress.c_str(), port);
    }
    return address;
}

std::string SharePath(std::string_view ipAddress, std::string_view shareName) {
    std::string path = "\\\\";
    path.append(ipAddress);
    path.push_back('\\');
    path.append(shareName);
    return path;
}

}  // namespace halvo::protocol
