// SPDX-License-Identifier: GPL-3.0-or-later
// Several interfaces on the fake network: one discovery request per interface that can carry a
// broadcast and one per added address, all answers in one collection, each record's way back,
// exchanges that leave by it (and fail cleanly when it has gone), and the fallback to one unbound
// send when the interface list cannot be read.
#include <gtest/gtest.h>

#include "platform/testing/RecordingMessageBoxes.h"
#include "protocol/DetailQuery.h"
#include "protocol/DeviceExchange.h"
#include "protocol/DeviceRoutes.h"
#include "protocol/Discovery.h"
#include "protocol/Messages.h"
#include "protocol/testing/FakeNetwork.h"

namespace halvo::protocol {
namespace {

using namespace std::chrono_literals;
using platform::testing::RecordingMessageBoxes;
using protocol::testing::DeviceProfile;
using protocol::testing::FakeInterface;
using protocol::testing::FakeNetwork;
using Strings = std::vector<std::string>;

MacAddress Mac(std::uint8_t last) {
    return {0x00, 0x1A, 0x2B, 0x3C, 0x4D, last};
}

std::uint32_t Ip(std::string_view text) {
    return ParseIPv4(text).value();
}

DeviceProfile Box(std::string name, std::string address) {
    DeviceProfile p;
    p.name = std::move(name);
    p.ipAddress = std::move(address);
    p.shares = {"music", "video"};
    return p;
}

class NullView final : public DetailView {
  public:
    void ClearDetails() override {}
    void ShowBasicInformation(std::string_view, std::string_view, std::string_view,
                              std::string_view, std::string_view) override {}
    void ShowVolumes(const std::vector<VolumeRow>&) override {}
    void EnableDeviceButtons() override { ++enabled; }
    int enabled = 0;
};

// A workstation on two segments, with loopback, a tunnel holding the default route, an interface
// that is down, and a router on the first segment that leads to a third subnet.
class SegmentsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        net.AddInterface({"lo", 1, Ip("127.0.0.1"), true, true, false, false});
        eth0 = net.AddInterface({"eth0", 2, Ip("10.1.0.1")});
        net.AddInterface({"eth0", 2, Ip("10.1.0.2")});  // a second address: still one request
        eth1 = net.AddInterface({"eth1", 3, Ip("10.2.0.1")});
        net.AddInterface({"eth2", 4, Ip("10.4.0.1"), false});
        vpn0 = net.AddInterface({"vpn0", 5, Ip("10.8.0.2"), true, false, false, true});
        net.SetDefaultRoute(vpn0);
        a = &net.AddDevice(Mac(1)).Serve(Box("A", "10.1.0.11")).OnSegment(eth0);
        b = &net.AddDevice(Mac(2)).Serve(Box("B", "10.2.0.11")).OnSegment(eth1);
        // Same MAC as B on the other segment: only the route tells them apart.
        auto twinBox = Box("B-twin", "10.1.0.12");
        twinBox.delay = 30ms;
        twin = &net.AddDevice(Mac(2)).Serve(twinBox).OnSegment(eth0);
        auto routedBox = Box("R", "10.3.0.11");
        routedBox.delay = 20ms;
        routed = &net.AddDevice(Mac(3)).Serve(routedBox).Behind(eth0);
        ctx.interfaces = &net;
    }

    DiscoveryResult Run(DiscoveryTargets targets = {}) {
        return Discover(
            ctx, [this](std::unique_ptr<DeviceRecord> r) { found.push_back(std::move(r)); },
            targets);
    }
    Strings Names() const {
        Strings names;
        for (const auto& r : found) {
            names.push_back(r->name.str());
        }
        return names;
    }
    DeviceRecord& Named(std::string_view name) {
        for (auto& r : found) {
            if (r->name.view() == name) {
                return *r;
            }
        }
        ADD_FAILURE() << "no record " << name;
        return *found.front();
    }
    static int Asked(const testing::FakeDevice* device) {
        return static_cast<int>(device->requests().size());
    }

    FakeNetwork net;
    RecordingMessageBoxes boxes;
    ProtocolContext ctx{net, net, boxes};
    std::uint32_t eth0 = 0, eth1 = 0, vpn0 = 0;
    testing::FakeDevice *a = nullptr, *b = nullptr, *twin = nullptr, *routed = nullptr;
    std::vector<std::unique_ptr<DeviceRecord>> found;
};

