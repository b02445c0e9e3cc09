// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/DeviceConfig.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace halvo::devsim {
namespace {

using namespace std::chrono_literals;

const std::string CONFIGS = HALVO_DEVSIM_CONFIGS;

DeviceConfig LoadOne(const std::string& file) {
    const ConfigResult r = LoadConfigFile(CONFIGS + "/" + file);
    EXPECT_FALSE(r.error) << file << ":" << (r.error ? r.error->message : "");
    EXPECT_EQ(r.devices.size(), 1u) << file;
    return r.devices.empty() ? DeviceConfig{} : r.devices.front();
}

ConfigError ErrorOf(const std::string& text) {
    const ConfigResult r = ParseConfig(text);
    EXPECT_TRUE(r.devices.empty());
    return r.error.value_or(ConfigError{-1, "no error"});
}

const char* MINIMAL = "[device]\nname = A\nmac = 00:00:00:00:00:01\n";

TEST(DeviceConfig, ShippedBoxesReadAsDescribed) {
    const DeviceConfig many = LoadOne("box45.ini");
    ASSERT_EQ(many.shares.size(), 45u);
    EXPECT_EQ(many.shares.front().name.view(), "archive01");
    EXPECT_EQ(many.shares.back().name.view(), "archive45");
    EXPECT_EQ(many.smbUser, "archive");

    const DeviceConfig locked = LoadOne("password.ini");
    EXPECT_EQ(locked.system.passwordRequired, 1);
    EXPECT_EQ(locked.adminName.view(), "root");
    EXPECT_EQ(locked.adminPassword.view(), "s3cret");
    EXPECT_EQ(locked.smbPassword, "ledger-1");

    const DeviceConfig full = LoadOne("fullfields.ini");
    EXPECT_EQ(full.name.view().size(), 16u);
    EXPECT_EQ(full.system.description.view().size(), 64u);
    EXPECT_EQ(full.network.gateway.view().size(), 15u);
    EXPECT_EQ(full.shares.front().name.view().size(), 36u);
    EXPECT_EQ(full.volumes.front().shareName.view().size(), 36u);
    EXPECT_EQ(full.volumes.front().deviceId.view().size(), 16u);
    EXPECT_EQ(full.volumes.front().fsType.view().size(), 10u);
    EXPECT_EQ(full.adminName.view().size(), 16u);
    EXPECT_EQ(full.adminPassword.view().size(), 8u);

    const DeviceConfig fixed = LoadOne("box2.ini");
    EXPECT_TRUE(fixed.fixedClock);
    EXPECT_EQ(fixed.system.date.view(), "20060305");
    EXPECT_EQ(fixed.webPort, 8080);
    EXPECT_FALSE(LoadOne("box1.ini").fixedClock);
    EXPECT_EQ(LoadOne("box3.ini").shares.size(), 0u);

    const ConfigResult burst = LoadConfigFile(CONFIGS + "/burst1000.ini");
    ASSERT_FALSE(burst.error);
    EXPECT_EQ(burst.devices.front().replicate, 1000u);
}

TEST(DeviceConfig, DefaultsAndQuotedValues) {
    const ConfigResult r = ParseConfig(std::string(MINIMAL) + "description = \"  spaced  \"\n");
    ASSERT_FALSE(r.error);
    const DeviceConfig& d = r.devices.front();
    EXPECT_EQ(d.system.description.view(), "  spaced  ");
    EXPECT_EQ(d.firmwareVersion.view(), "0100");
    EXPECT_EQ(d.webPort, 80);
    EXPECT_EQ(d.system.name.view(), "A");
    EXPECT_FALSE(d.fixedClock);
    // A flood without a trigger of its own follows discovery.
    EXPECT_TRUE(d.faults.floodOn.Has(protocol::CMD_DISCOVER));
    EXPECT_FALSE(d.faults.floodOn.Has(protocol::CMD_GET_SYSTEM_INFO));
}

TEST(DeviceConfig, FaultSwitchesParse) {
    const ConfigResult r = ParseConfig(std::string(MINIMAL) +
                                       "silent = get_system_info, verify_admin\n"
                                       "wrong_command = get_network_info:get_system_info, 32:99\n"
                                       "echo_page = 1:5, *:7\n"
                                       "refuse = all\n"
                                       "refuse_status = 9\n"
                                       "delay = all:150, get_share_page:900\n"
                                       "twice = get_share_count\n"
                                       "twice_gap_ms = 40\n"
                                       "short = discover:30, get_system_info\n"
                                       "overcount = get_volume_info\n"
                                       "report_share_count = -3\n"
                                       "flood = 300\n"
                                       "flood_interval_ms = 2\n"
                                       "flood_on = get_share_count\n");
    ASSERT_FALSE(r.error) << r.error->line << ": " << r.error->message;
    const Faults& f = r.devices.front().faults;
    EXPECT_TRUE(f.silent.Has(protocol::CMD_VERIFY_ADMIN));
    EXPECT_FALSE(f.silent.Has(protocol::CMD_DISCOVER));
    EXPECT_EQ(f.wrongCommand.Find(protocol::CMD_GET_NETWORK_INFO), protocol::CMD_GET_SYSTEM_INFO);
    EXPECT_EQ(f.wrongCommand.Find(protocol::CMD_GET_SHARE_COUNT), 99);
    EXPECT_FALSE(f.wrongCommand.Find(protocol::CMD_DISCOVER));
    EXPECT_EQ(f.echoPage.at(1), 5);
    EXPECT_EQ(f.echoPage.at(-1), 7);
    EXPECT_TRUE(f.refuse.Has(protocol::CMD_SET_NETWORK_INFO));
    EXPECT_EQ(f.refuseStatus, 9);
    EXPECT_EQ(f.delay.Find(protocol::CMD_GET_SHARE_PAGE), 900ms);  // the named command wins
    EXPECT_EQ(f.delay.Find(protocol::CMD_DISCOVER), 150ms);
    EXPECT_EQ(f.twiceGap, 40ms);
    EXPECT_EQ(f.shortReply.Find(protocol::CMD_DISCOVER), 30u);
    EXPECT_EQ(f.shortReply.Find(protocol::CMD_GET_SYSTEM_INFO), SHORT_HALF);
    EXPECT_TRUE(f.overcount.Has(protocol::CMD_GET_VOLUME_INFO));
    EXPECT_EQ(f.reportShareCount, -3);
    EXPECT_EQ(f.flood, 300u);
    EXPECT_TRUE(f.floodOn.Has(protocol::CMD_GET_SHARE_COUNT));
    EXPECT_FALSE(f.floodOn.Has(protocol::CMD_DISCOVER));
}

TEST(DeviceConfig, ErrorsNameTheLine) {
    struct Case {
        std::string text;
        int line;
        std::string needle;
    };
    const std::string m = MINIMAL;  // three lines
    const Case cases[] = {
        {m + "colour = red\n", 4, "unknown key"},
        {m + "name = B\n", 4, "twice"},
        {m + "description = x\ndescription = y\n", 5, "twice"},
        {"[device]\nname = ABCDEFGHIJKLMNOPQ\nmac = 00:00:00:00:00:01\n", 2, "holds 16"},
        {"[device]\nname = A\nmac = 00:00:00:00:01\n", 3, "mac"},
        {"[device]\nname = A\nmac = 00:00:00:00:00:zz\n", 3, "mac"},
        {m + "date = 20060305\n", 1, "date' and 'time"},
        {m + "date = 20060230\ntime = 120000\n", 4, "YYYYMMDD"},
        {m + "date = 20060305\ntime = 246000\n", 5, "HHMMSS"},
        {m + "firmware = 123\n", 4, "four characters"},
        {m + "refuse = get_system_info\n", 4, "applies only to"},
        {m + "overcount = discover\n", 4, "applies only to"},
        {m + "silent = get_everything\n", 4, "unknown command"},
        {m + "delay = get_share_page\n", 4, "command:value"},
        {m + "echo_page = x:1\n", 4, "echo_page"},
        {m + "smb_user = two words\n", 4, "printable"},
        {m + "share =\n", 4, "needs a name"},
        {m + "web_port = 0\n", 4, "from 1 to 65535"},
        {m + "replicate = 10001\n", 4, "whole number"},
        {m + "description = \"open\n", 4, "unterminated"},
        {"name = A\n", 1, "outside"},
        {"[box]\n", 1, "unknown section"},
        {"[device]\nmac = 00:00:00:00:00:01\n", 1, "without a 'name'"},
        {"[device]\nname = A\n", 1, "without a 'mac'"},
        {m + "[device]\nname = B\nmac = 00:00:00:00:00:01\n", 4, "already used"},
        {"# nothing\n", 0, "no [device]"},
    };
    for (const Case& c : cases) {
        const ConfigError e = ErrorOf(c.text);
        EXPECT_EQ(e.line, c.line) << c.text;
        EXPECT_NE(e.message.find(c.needle), std::string::npos) << c.text << " -> " << e.message;
    }
}

TEST(DeviceConfig, VolumesAreBoundedByOneReply) {
    std::string text = MINIMAL;
    for (int i = 0; i < 14; ++i) {
        text += "volume = v | id | FAT | 1 | 2\n";
    }
    EXPECT_FALSE(ParseConfig(text).error);
    text += "volume = v | id | FAT | 1 | 2\n";
    EXPECT_NE(ErrorOf(text).message.find("do not fit"), std::string::npos);
    EXPECT_NE(ErrorOf(std::string(MINIMAL) + "volume = v | id | FAT | 1\n").message.find("volume"),
              std::string::npos);
}

TEST(DeviceConfig, ExpandGivesDistinctDevicesAndFillsTheAddress) {
    ConfigResult r = ParseConfig(
        "[device]\nname = ABCDEFGHIJKLMNOP\nmac = 02:00:00:00:ff:ff\nreplicate = 1000\n"
        "[device]\nname = Fixed\nmac = 00:00:00:00:00:01\nip = 10.1.2.3\n");
    ASSERT_FALSE(r.error);
    const auto devices = ExpandDevices(r.devices, "10.77.0.11", 0);
    ASSERT_EQ(devices.size(), 1001u);
    std::set<protocol::MacAddress> macs;
    for (const auto& d : devices) {
        macs.insert(d.mac);
        EXPECT_LE(d.name.view().size(), 16u);
        EXPECT_EQ(d.system.name.view(), d.name.view());
        EXPECT_EQ(d.replicate, 1u);
    }
    EXPECT_EQ(macs.size(), 1001u);
    // The count carries over from the last byte into the ones before it.
    EXPECT_EQ(devices[1].mac, (protocol::MacAddress{2, 0, 0, 1, 0, 0}));
    EXPECT_EQ(devices[0].name.view(), "ABCDEFGHIJKLMN-1");
    EXPECT_EQ(devices[999].name.view(), "ABCDEFGHIJK-1000");
    EXPECT_EQ(devices[0].network.ipAddress.view(), "10.77.0.11");
    EXPECT_EQ(devices[1000].network.ipAddress.view(), "10.1.2.3");
    EXPECT_EQ(devices[1000].name.view(), "Fixed");  // a single device keeps its name

    // The same file on a second host: every MAC moves, none collides with the first host's.
    const auto second = ExpandDevices(r.devices, "10.77.0.12", 1);
    for (const auto& d : second) {
        EXPECT_EQ(macs.count(d.mac), 0u);
    }
}

TEST(DeviceConfig, DeviceTimeRoundTrips) {
    const auto when = ParseDeviceTime("20240229", "235959");
    ASSERT_TRUE(when);
    protocol::FixedText<8> date;
    protocol::FixedText<6> time;
    FormatDeviceTime(*when + 1s, date, time);
    EXPECT_EQ(date.view(), "20240301");
    EXPECT_EQ(time.view(), "000000");
    EXPECT_FALSE(ParseDeviceTime("20230229", "000000"));
    EXPECT_FALSE(ParseDeviceTime("2024022", "000000"));
    EXPECT_FALSE(ParseDeviceTime("20240101", "12a000"));
}

// What the file-server scripts read: only devices with an account, shares in file order, and a
// share name that would break the line format refused.
TEST(DeviceConfig, SmbAccountsListOneLinePerAccount) {
    const ConfigResult r = ParseConfig(
        "[device]\nname = A\nmac = 00:00:00:00:00:01\nsmb_user = alpha\nsmb_password = pw-1\n"
        "share = public\nshare = \"my files\"\n"
        "[device]\nname = B\nmac = 00:00:00:00:00:02\nshare = hidden\n"
        "[device]\nname = C\nmac = 00:00:00:00:00:03\nsmb_user = gamma\nsmb_password = pw-3\n");
    ASSERT_FALSE(r.error) << r.error->message;
    std::string out;
    std::string error;
    ASSERT_TRUE(FormatSmbAccounts(r.devices, out, error));
    EXPECT_EQ(out, "alpha\tpw-1\tpublic\tmy files\ngamma\tpw-3\n");

    std::vector<DeviceConfig> tabbed = r.devices;
    tabbed[0].shares[1].name.Assign("my\tfiles");
    EXPECT_FALSE(FormatSmbAccounts(tabbed, out, error));
    EXPECT_TRUE(out.empty());
    EXPECT_NE(error.find("device A"), std::string::npos) << error;
}

TEST(DeviceConfig, TextsAreKeptInTheDevicesCodePage) {
    // The shipped boxes of a Western and a simplified-Chinese workstation, byte for byte.
    const DeviceConfig western = LoadOne("cp1252.ini");
    EXPECT_EQ(western.codePage, 1252u);
    EXPECT_EQ(western.name.view(), "B\xFCro-M\xFCller");
    EXPECT_EQ(western.system.name.view(), western.name.view());
    EXPECT_EQ(western.shares.at(0).name.view(),
              "\xDC"
              "bergabe");
    EXPECT_EQ(western.volumes.at(0).deviceId.view(),
              "USB-St\xFC"
              "ck");

    const DeviceConfig chinese = LoadOne("cp936.ini");
    EXPECT_EQ(chinese.codePage, 936u);
    // Eight characters fill the 16-byte field; in UTF-8 they would take 24.
    EXPECT_EQ(chinese.name.view(),
              "\xB2\xC6\xCE\xF1\xB2\xBF\xB5\xC4\xB4\xE6\xB4\xA2\xBA\xD0\xD7\xD3");
    EXPECT_EQ(chinese.shares.at(1).name.view(), "\xB1\xB8\xB7\xDD");  // 备份
    EXPECT_EQ(TextAsWritten(chinese, chinese.name.view()), "财务部的存储盒子");
    EXPECT_EQ(TextAsWritten(chinese, chinese.volumes.at(0).shareName.view()), "共享文件");

    // The file server gets the share names as the file gave them: UTF-8.
    std::string out;
    std::string error;
    ASSERT_TRUE(FormatSmbAccounts({chinese, western}, out, error)) << error;
    EXPECT_EQ(out, "caiwu\tcw-pw936\t共享文件\t备份\nmueller\tmu-pw52\tÜbergabe\n");

    // Without a code page the file's bytes are taken as they stand.
    const ConfigResult plain = ParseConfig("[device]\nname = Müller\nmac = 00:00:00:00:00:01\n");
    ASSERT_FALSE(plain.error);
    EXPECT_EQ(plain.devices.at(0).name.view(), "Müller");
}

TEST(DeviceConfig, CodePageMistakesAreErrors) {
    const std::string head = "[device]\nmac = 00:00:00:00:00:01\n";
    EXPECT_NE(ErrorOf(head + "codepage = 437\nname = A\n").message.find("unknown code page 437"),
              std::string::npos);
    EXPECT_NE(ErrorOf(head + "name = A\ncodepage = 936\n").message.find("before the texts"),
              std::string::npos);
    // Chinese has no place in 1252; nine Chinese characters take 18 bytes in 936.
    const ConfigError western = ErrorOf(head + "codepage = 1252\nname = 共享\n");
    EXPECT_EQ(western.line, 4);
    EXPECT_NE(western.message.find("code page 1252 cannot write"), std::string::npos)
        << western.message;
    EXPECT_NE(ErrorOf(head + "codepage = 936\nname = 财务部的存储盒子们\n")
                  .message.find("18 bytes; its field holds 16"),
              std::string::npos);
}

TEST(DeviceConfig, CommandNamesRoundTrip) {
    for (std::uint16_t code : {0, 16, 17, 18, 19, 20, 21, 32, 33}) {
        EXPECT_EQ(CommandByName(CommandName(code)), code);
    }
    EXPECT_EQ(CommandName(99), "99");
    EXPECT_EQ(CommandByName("99"), 99);
    EXPECT_FALSE(CommandByName("get_time"));
}

}  // namespace
}  // namespace halvo::devsim
