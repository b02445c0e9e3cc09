// SPDX-License-Identifier: GPL-3.0-or-later
// The request/reply exchange on the fake network: outcomes, poll counts on virtual time, the
// failure messages with their numbers, and socket and layer released on every path.
#include <gtest/gtest.h>

#include "platform/testing/RecordingMessageBoxes.h"
#include "protocol/DeviceExchange.h"
#include "protocol/Messages.h"
#include "protocol/testing/FakeNetwork.h"
#include "tests/protocol/GoldenVectors.h"

namespace halvo::protocol {
namespace {

using namespace std::chrono_literals;
using platform::SocketType;
using platform::testing::RecordingMessageBoxes;
using protocol::testing::FakeNetwork;
using Strings = std::vector<std::string>;

const MacAddress MAC{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

class ExchangeTest : public ::testing::Test {
  protected:
    ExchangeTest() { record.macAddress = MAC; }

    // No socket left open, every start-up released, no call on a dead socket.
    void ExpectReleased(int cleanups = 1) {
        EXPECT_EQ(net.OpenSockets(), 0);
        EXPECT_EQ(net.LayerUses(), 0);
        EXPECT_EQ(net.cleanupCalls(), cleanups);
        EXPECT_EQ(net.misuses(), 0);
    }

    StatusOutcome SetNetwork() { return SendNetworkInfo(ctx, record, NetworkInfoBlock{}); }

    FakeNetwork net;
    RecordingMessageBoxes boxes;
    ProtocolContext ctx{net, net, boxes};
    DeviceRecord record;
};

// ---- Outcomes ----------------------------------------------------------------------------------

TEST_F(ExchangeTest, AcceptedRefusedAndOtherReplies) {
    struct Case {
        Bytes reply;
        StatusOutcome outcome;
        Strings warnings;
    };
    const Case cases[] = {
        {EncodeStatusReply(CMD_SET_NETWORK_INFO, 0), StatusOutcome::Accepted, {}},
        {EncodeStatusReply(CMD_SET_NETWORK_INFO, 3),
         StatusOutcome::Refused,
         {"Set network info failed!"}},
        // Another command ends the step silently; so does the right command cut before status.
        {EncodeStatusReply(CMD_SET_SYSTEM_INFO, 0), StatusOutcome::OtherReply, {}},
        {Bytes{19, 0, 0}, StatusOutcome::OtherReply, {}},
    };
    for (const auto& c : cases) {
        FakeNetwork fresh;
        RecordingMessageBoxes shown;
        const ProtocolContext context{fresh, fresh, shown};
        fresh.AddDevice(MAC).Reply(CMD_SET_NETWORK_INFO, c.reply, 30ms);
        const auto outcome = SendNetworkInfo(context, record, NetworkInfoBlock{});
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_TRUE(IsDone(outcome));
        EXPECT_EQ(shown.Warnings(), c.warnings);
        EXPECT_EQ(fresh.Elapsed(), 30ms);
        EXPECT_EQ(fresh.OpenSockets(), 0);
        EXPECT_EQ(fresh.LayerUses(), 0);
        EXPECT_EQ(fresh.misuses(), 0);
    }
}

TEST_F(ExchangeTest, OnlyTheFirstDatagramIsJudged) {
    net.AddDevice(MAC).On(CMD_SET_NETWORK_INFO, [](std::span<const std::uint8_t>) {
        return std::vector<protocol::testing::Answer>{
            {EncodeStatusReply(CMD_DISCOVER, 0), 10ms},
            {EncodeStatusReply(CMD_SET_NETWORK_INFO, 0), 20ms}};
    });
    EXPECT_EQ(SetNetwork(), StatusOutcome::OtherReply);
    EXPECT_EQ(net.Elapsed(), 10ms);  // did not wait for the right reply
    EXPECT_TRUE(boxes.Warnings().empty());
    ExpectReleased();
}

TEST_F(ExchangeTest, RequestGoesToTheBroadcastAddressWithItsLength) {
    auto& device = net.AddDevice(MAC).Serve({});
    record.name.Assign("NAS-OFFICE");
    SystemInfoBlock block;
    block.name.Assign("renamed");  // ignored: devices are never renamed
    block.description.Assign("Office storage");
    EXPECT_EQ(SendSystemInfo(ctx, record, block), StatusOutcome::Accepted);
    EXPECT_EQ(SetNetwork(), StatusOutcome::Accepted);
    EXPECT_EQ(VerifyAdmin(ctx, record, "admin", "admin"), StatusOutcome::Accepted);

    ASSERT_EQ(net.sent().size(), 3u);
    const std::size_t lengths[] = {108, 88, 44};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(net.sent()[i].address, 0xFFFFFFFFu);
        EXPECT_EQ(net.sent()[i].port, 1638);
        EXPECT_EQ(net.sent()[i].bytes.size(), lengths[i]);
    }
    ASSERT_TRUE(device.lastSystemInfo());
    EXPECT_EQ(device.lastSystemInfo()->name.view(), "NAS-OFFICE");
    EXPECT_EQ(device.lastSystemInfo()->description.view(), "Office storage");
    // The check and both writes start the layer with version 1.1.
    EXPECT_EQ(net.startupVersions(), (std::vector<std::uint16_t>{0x0101, 0x0101, 0x0101}));
    ExpectReleased(3);
}

TEST_F(ExchangeTest, VerifyAcceptsOnlyTheRightCredentials) {
    protocol::testing::DeviceProfile profile;
    profile.adminName = "administrator-16";
    profile.adminPassword = "password";
    net.AddDevice(MAC).Serve(profile);
    EXPECT_EQ(VerifyAdmin(ctx, record, "administrator-16", "password"), StatusOutcome::Accepted);
    EXPECT_TRUE(boxes.Warnings().empty());
    EXPECT_EQ(VerifyAdmin(ctx, record, "administrator-16", "passwort"), StatusOutcome::Refused);
    EXPECT_EQ(boxes.Warnings(), Strings{"Verify failed!"});
    EXPECT_EQ(net.sent()[0].bytes, golden::VerifyAdminRequest());
    ExpectReleased(2);
}

// ---- Timeouts on virtual time ------------------------------------------------------------------

TEST_F(ExchangeTest, SlotWaitTimesOutAfterExactlyNSlotsAndNPlusOnePolls) {
    net.AddDevice(MAC).Silent(CMD_SET_NETWORK_INFO);
    EXPECT_EQ(SetNetwork(), StatusOutcome::TimedOut);
    EXPECT_EQ(boxes.Warnings(), Strings{"Time out:Set network info!"});
    EXPECT_EQ(net.receiveCalls(), 201);
    EXPECT_EQ(net.waits(), std::vector<std::chrono::milliseconds>(200, 100ms));
    EXPECT_TRUE(net.sleeps().empty());
    EXPECT_EQ(net.Elapsed(), 20s);
    ExpectReleased();
}

TEST_F(ExchangeTest, BlindSleepTimesOutAfterExactlyNSleepsAndNPlusOnePolls) {
    ctx.waitMode = WaitMode::BlindSleep;
    net.AddDevice(MAC).Silent(CMD_VERIFY_ADMIN);
    EXPECT_EQ(VerifyAdmin(ctx, record, "admin", "admin"), StatusOutcome::TimedOut);
    EXPECT_EQ(boxes.Warnings(), Strings{"Time out:Verify name & password!"});
    EXPECT_EQ(net.receiveCalls(), 21);
    EXPECT_EQ(net.sleeps(), std::vector<std::chrono::milliseconds>(20, 200ms));
    EXPECT_TRUE(net.waits().empty());
    EXPECT_EQ(net.Elapsed(), 4s);
    ExpectReleased();
}

TEST_F(ExchangeTest, SlotWaitTakesAMidSlotReplyAtItsArrival) {
    net.AddDevice(MAC).Reply(CMD_SET_NETWORK_INFO, EncodeStatusReply(CMD_SET_NETWORK_INFO, 0),
                             150ms);
    EXPECT_EQ(SetNetwork(), StatusOutcome::Accepted);
    EXPECT_EQ(net.receiveTimes(), std::vector<platform::Clock::Duration>{150ms});
    EXPECT_EQ(net.Elapsed(), 150ms);
    EXPECT_EQ(net.receiveCalls(), 3);  // at 0, at the first slot's end, at the arrival
    ExpectReleased();
}

TEST_F(ExchangeTest, BlindSleepNoticesAReplyOnlyAtTheNextPoll) {
    ctx.waitMode = WaitMode::BlindSleep;
    net.AddDevice(MAC).Reply(CMD_SET_NETWORK_INFO, EncodeStatusReply(CMD_SET_NETWORK_INFO, 0),
                             150ms);
    EXPECT_EQ(SetNetwork(), StatusOutcome::Accepted);
    EXPECT_EQ(net.receiveTimes(), std::vector<platform::Clock::Duration>{200ms});
    ExpectReleased();
}

TEST_F(ExchangeTest, SlotWaitKeepsTheTotalWindowOfTheTable) {
    // A reply inside the last slot is still taken; one just after the 200th slot is too late.
    for (const auto& [delay, accepted] : {std::pair{19950ms, true}, std::pair{20001ms, false}}) {
        FakeNetwork fresh;
        RecordingMessageBoxes shown;
        const ProtocolContext context{fresh, fresh, shown};
        fresh.AddDevice(MAC).Reply(CMD_SET_NETWORK_INFO, EncodeStatusReply(CMD_SET_NETWORK_INFO, 0),
                                   delay);
        const auto outcome = SendNetworkInfo(context, record, NetworkInfoBlock{});
        EXPECT_EQ(outcome, accepted ? StatusOutcome::Accepted : StatusOutcome::TimedOut);
        EXPECT_EQ(fresh.Elapsed(), accepted ? delay : 20000ms);
        EXPECT_EQ(fresh.waits().size(), 200u);
    }
}

TEST_F(ExchangeTest, AnOversizedDatagramIsAnEmptyPoll) {
    net.AddDevice(MAC).Reply(CMD_SET_NETWORK_INFO, EncodeStatusReply(CMD_SET_NETWORK_INFO, 0),
                             250ms);
    net.DeliverAt(50ms, Bytes(1025, 0x13));
    EXPECT_EQ(SetNetwork(), StatusOutcome::Accepted);
    EXPECT_EQ(net.droppedDatagrams(), 1);
    EXPECT_EQ(net.receiveTimes(), std::vector<platform::Clock::Duration>{250ms});

    // A datagram of exactly 1024 bytes is taken.
    FakeNetwork fresh;
    RecordingMessageBoxes shown;
    const ProtocolContext context{fresh, fresh, shown};
    Bytes full = EncodeStatusReply(CMD_SET_NETWORK_INFO, 7);
    full.resize(1024, 0);
    fresh.AddDevice(MAC).Reply(CMD_SET_NETWORK_INFO, full);
    EXPECT_EQ(SendNetworkInfo(context, record, NetworkInfoBlock{}), StatusOutcome::Refused);
}

// ---- Set-up and release failures ---------------------------------------------------------------

TEST_F(ExchangeTest, StartupFailureShowsItsCodeAndOpensNothing) {
    net.FailStartup(10091);
    EXPECT_EQ(SetNetwork(), StatusOutcome::NotSent);
    EXPECT_FALSE(IsDone(StatusOutcome::NotSent));
    EXPECT_EQ(boxes.Warnings(), Strings{"Network communication failed with error 10091\n"});
    EXPECT_EQ(net.SocketsOpened(SocketType::Datagram), 0);
    EXPECT_TRUE(net.sent().empty());
    ExpectReleased(0);  // nothing was started, so nothing is released
}

TEST_F(ExchangeTest, SocketFailureShowsZeroAndReleasesTheLayer) {
    net.FailOpen(SocketType::Datagram);
    EXPECT_EQ(SetNetwork(), StatusOutcome::NotSent);
    EXPECT_EQ(boxes.Warnings(), Strings{"Network communication failed with error 0\n"});
    EXPECT_TRUE(net.sent().empty());
    ExpectReleased(1);
}

TEST_F(ExchangeTest, BroadcastFailureShowsMinusOneAndStillSends) {
    net.FailBroadcast();
    net.AddDevice(MAC).Reply(CMD_SET_NETWORK_INFO, EncodeStatusReply(CMD_SET_NETWORK_INFO, 0));
    EXPECT_EQ(SetNetwork(), StatusOutcome::Accepted);
    EXPECT_EQ(boxes.Warnings(), Strings{"Network communication failed with error -1\n"});
    EXPECT_EQ(net.sent().size(), 1u);
    ExpectReleased();
}

TEST_F(ExchangeTest, CleanupFailureShowsTheLastErrorAfterEveryOutcome) {
    net.FailCleanup(10036);
    net.AddDevice(MAC).Reply(CMD_SET_NETWORK_INFO, EncodeStatusReply(CMD_SET_NETWORK_INFO, 0));
    EXPECT_EQ(SetNetwork(), StatusOutcome::Accepted);
    EXPECT_EQ(boxes.Warnings(), Strings{"WSACleanup failed with error 10036\n"});

    // After a timeout: its message first, then the release failure.
    boxes.Clear();
    EXPECT_EQ(SendSystemInfo(ctx, record, SystemInfoBlock{}), StatusOutcome::TimedOut);
    EXPECT_EQ(boxes.Warnings(),
              (Strings{"Time out:Set system info!", "WSACleanup failed with error 10036\n"}));

    // After a socket failure the layer is still released, and its failure shown too.
    boxes.Clear();
    net.FailOpen(SocketType::Datagram);
    EXPECT_EQ(SetNetwork(), StatusOutcome::NotSent);
    EXPECT_EQ(boxes.Warnings(), (Strings{"Network communication failed with error 0\n",
                                         "WSACleanup failed with error 10036\n"}));
    ExpectReleased(3);
}

TEST_F(ExchangeTest, SetUpRunsInItsOrder) {
    net.AddDevice(MAC).Silent(CMD_SET_NETWORK_INFO);
    ctx.waitMode = WaitMode::BlindSleep;
    SetNetwork();
    const Strings expected = {
        "Startup 257", "Open Datagram", "SetNonBlocking 3", "EnableBroadcast 3",
        "SendTo 3",    "Close 3",       "Cleanup"};
    EXPECT_EQ(net.calls(), expected);
}

TEST(MessageFormat, ReplacesTheFirstPlaceholderOnly) {
    EXPECT_EQ(FormatMessage(MSG_NETWORK_FAILED, -1),
              "Network communication failed with error -1\n");
    EXPECT_EQ(FormatMessage(MSG_CLEANUP_FAILED, 10093), "WSACleanup failed with error 10093\n");
    EXPECT_EQ(FormatMessage("%d and %d", 5), "5 and %d");
    EXPECT_EQ(FormatMessage("none", 5), "none");
}

}  // namespace
}  // namespace halvo::protocol