TEST_F(SegmentsTest, OneRequestPerBroadcastInterfaceAndOneCollection) {
    const auto result = Run();
    ASSERT_TRUE(result.ran);
    // eth0 and eth1 only: not loopback, the tunnel, the interface that is down, nor eth0 twice.
    ASSERT_EQ(net.sent().size(), 2u);
    EXPECT_EQ(result.requestsSent, 2);
    for (const auto& s : net.sent()) {
        EXPECT_EQ(s.address, BROADCAST_ADDRESS);
        EXPECT_EQ(s.port, DEVICE_PORT);
        EXPECT_EQ(s.bytes, Bytes(12, 0));
        EXPECT_EQ(s.at, 0ms);  // both before the collection starts
    }
    ASSERT_TRUE(net.sent()[0].via && net.sent()[1].via);
    EXPECT_EQ(net.sent()[0].via->interfaceIndex, eth0);
    EXPECT_EQ(net.sent()[0].via->localAddress, Ip("10.1.0.1"));
    EXPECT_EQ(net.sent()[1].via->interfaceIndex, eth1);
    // Arrival order across segments; the box behind the router hears no broadcast.
    EXPECT_EQ(Names(), Strings({"A", "B", "B-twin"}));
    EXPECT_EQ(Asked(routed), 0);
    // The one idle rule: 20 slots of 100 ms, however many interfaces were asked.
    EXPECT_EQ(result.emptyPolls, 21);
    EXPECT_EQ(net.Elapsed(), 2000ms);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(net.OpenSockets(), 0);
    EXPECT_EQ(net.LayerUses(), 0);
}

TEST_F(SegmentsTest, EachRecordKnowsTheInterfaceItWasHeardOn) {
    Run();
    ASSERT_EQ(found.size(), 3u);
    const DeviceRoute& route = Named("A").route;
    EXPECT_EQ(route.kind, DeviceRoute::Kind::Interface);
    EXPECT_EQ(route.interfaceIndex, eth0);
    EXPECT_EQ(route.interfaceName.view(), "eth0");
    EXPECT_EQ(route.localAddress, Ip("10.1.0.1"));
    EXPECT_EQ(Named("B").route.interfaceIndex, eth1);
    EXPECT_EQ(Named("B").route.interfaceName.view(), "eth1");
    EXPECT_EQ(Named("B-twin").route.interfaceIndex, eth0);
}

TEST_F(SegmentsTest, ABoxHeardOnTwoInterfacesGivesTwoRecords) {
    net.AddDevice(Mac(7)).AnswerDiscovery("Both", "10.1.0.77").OnSegment(eth0);
    net.AddDevice(Mac(7)).AnswerDiscovery("Both", "10.2.0.77").OnSegment(eth1);
    Run();
    const Strings names = Names();
    EXPECT_EQ(std::count(names.begin(), names.end(), std::string("Both")), 2);
}

TEST_F(SegmentsTest, EveryExchangeOfARecordLeavesByItsInterfaceOnly) {
    Run();
    DeviceRecord& record = Named("B");
    const std::size_t before = net.sent().size();
    const int twinBefore = Asked(twin);
    NullView view;
    ASSERT_EQ(RunDetailQuery(ctx, record, view), DetailQueryResult::Completed);
    EXPECT_EQ(view.enabled, 1);
    EXPECT_EQ(record.shares.size(), 2u);
    NetworkInfoBlock network;
    network.ipAddress.Assign("10.2.0.50");
    EXPECT_EQ(SendNetworkInfo(ctx, record, network), StatusOutcome::Accepted);
    EXPECT_EQ(SendSystemInfo(ctx, record, SystemInfoBlock{}), StatusOutcome::Accepted);
    EXPECT_EQ(VerifyAdmin(ctx, record, "admin", "admin"), StatusOutcome::Accepted);
    ASSERT_EQ(net.sent().size() - before, 8u);  // five query steps (one page), three writes
    for (std::size_t i = before; i < net.sent().size(); ++i) {
        const auto& s = net.sent()[i];
        EXPECT_EQ(s.address, BROADCAST_ADDRESS);
        ASSERT_TRUE(s.via);
        EXPECT_EQ(s.via->interfaceIndex, eth1);
        EXPECT_EQ(s.via->localAddress, Ip("10.2.0.1"));
    }
    // The box of the same MAC on the other segment heard none of it.
    EXPECT_EQ(Asked(twin), twinBefore);
    ASSERT_TRUE(b->lastNetworkInfo());
    EXPECT_EQ(b->lastNetworkInfo()->ipAddress.view(), "10.2.0.50");
    EXPECT_FALSE(twin->lastNetworkInfo());
}

TEST_F(SegmentsTest, AnInterfaceGoneBeforeAnExchangeGivesTheNetworkMessageAndNothingElse) {
    Run();
    DeviceRecord& record = Named("B");
    const DeviceRecord kept = record;
    const std::size_t before = net.sent().size();
    const std::string message =
        FormatMessage(MSG_NETWORK_FAILED, platform::SOCKET_ERROR_NETWORK_DOWN);

    net.SetInterfaceUp(eth1, false);
    NullView view;
    EXPECT_EQ(RunDetailQuery(ctx, record, view), DetailQueryResult::SetupFailed);
    net.RemoveInterface(eth1);
    EXPECT_EQ(SendNetworkInfo(ctx, record, NetworkInfoBlock{}), StatusOutcome::NotSent);
    EXPECT_EQ(VerifyAdmin(ctx, record, "admin", "admin"), StatusOutcome::NotSent);
    // A new interface that got the old index is another one.
    net.AddInterface({"wlan0", eth1, Ip("10.2.0.1")});
    EXPECT_EQ(SendSystemInfo(ctx, record, SystemInfoBlock{}), StatusOutcome::NotSent);

    EXPECT_EQ(boxes.Texts(), Strings(4, message));
    EXPECT_EQ(net.sent().size(), before);  // nothing left by another interface
    EXPECT_EQ(view.enabled, 0);
    EXPECT_EQ(record.name.view(), kept.name.view());
    EXPECT_EQ(record.route, kept.route);
    EXPECT_EQ(net.OpenSockets(), 0);
    EXPECT_EQ(net.LayerUses(), 0);
    EXPECT_EQ(net.misuses(), 0);
}

