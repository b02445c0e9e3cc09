// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemTimeZone.h"
#include "wizard/SystemSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "WizardTestSupport.h"
#include "protocol/Messages.h"

namespace halvo::wizard {
namespace {

using namespace std::chrono_literals;
using platform::UtcTimeZone;
using protocol::CMD_SET_SYSTEM_INFO;
using testing::MakeRecord;
using testing::NetworkBench;
using testing::TEST_MAC;

SystemPageValues Values(std::string description = "Office store") {
    SystemPageValues values;
    values.dontAskPassword = false;
    values.description = std::move(description);
    values.timezoneRow = 20;
    values.dateTime = {2006, 3, 5, 14, 7, 9};
    return values;
}

const UtcTimeZone kUtc;
platform::WindowHandle const kOwner = reinterpret_cast<platform::WindowHandle>(0x1234);

TEST(FillSystemPage, TakesTheRecordValues) {
    auto record = MakeRecord();
    auto fill = FillSystemPage(record, kUtc);
    EXPECT_FALSE(fill.dontAskPassword);
    EXPECT_EQ(fill.timezoneRow, 20);
    EXPECT_EQ(fill.description, "Office store");
    EXPECT_EQ(fill.dateTime, (CalendarTime{2006, 3, 5, 14, 7, 9}));

    record.passwordRequired = 0;
    record.timezoneIndex = 74;
    EXPECT_TRUE(FillSystemPage(record, kUtc).dontAskPassword);
    EXPECT_EQ(FillSystemPage(record, kUtc).timezoneRow, 74);
    record.date.Clear();
    record.time.Clear();
    EXPECT_EQ(FillSystemPage(record, kUtc).dateTime, std::nullopt);
}

TEST(BuildSystemInfoBlock, CarriesThePageValues) {
    const auto record = MakeRecord();
    auto values = Values();
    auto block = BuildSystemInfoBlock(record, values, kUtc);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->passwordRequired, 1);
    EXPECT_EQ(block->name.view(), "NAS-Storage-0001");
    EXPECT_EQ(block->description.view(), "Office store");
    EXPECT_EQ(block->date.view(), "20060305");
    EXPECT_EQ(block->time.view(), "140709");
    EXPECT_EQ(block->timezoneIndex, 20);

    values.dontAskPassword = true;
    values.timezoneRow = -1;
    block = BuildSystemInfoBlock(record, values, kUtc);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->passwordRequired, 0);
    EXPECT_EQ(block->timezoneIndex, 255);

    values.dateTime = {1969, 12, 31, 0, 0, 0};
    EXPECT_FALSE(BuildSystemInfoBlock(record, values, kUtc));
}

class SetSystemInfoTest : public ::testing::Test {
  protected:
    void SetUp() override { bench.net.AddDevice(TEST_MAC).Serve(profile); }

    protocol::testing::DeviceProfile profile;
    NetworkBench bench;
};

TEST_F(SetSystemInfoTest, SendsTheRequestOnceAndAdvances) {
    const auto record = MakeRecord();
    auto values = Values();
    values.dontAskPassword = true;
    EXPECT_EQ(SetSystemInfo(bench.context, record, values, kUtc, kOwner), 0);
    ASSERT_EQ(bench.net.sent().size(), 1u);
    const auto& bytes = bench.net.sent()[0].bytes;
    ASSERT_EQ(bytes.size(), 108u);
    EXPECT_EQ(bytes[0], 17);
    EXPECT_EQ(bytes[4], 96);
    EXPECT_EQ(bytes[12], 0);  // "Don't input password next time" checked
    EXPECT_EQ(bench.LastRequestText(13, 16), "NAS-Storage-0001");
    EXPECT_EQ(bench.LastRequestText(93, 8), "20060305");
    EXPECT_EQ(bench.LastRequestText(101, 6), "140709");
    EXPECT_EQ(bytes[107], 20);
    EXPECT_EQ(bench.net.startupVersions(),
              std::vector<std::uint16_t>{platform::SOCKET_VERSION_1_1});
    EXPECT_EQ(bench.net.OpenSockets(), 0);
    EXPECT_EQ(bench.net.LayerUses(), 0);
    EXPECT_EQ(bench.boxes.Count(), 0u);
}

