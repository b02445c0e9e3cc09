// SPDX-License-Identifier: GPL-3.0-or-later
// A device record, a scripted network and recording boxes for the wizard's tests.
#pragma once

#include <string>
#include <string_view>

#include "platform/testing/RecordingMessageBoxes.h"
#include "protocol/DeviceExchange.h"
#include "protocol/Protocol.h"
#include "protocol/testing/FakeNetwork.h"

namespace halvo::wizard::testing {

inline constexpr protocol::MacAddress TEST_MAC{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

inline protocol::DeviceRecord MakeRecord() {
    protocol::DeviceRecord record;
    record.name.Assign("NAS-Storage-0001");  // 16 characters: fills its field
    record.macAddress = TEST_MAC;
    record.description.Assign("Office store");
    record.passwordRequired = 1;
    record.ipMode = 0;
    record.ipAddress.Assign("192.168.1.20");
    record.subnetMask.Assign("255.255.255.0");
    record.gateway.Assign("192.168.1.1");
    record.primaryDns.Assign("192.168.1.2");
    record.secondaryDns.Assign("192.168.1.3");
    record.date.Assign("20060305");
    record.time.Assign("140709");
    record.timezoneIndex = 20;
    return record;
}

struct NetworkBench {
    protocol::testing::FakeNetwork net;
    platform::testing::RecordingMessageBoxes boxes;
    protocol::ProtocolContext context{net, net, boxes};

    std::string_view LastRequestText(std::size_t from, std::size_t width) const {
        const auto& bytes = net.sent().back().bytes;
        return std::string_view(reinterpret_cast<const char*>(bytes.data()) + from, width);
    }
};

}  // namespace halvo::wizard::testing