TEST_F(SegmentsTest, AnAddedAddressIsAskedByUnicastInTheSameCollection) {
    DiscoveryTargets targets;
    targets.addresses = {Ip("10.3.0.11")};
    const auto result = Run(targets);
    EXPECT_EQ(result.requestsSent, 3);
    ASSERT_EQ(net.sent().size(), 3u);
    EXPECT_EQ(net.sent()[2].address, Ip("10.3.0.11"));
    EXPECT_FALSE(net.sent()[2].via);
    EXPECT_EQ(Names(), Strings({"A", "B", "R", "B-twin"}));
    EXPECT_EQ(net.Elapsed(), 2000ms);

    DeviceRecord& record = Named("R");
    EXPECT_EQ(record.route.kind, DeviceRoute::Kind::Unicast);
    EXPECT_EQ(record.route.unicastAddress, Ip("10.3.0.11"));
    const std::size_t before = net.sent().size();
    NullView view;
    ASSERT_EQ(RunDetailQuery(ctx, record, view), DetailQueryResult::Completed);
    EXPECT_EQ(SendNetworkInfo(ctx, record, NetworkInfoBlock{}), StatusOutcome::Accepted);
    for (std::size_t i = before; i < net.sent().size(); ++i) {
        EXPECT_EQ(net.sent()[i].address, Ip("10.3.0.11"));
        EXPECT_FALSE(net.sent()[i].via);
    }
    EXPECT_TRUE(routed->lastNetworkInfo());
}

TEST_F(SegmentsTest, UnicastOnlyDiscoveryAsksNothingElse) {
    DiscoveryTargets targets;
    targets.broadcast = false;
    targets.addresses = {Ip("10.3.0.99")};
    const auto result = Run(targets);
    EXPECT_TRUE(result.ran);
    ASSERT_EQ(net.sent().size(), 1u);
    EXPECT_EQ(net.sent()[0].address, Ip("10.3.0.99"));
    EXPECT_TRUE(found.empty());  // nobody there
    EXPECT_EQ(net.listCalls(), 0);
    EXPECT_EQ(Asked(a) + Asked(b) + Asked(twin) + Asked(routed), 0);
}

TEST_F(SegmentsTest, AnUnreadableListFallsBackToOneUnboundBroadcast) {
    net.FailInterfaceList();
    net.SetDefaultRoute(eth0);
    const auto result = Run();
    ASSERT_EQ(net.sent().size(), 1u);
    EXPECT_EQ(result.requestsSent, 1);
    EXPECT_EQ(net.sent()[0].address, BROADCAST_ADDRESS);
    EXPECT_FALSE(net.sent()[0].via);
    // The routing table's one interface: eth0's boxes only, and they keep the default route.
    EXPECT_EQ(Names(), Strings({"A", "B-twin"}));
    EXPECT_EQ(Named("A").route, DeviceRoute{});
    // With the default route on the tunnel nothing is found at all, as before.
    found.clear();
    net.SetDefaultRoute(vpn0);
    Run();
    EXPECT_TRUE(found.empty());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SegmentsTest, OnlyATunnelAndLoopbackGetNoRequestAtAll) {
    net.RemoveInterface(eth0);
    net.RemoveInterface(eth1);
    const auto result = Run();
    EXPECT_TRUE(result.ran);
    EXPECT_TRUE(net.sent().empty());
    EXPECT_EQ(net.Elapsed(), 2000ms);  // the window is kept all the same
}

TEST(DeviceAddress, OnlyFourDecimalPartsOfAByteEach) {
    EXPECT_EQ(ParseIPv4("10.3.0.11"), 0x0A03000Bu);
    EXPECT_EQ(ParseIPv4("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseIPv4("010.003.000.011"), 0x0A03000Bu);
    for (const char* bad : {"", "10.3.0", "10.3.0.11.", "10.3..11", "256.1.1.1", "1.2.3.4x",
                            " 1.2.3.4", "1.2.3.-4", "0010.1.1.1", "1.2.3.4/24", "a.b.c.d"}) {
        EXPECT_FALSE(ParseIPv4(bad)) << bad;
    }
    EXPECT_EQ(FormatIPv4(0x0A03000Bu), "10.3.0.11");
    EXPECT_TRUE(IsHostAddress(Ip("10.3.0.11")));
    EXPECT_TRUE(IsHostAddress(Ip("223.255.255.254")));
    for (const char* bad : {"0.0.0.0", "0.1.2.3", "127.0.0.1", "224.0.0.1", "255.255.255.255"}) {
        EXPECT_FALSE(IsHostAddress(Ip(bad))) << bad;
    }
}

}  // namespace
}  // namespace halvo::protocol
