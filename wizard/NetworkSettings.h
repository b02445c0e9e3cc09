// SPDX-License-Identifier: GPL-3.0-or-later
// The network page's values: filling them from the device record and writing them to the device
// with CMD_SET_NETWORK_INFO. Standard C++ only; the page's controls are read and written by the
// dialog layer.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "protocol/DeviceExchange.h"
#include "protocol/Protocol.h"

namespace halvo::wizard {

// Rows of the protocol combo box; the row index is the device's ipMode.
inline constexpr int PROTOCOL_STATIC_ROW = 0;  // "Static IP"
inline constexpr int PROTOCOL_DHCP_ROW = 1;    // "DHCP"
inline constexpr std::size_t PROTOCOL_ROWS = 2;

// The five addresses in their order: IP address, subnet mask, default gateway, primary and
// secondary DNS server (controls 1050 to 1054).
inline constexpr std::size_t ADDRESS_COUNT = 5;
using AddressTexts = std::array<std::string, ADDRESS_COUNT>;

// The address controls take input only for a static address: "DHCP" and no row disable them.
inline bool AddressesEnabledFor(int protocolRow) {
    return protocolRow == PROTOCOL_STATIC_ROW;
}

// What the page shows when it opens: "DHCP" for every ipMode but 0.
struct NetworkPageFill {
    int protocolRow = PROTOCOL_STATIC_ROW;
    bool addressesEnabled = true;
    AddressTexts addresses;
};
NetworkPageFill FillNetworkPage(const protocol::DeviceRecord& record);

// What the page holds when Next is pressed.
struct NetworkPageValues {
    int protocolRow = -1;    // selected row, -1 for none
    AddressTexts addresses;  // the controls' texts, disabled or not
};

// The block sent: ipMode is the row (255 for none), the five texts in both modes, each at most 15
// characters and unterminated when full.
protocol::NetworkInfoBlock BuildNetworkInfoBlock(const NetworkPageValues& values);

// The routine behind Next on the network page: sends once and returns 0 whatever the device
// answered (refusal and time-out have shown their message), or 1 when nothing could be sent.
int SetNetworkInfo(const protocol::ProtocolContext& context, const protocol::DeviceRecord& record,
                   const NetworkPageValues& values);

}  // namespace halvo::wizard