TEST_F(SetSystemInfoTest, InvalidDescriptionShowsTheNoteAndSendsNothing) {
    const auto record = MakeRecord();
    for (const char* bad : {"Office.", "a,b", "caf\xc3\xa9", "\x80"}) {
        bench.boxes.Clear();
        EXPECT_EQ(SetSystemInfo(bench.context, record, Values(bad), kUtc, kOwner), 1) << bad;
        ASSERT_EQ(bench.boxes.Informations().size(), 1u);
        EXPECT_EQ(bench.boxes.Informations()[0].owner, kOwner);
        EXPECT_EQ(bench.boxes.Informations()[0].caption, "Note");
        EXPECT_EQ(bench.boxes.Informations()[0].text,
                  "Device description is invalid! \nValid characters are: '0-9', 'a-z', 'A-Z', "
                  "' ', '-', '_'.");
    }
    EXPECT_TRUE(bench.boxes.Warnings().empty());
    EXPECT_EQ(bench.net.startupCalls(), 0);
    EXPECT_TRUE(bench.net.sent().empty());
}

TEST_F(SetSystemInfoTest, OnlyTheFirst63CharactersAreCheckedAndSent) {
    const auto record = MakeRecord();
    const std::string sixtyThree(63, 'd');
    EXPECT_EQ(SetSystemInfo(bench.context, record, Values(sixtyThree + "."), kUtc, kOwner), 0);
    EXPECT_EQ(bench.boxes.Count(), 0u);
    EXPECT_EQ(bench.LastRequestText(29, 64), sixtyThree + std::string(1, '\0'));
}

TEST_F(SetSystemInfoTest, EmptyDescriptionIs64NulBytes) {
    const auto record = MakeRecord();
    EXPECT_EQ(SetSystemInfo(bench.context, record, Values(""), kUtc, kOwner), 0);
    EXPECT_EQ(bench.LastRequestText(29, 64), std::string(64, '\0'));
}

TEST(SetSystemInfo, RefusalAndSilenceStillAdvance) {
    const auto record = MakeRecord();
    {
        NetworkBench bench;
        protocol::testing::DeviceProfile profile;
        profile.setStatus = 3;
        bench.net.AddDevice(TEST_MAC).Serve(profile);
        EXPECT_EQ(SetSystemInfo(bench.context, record, Values(), kUtc, kOwner), 0);
        EXPECT_EQ(bench.boxes.Warnings(), std::vector<std::string>{"Set system info failed!"});
    }
    {
        NetworkBench bench;
        bench.net.AddDevice(TEST_MAC).Silent(CMD_SET_SYSTEM_INFO);
        EXPECT_EQ(SetSystemInfo(bench.context, record, Values(), kUtc, kOwner), 0);
        EXPECT_EQ(bench.boxes.Warnings(), std::vector<std::string>{"Time out:Set system info!"});
        EXPECT_GE(bench.net.Elapsed(), 20s);
        EXPECT_LT(bench.net.Elapsed(), 21s);
        EXPECT_EQ(bench.net.OpenSockets(), 0);
        EXPECT_EQ(bench.net.LayerUses(), 0);
    }
    {
        NetworkBench bench;  // a stray datagram of another command: done, no message
        bench.net.AddDevice(TEST_MAC).Reply(
            CMD_SET_SYSTEM_INFO, protocol::EncodeStatusReply(protocol::CMD_VERIFY_ADMIN, 1));
        EXPECT_EQ(SetSystemInfo(bench.context, record, Values(), kUtc, kOwner), 0);
        EXPECT_EQ(bench.boxes.Count(), 0u);
    }
}

TEST(SetSystemInfo, NoSocketLayerOrSocketKeepsThePage) {
    const auto record = MakeRecord();
    {
        NetworkBench bench;
        bench.net.FailStartup(10091);
        EXPECT_EQ(SetSystemInfo(bench.context, record, Values(), kUtc, kOwner), 1);
        EXPECT_EQ(bench.boxes.Warnings(),
                  std::vector<std::string>{"Network communication failed with error 10091\n"});
        EXPECT_TRUE(bench.net.sent().empty());
    }
    {
        NetworkBench bench;
        bench.net.FailOpen(platform::SocketType::Datagram);
        EXPECT_EQ(SetSystemInfo(bench.context, record, Values(), kUtc, kOwner), 1);
        EXPECT_EQ(bench.boxes.Warnings(),
                  std::vector<std::string>{"Network communication failed with error 0\n"});
        EXPECT_TRUE(bench.net.sent().empty());
        EXPECT_EQ(bench.net.LayerUses(), 0);
    }
}

TEST(SetSystemInfo, DateOutsideThePickersIsRefusedBeforeSending) {
    const auto record = MakeRecord();
    NetworkBench bench;
    auto values = Values();
    values.dateTime = {10000, 1, 1, 0, 0, 0};
    EXPECT_EQ(SetSystemInfo(bench.context, record, values, kUtc, kOwner), 1);
    EXPECT_EQ(bench.boxes.Warnings(), std::vector<std::string>{std::string(MSG_DATE_OUT_OF_RANGE)});
    EXPECT_EQ(bench.net.startupCalls(), 0);
}

}  // namespace
}  // namespace halvo::wizard
