// SPDX-License-Identifier: GPL-3.0-or-later
// The two addresses a device is reached at besides the protocol: its web page and its SMB shares.
// Standard C++, so that every front end builds them the same way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "protocol/Protocol.h"

namespace halvo::protocol {

// "http://%s" with the IP address for web port 80, "http://%s:%d" for every other port, 0
// included; the port read as an unsigned 16-bit number.
std::string WebAddress(const DeviceRecord& record);

// Two backslashes, the device's address, a backslash and the share name.
std::string SharePath(std::string_view ipAddress, std::string_view shareName);

// The connect request holds at most this many characters of a share path.
inline constexpr std::size_t SHARE_PATH_LIMIT = 63;

}  // namespace halvo::protocol
