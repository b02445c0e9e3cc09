// SPDX-License-Identifier: GPL-3.0-or-later
// Discovery on the fake network: answers in arrival order, what is ignored, the 20 empty polls
// that end the collection, the hard cap, and the failure messages.
#include <gtest/gtest.h>

#include "platform/testing/RecordingMessageBoxes.h"
#include "protocol/Discovery.h"
#include "protocol/testing/FakeNetwork.h"
#include "tests/protocol/GoldenVectors.h"

namespace halvo::protocol {
namespace {

using namespace std::chrono_literals;
using platform::SocketType;
using platform::testing::RecordingMessageBoxes;
using protocol::testing::FakeNetwork;
using Strings = std::vector<std::string>;

MacAddress Mac(std::uint8_t last) {
    return {0x00, 0x1A, 0x2B, 0x3C, 0x4D, last};
}

class DiscoveryTest : public ::testing::Test {
  protected:
    DiscoveryResult Run() {
        return Discover(ctx, [this](std::unique_ptr<DeviceRecord> record) {
            handedAt.push_back(net.Elapsed());
            found.push_back(std::move(record));
        });
    }
    Strings Names() const {
        Strings names;
        for (const auto& r : found) {
            names.push_back(r->name.str());
        }
        return names;
    }
    void ExpectReleased() {
        EXPECT_EQ(net.OpenSockets(), 0);
        EXPECT_EQ(net.LayerUses(), 0);
        EXPECT_EQ(net.misuses(), 0);
    }

