// SPDX-License-Identifier: GPL-3.0-or-later
#include "wizard/NetworkSettings.h"

#include <gtest/gtest.h>

#include "WizardTestSupport.h"

namespace halvo::wizard {
namespace {

using namespace std::chrono_literals;
using testing::MakeRecord;
using testing::NetworkBench;
using testing::TEST_MAC;

TEST(FillNetworkPage, StaticRecordEnablesTheAddresses) {
    const auto fill = FillNetworkPage(MakeRecord());
    EXPECT_EQ(fill.protocolRow, PROTOCOL_STATIC_ROW);
    EXPECT_TRUE(fill.addressesEnabled);
    EXPECT_EQ(fill.addresses, (AddressTexts{"192.168.1.20", "255.255.255.0", "192.168.1.1",
                                            "192.168.1.2", "192.168.1.3"}));
}

TEST(FillNetworkPage, EveryOtherModeShowsDhcpWithDisabledAddresses) {
    auto record = MakeRecord();
    for (const std::uint8_t mode : {1, 2, 255}) {
        record.ipMode = mode;
        const auto fill = FillNetworkPage(record);
        EXPECT_EQ(fill.protocolRow, PROTOCOL_DHCP_ROW) << int{mode};
        EXPECT_FALSE(fill.addressesEnabled) << int{mode};
        EXPECT_EQ(fill.addresses[0], "192.168.1.20");  // shown, though disabled
    }
}

TEST(AddressesEnabledFor, OnlyStaticTakesInput) {
    EXPECT_TRUE(AddressesEnabledFor(0));
    EXPECT_FALSE(AddressesEnabledFor(1));
    EXPECT_FALSE(AddressesEnabledFor(-1));
}

TEST(BuildNetworkInfoBlock, SendsAllFiveTextsInBothModes) {
    NetworkPageValues values;
    values.protocolRow = PROTOCOL_DHCP_ROW;
    values.addresses = {"10.0.0.5", "255.0.0.0", "10.0.0.1", "10.0.0.2", ""};
    auto block = BuildNetworkInfoBlock(values);
    EXPECT_EQ(block.ipMode, 1);
    EXPECT_EQ(block.ipAddress.view(), "10.0.0.5");
    EXPECT_EQ(block.subnetMask.view(), "255.0.0.0");
    EXPECT_EQ(block.gateway.view(), "10.0.0.1");
    EXPECT_EQ(block.primaryDns.view(), "10.0.0.2");
    EXPECT_EQ(block.secondaryDns.view(), "");

    values.protocolRow = -1;
    EXPECT_EQ(BuildNetworkInfoBlock(values).ipMode, 255);
    values.protocolRow = 0;
    EXPECT_EQ(BuildNetworkInfoBlock(values).ipMode, 0);
}

TEST(SetNetworkInfo, DhcpRequestCarriesTheAddressesAsTheyStand) {
    NetworkBench bench;
    auto& device = bench.net.AddDevice(TEST_MAC).Serve({});
    const auto record = MakeRecord();
    NetworkPageValues values;
    values.protocolRow = PROTOCOL_DHCP_ROW;
    values.addresses = FillNetworkPage(record).addresses;
    values.addresses[1] = "255.255.255.255";  // 15 characters: no room for a NUL
    EXPECT_EQ(SetNetworkInfo(bench.context, record, values), 0);

    ASSERT_EQ(bench.net.sent().size(), 1u);
    const auto& bytes = bench.net.sent()[0].bytes;
    ASSERT_EQ(bytes.size(), 88u);
    EXPECT_EQ(bytes[0], 19);
    EXPECT_EQ(bytes[4], 76);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 6, bytes.begin() + 12),
              std::vector<std::uint8_t>(TEST_MAC.begin(), TEST_MAC.end()));
    EXPECT_EQ(bytes[12], 1);
    EXPECT_EQ(bench.LastRequestText(13, 15), std::string("192.168.1.20\0\0\0", 15));
    EXPECT_EQ(bench.LastRequestText(28, 15), "255.255.255.255");
    EXPECT_EQ(bench.LastRequestText(43, 11), "192.168.1.1");
    EXPECT_EQ(bench.LastRequestText(58, 11), "192.168.1.2");
    EXPECT_EQ(bench.LastRequestText(73, 11), "192.168.1.3");
    ASSERT_TRUE(device.lastNetworkInfo());
    EXPECT_EQ(device.lastNetworkInfo()->subnetMask.view(), "255.255.255.255");
    EXPECT_EQ(bench.net.startupVersions(),
              std::vector<std::uint16_t>{platform::SOCKET_VERSION_1_1});
    EXPECT_EQ(bench.boxes.Count(), 0u);
}

TEST(SetNetworkInfo, RefusalAndSilenceStillAdvance) {
    const auto record = MakeRecord();
    NetworkPageValues values;
    values.protocolRow = 0;
    {
        NetworkBench bench;
        protocol::testing::DeviceProfile profile;
        profile.setStatus = 1;
        bench.net.AddDevice(TEST_MAC).Serve(profile);
        EXPECT_EQ(SetNetworkInfo(bench.context, record, values), 0);
        EXPECT_EQ(bench.boxes.Warnings(), std::vector<std::string>{"Set network info failed!"});
    }
    {
        NetworkBench bench;
        EXPECT_EQ(SetNetworkInfo(bench.context, record, values), 0);
        EXPECT_EQ(bench.boxes.Warnings(), std::vector<std::string>{"Time out:Set network info!"});
        EXPECT_GE(bench.net.Elapsed(), 20s);
        EXPECT_EQ(bench.net.OpenSockets(), 0);
        EXPECT_EQ(bench.net.LayerUses(), 0);
    }
}

TEST(SetNetworkInfo, NoSocketKeepsThePage) {
    NetworkBench bench;
    bench.net.FailOpen(platform::SocketType::Datagram);
    EXPECT_EQ(SetNetworkInfo(bench.context, MakeRecord(), {}), 1);
    EXPECT_EQ(bench.boxes.Warnings(),
              std::vector<std::string>{"Network communication failed with error 0\n"});
    EXPECT_TRUE(bench.net.sent().empty());
}

}  // namespace
}  // namespace halvo::wizard
