// SPDX-License-Identifier: GPL-3.0-or-later
#include "wizard/NetworkSettings.h"

namespace halvo::wizard {

NetworkPageFill FillNetworkPage(const protocol::DeviceRecord& record) {
    NetworkPageFill fill;
    fill.protocolRow = record.ipMode != 0 ? PROTOCOL_DHCP_ROW : PROTOCOL_STATIC_ROW;
    fill.addressesEnabled = record.ipMode == 0;
    fill.addresses = {record.ipAddress.str(), record.subnetMask.str(), record.gateway.str(),
                      record.primaryDns.str(), record.secondaryDns.str()};
    return fill;
}

protocol::NetworkInfoBlock BuildNetworkInfoBlock(const NetworkPageValues& values) {
    protocol::NetworkInfoBlock block;
    block.ipMode =
        values.protocolRow >= 0 && static_cast<std::size_t>(values.protocolRow) < PROTOCOL_ROWS
            ? static_cast<std::uint8_t>(values.protocolRow)
            : 255;
    block.ipAddress.Assign(values.addresses[0]);
    block.subnetMask.Assign(values.addresses[1]);
    block.gateway.Assign(values.addresses[2]);
    block.primaryDns.Assign(values.addresses[3]);
    block.secondaryDns.Assign(values.addresses[4]);
    return block;
}

int SetNetworkInfo(const protocol::ProtocolContext& context, const protocol::DeviceRecord& record,
                   const NetworkPageValues& values) {
    return protocol::IsDone(
               protocol::SendNetworkInfo(context, record, BuildNetworkInfoBlock(values)))
               ? 0
               : 1;
}

}  // namespace halvo::wizard