    FakeNetwork net;
    RecordingMessageBoxes boxes;
    ProtocolContext ctx{net, net, boxes};
    std::vector<std::unique_ptr<DeviceRecord>> found;
    std::vector<platform::Clock::Duration> handedAt;
};

TEST_F(DiscoveryTest, NoAnswerEndsAfterTwentyEmptySlotsWithoutAMessage) {
    const auto result = Run();
    EXPECT_TRUE(result.ran);
    EXPECT_TRUE(found.empty());
    EXPECT_TRUE(boxes.Warnings().empty());
    EXPECT_EQ(result.emptyPolls, 21);
    EXPECT_EQ(net.waits(), std::vector<std::chrono::milliseconds>(20, 100ms));
    EXPECT_EQ(net.Elapsed(), 2s);
    EXPECT_FALSE(result.capped);
    // The request: twelve zero bytes to 255.255.255.255:1638, socket layer 2.2.
    ASSERT_EQ(net.sent().size(), 1u);
    EXPECT_EQ(net.sent()[0].bytes, golden::DiscoverRequest());
    EXPECT_EQ(net.sent()[0].address, 0xFFFFFFFFu);
    EXPECT_EQ(net.sent()[0].port, 1638);
    EXPECT_EQ(net.startupVersions(), std::vector<std::uint16_t>{0x0202});
    ExpectReleased();
}

TEST_F(DiscoveryTest, BlindSleepEndsAfterTwentySleeps) {
    ctx.waitMode = WaitMode::BlindSleep;
    net.AddDevice(Mac(1)).AnswerDiscovery("NAS-1", "192.168.1.21", 80, 150ms);
    const auto result = Run();
    EXPECT_EQ(result.devicesFound, 1);
    EXPECT_EQ(net.sleeps(), std::vector<std::chrono::milliseconds>(20, 100ms));
    EXPECT_EQ(net.receiveCalls(), 22);  // 21 empty polls and one answer
    EXPECT_EQ(handedAt, std::vector<platform::Clock::Duration>{200ms});
}

TEST_F(DiscoveryTest, DevicesInTheOrderOfTheirAnswersEachHandedOverOnArrival) {
    net.AddDevice(Mac(1)).AnswerDiscovery("NAS-SLOW", "192.168.1.21", 80, 250ms);
    net.AddDevice(Mac(2)).AnswerDiscovery("STORAGE-SERVER16", "192.168.1.22", 8080, 20ms);
    net.AddDevice(Mac(3)).AnswerDiscovery("NAS-MIDDLE", "192.168.1.23", 81, 130ms);
    const auto result = Run();
    EXPECT_EQ(result.devicesFound, 3);
    EXPECT_EQ(Names(), (Strings{"STORAGE-SERVER16", "NAS-MIDDLE", "NAS-SLOW"}));
    EXPECT_EQ(handedAt, (std::vector<platform::Clock::Duration>{20ms, 130ms, 250ms}));
    EXPECT_EQ(found[0]->macAddress, Mac(2));
    EXPECT_EQ(found[0]->ipAddress.view(), "192.168.1.22");
    EXPECT_EQ(found[0]->webPort, 8080);
    EXPECT_EQ(found[0]->name.bytes[16], '\0');
    // Answers do not move the end: still 20 slots of 100 ms.
    EXPECT_EQ(net.Elapsed(), 2s);
    EXPECT_TRUE(boxes.Warnings().empty());
    ExpectReleased();
}

TEST_F(DiscoveryTest, DuplicatesAreKept) {
    net.AddDevice(Mac(1)).ReplyTwice(
        CMD_DISCOVER, EncodeDiscoveryReply(Mac(1), "NAS", "10.0.0.2", 80), 10ms, 40ms);
    net.DeliverAt(60ms, EncodeDiscoveryReply(Mac(1), "NAS", "10.0.0.2", 80));
    Run();
    ASSERT_EQ(found.size(), 3u);
    for (const auto& r : found) {
        EXPECT_EQ(r->macAddress, Mac(1));
    }
}

TEST_F(DiscoveryTest, DatagramsThatAreNotDiscoveryRepliesAreIgnored) {
    Bytes badSignature = golden::DiscoveryReply();
    badSignature[15] = '2';  // "0102"
    Bytes otherCommand = golden::DiscoveryReply();
    otherCommand[0] = 0x10;  // command 16, signature intact
    Bytes tooShort = golden::DiscoveryReply();
    tooShort.resize(49);
    net.DeliverAt(10ms, badSignature);
    net.DeliverAt(20ms, otherCommand);
    net.DeliverAt(30ms, tooShort);
    net.DeliverAt(40ms, Bytes{});
    net.DeliverAt(50ms, golden::DiscoveryReply());
    const auto result = Run();
    EXPECT_EQ(result.ignored, 4);
    EXPECT_EQ(result.devicesFound, 1);
    EXPECT_EQ(Names(), Strings{"STORAGE-SERVER16"});
    EXPECT_TRUE(boxes.Warnings().empty());
}

TEST_F(DiscoveryTest, ASteadyStreamDoesNotExtendTheCollection) {
    // An answer every 30 ms for ten seconds: the collection still ends after 20 empty polls.
    net.DeliverEvery(5ms, 30ms, 10s, golden::DiscoveryReply());
    const auto result = Run();
    EXPECT_EQ(result.emptyPolls, 21);
    EXPECT_EQ(net.Elapsed(), 2s);
    EXPECT_EQ(result.devicesFound, 67);  // those that arrived at 5, 35, ..., 1985 ms
    EXPECT_FALSE(result.capped);
}

TEST_F(DiscoveryTest, AFloodIsCutAtTheHardCap) {
    // Each receive takes 1 ms and a new answer is waiting every 1 ms: after the first poll, which
    // comes before the first answer, no poll is ever empty.
    net.SetReceiveCost(1ms);
    net.DeliverEvery(1ms, 1ms, 12s, golden::DiscoveryReply());
    const auto result = Run();
    EXPECT_TRUE(result.capped);
    EXPECT_EQ(result.emptyPolls, 1);
    EXPECT_EQ(net.Elapsed(), 10s);
    EXPECT_EQ(result.devicesFound, 9999);
    ExpectReleased();

    // The cap is the caller's: a shorter one ends sooner.
    FakeNetwork other;
    RecordingMessageBoxes shown;
    ProtocolContext context{other, other, shown};
    context.discoveryCap = 3s;
    other.SetReceiveCost(1ms);
    other.DeliverEvery(0ms, 1ms, 5s, golden::DiscoveryReply());
    EXPECT_TRUE(Discover(context, [](std::unique_ptr<DeviceRecord>) {}).capped);
    EXPECT_EQ(other.Elapsed(), 3s);
}

TEST_F(DiscoveryTest, StreamSocketFailureStopsWithItsMessage) {
    net.AddDevice(Mac(1)).AnswerDiscovery("NAS", "10.0.0.2");
    net.FailOpen(SocketType::Stream);
    const auto result = Run();
    EXPECT_FALSE(result.ran);
    EXPECT_EQ(boxes.Warnings(), Strings{"Creating Server socket failed!\n"});
    EXPECT_TRUE(net.sent().empty());
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(net.cleanupCalls(), 1);
    ExpectReleased();
}

TEST_F(DiscoveryTest, BindAndListenFailuresAreSilent) {
    net.AddDevice(Mac(1)).AnswerDiscovery("NAS", "10.0.0.2");
    net.FailBind();
    net.FailListen();
    const auto result = Run();
    EXPECT_EQ(result.devicesFound, 1);
    EXPECT_TRUE(boxes.Warnings().empty());
    EXPECT_EQ(net.bindCalls(), 1);
    EXPECT_EQ(net.listenCalls(), 1);
    ExpectReleased();
}

TEST_F(DiscoveryTest, SetUpFailuresAndTheirMessages) {
    {
        FakeNetwork n;
        RecordingMessageBoxes b;
        n.FailStartup(10091);
        EXPECT_FALSE(Discover({n, n, b}, [](auto) {}).ran);
        EXPECT_EQ(b.Warnings(), Strings{"Network communication failed with error 10091\n"});
        EXPECT_EQ(n.cleanupCalls(), 0);
        EXPECT_EQ(n.SocketsOpened(SocketType::Datagram), 0);
    }
    {
        FakeNetwork n;
        RecordingMessageBoxes b;
        n.FailOpen(SocketType::Datagram);
        EXPECT_FALSE(Discover({n, n, b}, [](auto) {}).ran);
        EXPECT_EQ(b.Warnings(), Strings{"Network communication failed with error 0\n"});
        EXPECT_EQ(n.SocketsOpened(SocketType::Stream), 0);
        EXPECT_EQ(n.LayerUses(), 0);
        EXPECT_EQ(n.cleanupCalls(), 1);
    }
    {
        // Broadcast refused: shown, and discovery goes on.
        FakeNetwork n;
        RecordingMessageBoxes b;
        n.FailBroadcast();
        n.AddDevice(Mac(1)).AnswerDiscovery("NAS", "10.0.0.2");
        const auto result = Discover({n, n, b}, [](auto) {});
        EXPECT_EQ(result.devicesFound, 1);
        EXPECT_EQ(b.Warnings(), Strings{"Network communication failed with error -1\n"});
    }
    {
        // A failed release is shown; the devices found stay found.
        FakeNetwork n;
        RecordingMessageBoxes b;
        n.FailCleanup(10093);
        n.AddDevice(Mac(1)).AnswerDiscovery("NAS", "10.0.0.2");
        std::vector<std::unique_ptr<DeviceRecord>> kept;
        Discover({n, n, b}, [&](auto r) { kept.push_back(std::move(r)); });
        EXPECT_EQ(kept.size(), 1u);
        EXPECT_EQ(b.Warnings(), Strings{"WSACleanup failed with error 10093\n"});
        EXPECT_EQ(n.OpenSockets(), 0);
    }
}

TEST_F(DiscoveryTest, SetUpRunsInItsOrder) {
    Run();
    const Strings expected = {
        "Startup 514", "Open Datagram", "SetNonBlocking 3", "Open Stream",
        "Bind 4 1638", "Listen 4 5",    "Close 4",          "EnableBroadcast 3",
        "SendTo 3",    "Close 3",       "Cleanup"};
    EXPECT_EQ(net.calls(), expected);
}

TEST_F(DiscoveryTest, TheReceiverOwnsTheRecordsAfterwards) {
    net.AddDevice(Mac(1)).AnswerDiscovery("NAS-1", "10.0.0.2");
    net.AddDevice(Mac(2)).AnswerDiscovery("NAS-2", "10.0.0.3", 80, 20ms);
    Run();
    ASSERT_EQ(found.size(), 2u);
    // The records outlive the run and belong to the receiver alone (the sanitizer build checks
    // that nothing else frees them or keeps writing to them).
    found[0]->shares.push_back(ShareEntry{});
    found[0]->description.Assign("changed by the owner");
    EXPECT_EQ(found[1]->name.view(), "NAS-2");
    found.clear();
}

}  // namespace
}  // namespace halvo::protocol
