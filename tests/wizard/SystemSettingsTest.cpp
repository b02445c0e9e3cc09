#include "wizard/SystemSettings.h"

#include <gtest/gtest.h>

#include <string>

#include "WizardTestSupport.h"
#include "protocol/Messages.h"
#include "wizard/TimezoneTable.h"

namespace halvo::wizard {
namespace {

using namespace std::chrono_literals;
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

TEST(TimezoneTable, HoldsTheDeviceRowsAsTheyStand) {
    ASSERT_EQ(TIMEZONE_TABLE.size(), 75u);
    EXPECT_EQ(TIMEZONE_TABLE[0], "(GMT-12:00) International Date Line West ");
    EXPECT_EQ(TIMEZONE_TABLE[4], "(GMT-08:00) Pacific Time (US &amp; Canada); Tijuana ");
    EXPECT_EQ(TIMEZONE_TABLE[9], "(GMT-06:00) Central Time (US &amp; Canda) ");
    EXPECT_EQ(TIMEZONE_TABLE[13], "(GMT-05:00) Eastern Time (US &amp; Canda) ");
    EXPECT_EQ(TIMEZONE_TABLE[20], "(GMT-03:00) Buenos Aires, Georgetown ");
    EXPECT_EQ(TIMEZONE_TABLE[74], "(GMT+13:00) Nuku'alofa");
    for (std::size_t i = 0; i + 1 < TIMEZONE_TABLE.size(); ++i) {
        EXPECT_EQ(TIMEZONE_TABLE[i].back(), ' ') << "row " << i;
    }
}

TEST(DescriptionCheck, AllowsDigitsLettersSpaceDashUnderscoreOnly) {
    int allowed = 0;
    for (int c = 0; c < 256; ++c) {
        allowed += IsDescriptionCharacter(static_cast<unsigned char>(c)) ? 1 : 0;
    }
    EXPECT_EQ(allowed, 10 + 26 + 26 + 3);
    EXPECT_TRUE(IsValidDescription(""));
    EXPECT_TRUE(IsValidDescription("Store 2_b-x"));
    for (const char* bad : {"Store.", "a,b", "caf\xc3\xa9", "\x80", "\xff", "tab\there", "a/b",
                            "quote'", "at@", "nul\x01"}) {
        EXPECT_FALSE(IsValidDescription(bad)) << bad;
    }
}

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
    for (const std::uint8_t index : {75, 200, 255}) {
        record.timezoneIndex = index;
        EXPECT_EQ(FillSystemPage(record, kUtc).timezoneRow, -1) << int{index};
    }
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

    platform::DeviceProfile profile;
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
        bench.boxes.informations.clear();
        EXPECT_EQ(SetSystemInfo(bench.context, record, Values(bad), kUtc, kOwner), 1) << bad;
        ASSERT_EQ(bench.boxes.informations.size(), 1u);
        EXPECT_EQ(bench.boxes.informations[0].owner, kOwner);
        EXPECT_EQ(bench.boxes.informations[0].caption, "Note");
        EXPECT_EQ(bench.boxes.informations[0].text,
                  "Device description is invalid! \nValid characters are: '0-9', 'a-z', 'A-Z', "
                  "' ', '-', '_'.");
    }
    EXPECT_TRUE(bench.boxes.warnings.empty());
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
        platform::DeviceProfile profile;
        profile.setStatus = 3;
        bench.net.AddDevice(TEST_MAC).Serve(profile);
        EXPECT_EQ(SetSystemInfo(bench.context, record, Values(), kUtc, kOwner), 0);
        EXPECT_EQ(bench.boxes.warnings, std::vector<std::string>{"Set system info failed!"});
    }
    {
        NetworkBench bench;
        bench.net.AddDevice(TEST_MAC).Silent(CMD_SET_SYSTEM_INFO);
        EXPECT_EQ(SetSystemInfo(bench.context, record, Values(), kUtc, kOwner), 0);
        EXPECT_EQ(bench.boxes.warnings, std::vector<std::string>{"Time out:Set system info!"});
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
        EXPECT_EQ(bench.boxes.warnings,
                  std::vector<std::string>{"Network communication failed with error 10091\n"});
        EXPECT_TRUE(bench.net.sent().empty());
    }
    {
        NetworkBench bench;
        bench.net.FailOpen(platform::SocketType::Datagram);
        EXPECT_EQ(SetSystemInfo(bench.context, record, Values(), kUtc, kOwner), 1);
        EXPECT_EQ(bench.boxes.warnings,
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
    EXPECT_EQ(bench.boxes.warnings, std::vector<std::string>{std::string(MSG_DATE_OUT_OF_RANGE)});
    EXPECT_EQ(bench.net.startupCalls(), 0);
}

}  // namespace
}  // namespace halvo::wizard
