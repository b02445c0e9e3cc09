// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/Simulator.h"

#include <gtest/gtest.h>

#include <string>

#include "protocol/DeviceRecord.h"
#include "protocol/WireFormat.h"

namespace halvo::devsim {
namespace {

using namespace std::chrono_literals;
using namespace protocol;

const MacAddress MAC_A{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
const MacAddress MAC_B{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5f};
const MacAddress MAC_NOBODY{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

// 2006-03-05 14:07:09 UTC, the wall clock of every test.
const WallClock::time_point NOW = *ParseDeviceTime("20060305", "140709");

std::string Device(const std::string& name, const std::string& mac, int shares,
                   const std::string& extra = "") {
    std::string text = "[device]\nname = " + name + "\nmac = " + mac +
                       "\nip = 10.77.0.11\nweb_port = 8080\nfirmware = 1203\n"
                       "description = Office\ntimezone = 20\nip_mode = 1\n"
                       "gateway = 10.77.0.1\nadmin_name = root\nadmin_password = s3cret\n"
                       "volume = media | USB1 | NTFS | 512 | 37\n"
                       "volume = backup | USB2 | FAT32 | 7632 | 81\n";
    for (int i = 1; i <= shares; ++i) {
        text += "share = s" + std::to_string(i) + "\n";
    }
    return text + extra;
}

// One host with device A (45 shares, plus `extraA`) and device B (3 shares).
DeviceHost MakeHost(const std::string& extraA = "", const std::string& extraB = "") {
    const ConfigResult r = ParseConfig(Device("NAS-A", "00:1a:2b:3c:4d:5e", 45, extraA) +
                                       Device("NAS-B", "00:1a:2b:3c:4d:5f", 3, extraB));
    EXPECT_FALSE(r.error) << r.error->line << ": " << r.error->message;
    return DeviceHost(r.devices);
}

// The replies that carry no delay, as the server would send them at once.
std::vector<Bytes> Replies(DeviceHost& host, const Request& request,
                           WallClock::time_point now = NOW) {
    std::vector<Bytes> out;
    for (auto& o : host.Handle(request.bytes(), now)) {
        out.push_back(o.bytes);
    }
    return out;
}

Bytes OnlyReply(DeviceHost& host, const Request& request, WallClock::time_point now = NOW) {
    auto replies = Replies(host, request, now);
    EXPECT_EQ(replies.size(), 1u);
    return replies.empty() ? Bytes{} : replies.front();
}

SystemInfoBlock NewSystemBlock() {
    SystemInfoBlock b;
    b.passwordRequired = 0;
    b.name.Assign("NAS-A");
    b.description.Assign("Moved to the lab");
    b.date.Assign("20240229");
    b.time.Assign("235950");
    b.timezoneIndex = 44;
    return b;
}

NetworkInfoBlock NewNetworkBlock() {
    NetworkInfoBlock b;
    b.ipMode = 0;
    b.ipAddress.Assign("192.168.100.200");
    b.subnetMask.Assign("255.255.255.0");
    b.gateway.Assign("192.168.100.1");
    b.primaryDns.Assign("192.168.100.2");
    b.secondaryDns.Assign("192.168.100.3");
    return b;
}

TEST(Simulator, DiscoveryIsAnsweredByEveryDeviceInOrder) {
    DeviceHost host = MakeHost();
    const auto replies = Replies(host, EncodeDiscover());
    ASSERT_EQ(replies.size(), 2u);
    const auto a = DecodeDiscoveryReply(replies[0]);
    const auto b = DecodeDiscoveryReply(replies[1]);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->macAddress, MAC_A);
    EXPECT_EQ(a->name.view(), "NAS-A");
    EXPECT_EQ(a->ipAddress.view(), "10.77.0.11");
    EXPECT_EQ(a->webPort, 8080);
    EXPECT_EQ(b->macAddress, MAC_B);

    // A discovery naming one MAC is answered by that device alone.
    Request named = EncodeDiscover();
    ByteWriter(named.buffer).Raw(6, MAC_B);
    const auto one = Replies(host, named);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(DecodeDiscoveryReply(one[0])->macAddress, MAC_B);
}

TEST(Simulator, AnswersEveryGetRequest) {
    DeviceHost host = MakeHost();

    const auto sys = DecodeSystemInfoReply(OnlyReply(host, EncodeGetSystemInfo(MAC_A)));
    ASSERT_TRUE(sys);
    EXPECT_EQ(sys->firmwareVersion.view(), "1203");
    EXPECT_EQ(sys->block.description.view(), "Office");
    EXPECT_EQ(sys->block.timezoneIndex, 20);
    EXPECT_EQ(sys->block.passwordRequired, 0);
    // Live clock: the device reports the wall clock.
    EXPECT_EQ(sys->block.date.view(), "20060305");
    EXPECT_EQ(sys->block.time.view(), "140709");
    EXPECT_EQ(DecodeSystemInfoReply(OnlyReply(host, EncodeGetSystemInfo(MAC_A), NOW + 61s))
                  ->block.time.view(),
              "140810");

    const auto net = DecodeNetworkInfoReply(OnlyReply(host, EncodeGetNetworkInfo(MAC_A)));
    ASSERT_TRUE(net);
    EXPECT_EQ(net->ipMode, 1);
    EXPECT_EQ(net->ipAddress.view(), "10.77.0.11");
    EXPECT_EQ(net->subnetMask.view(), "255.255.255.0");
    EXPECT_EQ(net->gateway.view(), "10.77.0.1");

    const auto volumes = DecodeVolumeInfoReply(OnlyReply(host, EncodeGetVolumeInfo(MAC_A)));
    ASSERT_TRUE(volumes);
    ASSERT_EQ(volumes->volumes.size(), 2u);
    EXPECT_EQ(volumes->volumes[0].shareName.view(), "media");
    EXPECT_EQ(volumes->volumes[0].totalSizeMb, 512);
    EXPECT_EQ(volumes->volumes[0].freePercent, 37);
    EXPECT_EQ(volumes->volumes[1].fsType.view(), "FAT32");

    EXPECT_EQ(DecodeShareCountReply(OnlyReply(host, EncodeGetShareCount(MAC_A))), 45);
    EXPECT_EQ(DecodeShareCountReply(OnlyReply(host, EncodeGetShareCount(MAC_B))), 3);
}

TEST(Simulator, SharePagesCarryTwentyNamesEach) {
    DeviceHost host = MakeHost();
    DeviceRecord record;
    const std::size_t expected[] = {20, 20, 5, 0};
    for (std::uint8_t page = 0; page < 4; ++page) {
        const auto reply = DecodeSharePageReply(OnlyReply(host, EncodeGetSharePage(MAC_A, page)));
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->page, page);
        EXPECT_EQ(reply->declaredCount, expected[page]);
        EXPECT_EQ(reply->names.size(), expected[page]);
        EXPECT_TRUE(
            ApplySharePageReply(record, OnlyReply(host, EncodeGetSharePage(MAC_A, page)), page));
    }
    ASSERT_EQ(record.shares.size(), 45u);
    EXPECT_EQ(record.shares[0].name.view(), "s1");
    EXPECT_EQ(record.shares[20].name.view(), "s21");
    EXPECT_EQ(record.shares[44].name.view(), "s45");
    // The last page index a byte can name is answered too, empty.
    EXPECT_EQ(DecodeSharePageReply(OnlyReply(host, EncodeGetSharePage(MAC_A, 255)))->names.size(),
              0u);
}

TEST(Simulator, RequestsForOtherMacsAndGarbageGetNothing) {
    DeviceHost host = MakeHost();
    const Request requests[] = {
        EncodeGetSystemInfo(MAC_NOBODY),
        EncodeGetNetworkInfo(MAC_NOBODY),
        EncodeGetVolumeInfo(MAC_NOBODY),
        EncodeGetShareCount(MAC_NOBODY),
        EncodeGetSharePage(MAC_NOBODY, 0),
        EncodeSetSystemInfo(MAC_NOBODY, NewSystemBlock()),
        EncodeSetNetworkInfo(MAC_NOBODY, NewNetworkBlock()),
        EncodeVerifyAdmin(MAC_NOBODY, "root", "s3cret"),
        EncodeGetSystemInfo(MacAddress{}),  // zero MAC names a device only in discovery
    };
    for (const Request& r : requests) {
        EXPECT_TRUE(Replies(host, r).empty()) << "command " << r.command();
    }
    // Shorter than a header, or a command no device knows.
    const Request discover = EncodeDiscover();
    EXPECT_TRUE(host.Handle(std::span(discover.buffer.data(), 11), NOW).empty());
    Request unknown = EncodeGetSystemInfo(MAC_A);
    ByteWriter(unknown.buffer).U16(0, 99);
    EXPECT_TRUE(Replies(host, unknown).empty());
    // Nothing changed on the devices.
    EXPECT_EQ(
        DecodeNetworkInfoReply(OnlyReply(host, EncodeGetNetworkInfo(MAC_A)))->ipAddress.view(),
        "10.77.0.11");
}

TEST(Simulator, SetSystemInfoIsKeptAndReported) {
    DeviceHost host = MakeHost();
    EXPECT_EQ(DecodeStatusReply(OnlyReply(host, EncodeSetSystemInfo(MAC_A, NewSystemBlock())),
                                CMD_SET_SYSTEM_INFO),
              0);
    const auto sys = DecodeSystemInfoReply(OnlyReply(host, EncodeGetSystemInfo(MAC_A), NOW + 5s));
    ASSERT_TRUE(sys);
    EXPECT_EQ(sys->block.description.view(), "Moved to the lab");
    EXPECT_EQ(sys->block.timezoneIndex, 44);
    EXPECT_EQ(sys->block.passwordRequired, 0);
    // The live clock runs on from the time that was set.
    EXPECT_EQ(sys->block.date.view(), "20240229");
    EXPECT_EQ(sys->block.time.view(), "235955");
    // Device B is untouched.
    EXPECT_EQ(DecodeSystemInfoReply(OnlyReply(host, EncodeGetSystemInfo(MAC_B)))
                  ->block.description.view(),
              "Office");
}

TEST(Simulator, FixedClockKeepsTheDateAndTimeSet) {
    DeviceHost host = MakeHost("date = 20000101\ntime = 000000\n");
    auto sys = DecodeSystemInfoReply(OnlyReply(host, EncodeGetSystemInfo(MAC_A), NOW + 3h));
    EXPECT_EQ(sys->block.date.view(), "20000101");
    EXPECT_EQ(sys->block.time.view(), "000000");
    OnlyReply(host, EncodeSetSystemInfo(MAC_A, NewSystemBlock()));
    sys = DecodeSystemInfoReply(OnlyReply(host, EncodeGetSystemInfo(MAC_A), NOW + 3h));
    EXPECT_EQ(sys->block.date.view(), "20240229");
    EXPECT_EQ(sys->block.time.view(), "235950");
}

TEST(Simulator, BadSetRequestsAreRefusedWhole) {
    DeviceHost host = MakeHost();
    SystemInfoBlock bad = NewSystemBlock();
    bad.date.Assign("20230229");
    EXPECT_EQ(
        DecodeStatusReply(OnlyReply(host, EncodeSetSystemInfo(MAC_A, bad)), CMD_SET_SYSTEM_INFO),
        STATUS_BAD_CLOCK);
    // A request cut short of its block.
    const Request full = EncodeSetNetworkInfo(MAC_A, NewNetworkBlock());
    const auto cut = host.Handle(std::span(full.buffer.data(), 50), NOW);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(DecodeStatusReply(cut[0].bytes, CMD_SET_NETWORK_INFO), STATUS_MALFORMED);
    const Request verify = EncodeVerifyAdmin(MAC_A, "root", "s3cret");
    const auto shortVerify = host.Handle(std::span(verify.buffer.data(), 30), NOW);
    ASSERT_EQ(shortVerify.size(), 1u);
    EXPECT_EQ(DecodeStatusReply(shortVerify[0].bytes, CMD_VERIFY_ADMIN), STATUS_MALFORMED);

    const auto sys = DecodeSystemInfoReply(OnlyReply(host, EncodeGetSystemInfo(MAC_A)));
    EXPECT_EQ(sys->block.description.view(), "Office");
    EXPECT_EQ(
        DecodeNetworkInfoReply(OnlyReply(host, EncodeGetNetworkInfo(MAC_A)))->ipAddress.view(),
        "10.77.0.11");
}

TEST(Simulator, SetNetworkInfoIsKeptAndReported) {
    DeviceHost host = MakeHost();
    EXPECT_EQ(DecodeStatusReply(OnlyReply(host, EncodeSetNetworkInfo(MAC_A, NewNetworkBlock())),
                                CMD_SET_NETWORK_INFO),
              0);
    const auto net = DecodeNetworkInfoReply(OnlyReply(host, EncodeGetNetworkInfo(MAC_A)));
    ASSERT_TRUE(net);
    EXPECT_EQ(net->ipMode, 0);
    EXPECT_EQ(net->ipAddress.view(), "192.168.100.200");
    EXPECT_EQ(net->gateway.view(), "192.168.100.1");
    EXPECT_EQ(net->secondaryDns.view(), "192.168.100.3");
    // Discovery reports the new address as well.
    EXPECT_EQ(DecodeDiscoveryReply(Replies(host, EncodeDiscover())[0])->ipAddress.view(),
              "192.168.100.200");
}

TEST(Simulator, AdministratorCheck) {
    DeviceHost host = MakeHost();
    const auto status = [&](const char* name, const char* password) {
        return DecodeStatusReply(OnlyReply(host, EncodeVerifyAdmin(MAC_A, name, password)),
                                 CMD_VERIFY_ADMIN);
    };
    EXPECT_EQ(status("root", "s3cret"), 0);
    EXPECT_EQ(status("root", "s3cre"), STATUS_BAD_PASSWORD);
    EXPECT_EQ(status("root", "s3cret!"), STATUS_BAD_PASSWORD);
    EXPECT_EQ(status("admin", "s3cret"), STATUS_BAD_PASSWORD);
    EXPECT_EQ(status("", ""), STATUS_BAD_PASSWORD);

    // Credentials that fill their fields (no terminator on the wire) are compared whole.
    const ConfigResult r = ParseConfig(
        "[device]\nname = F\nmac = 00:00:00:00:00:09\n"
        "admin_name = administrator123\nadmin_password = pass1234\n");
    ASSERT_FALSE(r.error);
    DeviceHost fullHost(r.devices);
    const MacAddress mac{0, 0, 0, 0, 0, 9};
    EXPECT_EQ(DecodeStatusReply(
                  OnlyReply(fullHost, EncodeVerifyAdmin(mac, "administrator123", "pass1234")),
                  CMD_VERIFY_ADMIN),
              0);
    EXPECT_EQ(DecodeStatusReply(
                  OnlyReply(fullHost, EncodeVerifyAdmin(mac, "administrator12", "pass1234")),
                  CMD_VERIFY_ADMIN),
              STATUS_BAD_PASSWORD);
}

// ---- Fault switches ----------------------------------------------------------------------------

TEST(SimulatorFaults, SilentCommandsGetNoAnswer) {
    DeviceHost host = MakeHost("silent = get_system_info, verify_admin\n");
    EXPECT_TRUE(Replies(host, EncodeGetSystemInfo(MAC_A)).empty());
    EXPECT_TRUE(Replies(host, EncodeVerifyAdmin(MAC_A, "root", "s3cret")).empty());
    EXPECT_EQ(Replies(host, EncodeGetNetworkInfo(MAC_A)).size(), 1u);
    EXPECT_EQ(Replies(host, EncodeGetSystemInfo(MAC_B)).size(), 1u);  // per device
}

// A silent device behaves as if the request never reached it: a set request is not taken.
TEST(SimulatorFaults, SilentSetRequestsAreNotTaken) {
    DeviceHost host = MakeHost("silent = set_system_info\n");
    EXPECT_TRUE(Replies(host, EncodeSetSystemInfo(MAC_A, NewSystemBlock())).empty());
    EXPECT_EQ(DecodeSystemInfoReply(OnlyReply(host, EncodeGetSystemInfo(MAC_A)))
                  ->block.description.view(),
              "Office");
}

TEST(SimulatorFaults, WrongCommandAnswersWithAnotherReply) {
    DeviceHost host =
        MakeHost("wrong_command = get_network_info:get_system_info, set_system_info:99\n");
    const Bytes reply = OnlyReply(host, EncodeGetNetworkInfo(MAC_A));
    EXPECT_FALSE(DecodeNetworkInfoReply(reply));
    ASSERT_TRUE(DecodeSystemInfoReply(reply));
    EXPECT_EQ(DecodeSystemInfoReply(reply)->block.description.view(), "Office");

    const Bytes status = OnlyReply(host, EncodeSetSystemInfo(MAC_A, NewSystemBlock()));
    EXPECT_EQ(DecodeCommand(status), 99);
    EXPECT_FALSE(DecodeStatusReply(status, CMD_SET_SYSTEM_INFO));
}

TEST(SimulatorFaults, EchoPageAnswersAnotherIndex) {
    DeviceHost host = MakeHost("echo_page = 1:5\n", "echo_page = *:7\n");
    DeviceRecord record;
    EXPECT_TRUE(ApplySharePageReply(record, OnlyReply(host, EncodeGetSharePage(MAC_A, 0)), 0));
    const Bytes page1 = OnlyReply(host, EncodeGetSharePage(MAC_A, 1));
    EXPECT_EQ(DecodeSharePageReply(page1)->page, 5);
    EXPECT_EQ(DecodeSharePageReply(page1)->names.size(), 20u);  // page 1's names, wrong index
    EXPECT_FALSE(ApplySharePageReply(record, page1, 1));
    EXPECT_EQ(record.shares.size(), 20u);
    EXPECT_EQ(DecodeSharePageReply(OnlyReply(host, EncodeGetSharePage(MAC_B, 0)))->page, 7);
}

TEST(SimulatorFaults, RefuseSetsAndTheCheckWithoutTakingAnything) {
    DeviceHost host = MakeHost("refuse = all\nrefuse_status = 7\n");
    EXPECT_EQ(DecodeStatusReply(OnlyReply(host, EncodeSetSystemInfo(MAC_A, NewSystemBlock())),
                                CMD_SET_SYSTEM_INFO),
              7);
    EXPECT_EQ(DecodeStatusReply(OnlyReply(host, EncodeSetNetworkInfo(MAC_A, NewNetworkBlock())),
                                CMD_SET_NETWORK_INFO),
              7);
    EXPECT_EQ(DecodeStatusReply(OnlyReply(host, EncodeVerifyAdmin(MAC_A, "root", "s3cret")),
                                CMD_VERIFY_ADMIN),
              7);
    EXPECT_EQ(DecodeSystemInfoReply(OnlyReply(host, EncodeGetSystemInfo(MAC_A)))
                  ->block.description.view(),
              "Office");
    EXPECT_EQ(
        DecodeNetworkInfoReply(OnlyReply(host, EncodeGetNetworkInfo(MAC_A)))->ipAddress.view(),
        "10.77.0.11");
    // Gets are answered as usual.
    EXPECT_TRUE(DecodeShareCountReply(OnlyReply(host, EncodeGetShareCount(MAC_A))));
}

TEST(SimulatorFaults, DelayAndTwice) {
    DeviceHost host = MakeHost(
        "delay = all:150, get_share_page:900\ntwice = get_share_count\ntwice_gap_ms = 40\n");
    auto out = host.Handle(EncodeGetSharePage(MAC_A, 0).bytes(), NOW);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].delay, 900ms);
    out = host.Handle(EncodeGetShareCount(MAC_A).bytes(), NOW);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].delay, 150ms);
    EXPECT_EQ(out[1].delay, 190ms);
    EXPECT_EQ(out[0].bytes, out[1].bytes);
    EXPECT_EQ(DecodeShareCountReply(out[1].bytes), 45);
    // Device B has no delay; a discovery burst lists its answer first.
    out = host.Handle(EncodeDiscover().bytes(), NOW);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(DecodeDiscoveryReply(out[0].bytes)->macAddress, MAC_B);
    EXPECT_EQ(out[1].delay, 150ms);
}

TEST(Simulator, LatencyComesBeforeEveryAnswer) {
    DeviceHost host = MakeHost("latency_us = 250\ndelay = get_share_count:2\n");
    auto out = host.Handle(EncodeGetSystemInfo(MAC_A).bytes(), NOW);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].delay, 250us);
    out = host.Handle(EncodeGetShareCount(MAC_A).bytes(), NOW);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].delay, 2250us);
    EXPECT_EQ(host.Handle(EncodeGetSystemInfo(MAC_B).bytes(), NOW)[0].delay, 0us);
}

TEST(SimulatorFaults, ShortRepliesStopBeforeTheirLayoutEnds) {
    DeviceHost host = MakeHost("short = get_system_info, discover:30, verify_admin:3\n");
    const Bytes sys = OnlyReply(host, EncodeGetSystemInfo(MAC_A));
    EXPECT_EQ(sys.size(), HEADER_SIZE + (SYSTEM_INFO_REPLY_SIZE - HEADER_SIZE) / 2);
    EXPECT_EQ(DecodeCommand(sys), CMD_GET_SYSTEM_INFO);
    EXPECT_FALSE(DecodeSystemInfoReply(sys));
    const auto discovery = Replies(host, EncodeDiscover());
    ASSERT_EQ(discovery.size(), 2u);
    EXPECT_EQ(discovery[0].size(), 30u);
    EXPECT_FALSE(DecodeDiscoveryReply(discovery[0]));
    EXPECT_TRUE(DecodeDiscoveryReply(discovery[1]));
    const Bytes verify = OnlyReply(host, EncodeVerifyAdmin(MAC_A, "root", "s3cret"));
    EXPECT_EQ(verify.size(), 3u);
    EXPECT_FALSE(DecodeStatusReply(verify, CMD_VERIFY_ADMIN));
    // A length beyond the reply leaves it whole.
    DeviceHost longer = MakeHost("short = get_share_count:500\n");
    EXPECT_EQ(OnlyReply(longer, EncodeGetShareCount(MAC_A)).size(), SHARE_COUNT_REPLY_SIZE);
}

TEST(SimulatorFaults, OvercountClaimsMoreThanTheDatagramHolds) {
    DeviceHost host = MakeHost("overcount = get_share_page, get_volume_info\n");
    const Bytes page = OnlyReply(host, EncodeGetSharePage(MAC_A, 2));
    EXPECT_EQ(page.size(), SHARE_PAGE_HEADER_SIZE + 5 * SHARE_ENTRY_SIZE);
    const auto decoded = DecodeSharePageReply(page);
    EXPECT_EQ(decoded->declaredCount, 255);
    EXPECT_EQ(decoded->names.size(), 5u);
    const auto volumes = DecodeVolumeInfoReply(OnlyReply(host, EncodeGetVolumeInfo(MAC_A)));
    EXPECT_EQ(volumes->declaredCount, 255);
    EXPECT_EQ(volumes->volumes.size(), 2u);
}

TEST(SimulatorFaults, ReportedShareCountMayLie) {
    DeviceHost host = MakeHost("report_share_count = -3\n");
    EXPECT_EQ(DecodeShareCountReply(OnlyReply(host, EncodeGetShareCount(MAC_A))), -3);
    EXPECT_EQ(DecodeSharePageReply(OnlyReply(host, EncodeGetSharePage(MAC_A, 0)))->names.size(),
              20u);
}

TEST(SimulatorFaults, FloodIsBoundedAndNeverAValidAnswer) {
    DeviceHost host = MakeHost("flood = 50\nflood_interval_ms = 2\n");
    const auto out = host.Handle(EncodeDiscover().bytes(), NOW);
    ASSERT_EQ(out.size(), 52u);  // 50 strays and one real answer from each device
    int valid = 0;
    std::chrono::microseconds last{0};
    for (const auto& o : out) {
        EXPECT_GE(o.delay, last);  // in sending order
        last = o.delay;
        if (DecodeDiscoveryReply(o.bytes)) {
            ++valid;
        } else {
            EXPECT_EQ(DecodeCommand(o.bytes), CMD_DISCOVER);
            EXPECT_EQ(RecordFromDiscoveryReply(o.bytes), nullptr);
        }
    }
    EXPECT_EQ(valid, 2);
    EXPECT_EQ(last, 98ms);
    // The flood follows discovery only unless told otherwise.
    EXPECT_EQ(host.Handle(EncodeGetShareCount(MAC_A).bytes(), NOW).size(), 1u);

    DeviceHost quiet =
        MakeHost("flood = 5\nflood_on = get_share_count\nsilent = get_share_count\n");
    EXPECT_EQ(quiet.Handle(EncodeGetShareCount(MAC_A).bytes(), NOW).size(), 5u);
    EXPECT_EQ(quiet.Handle(EncodeDiscover().bytes(), NOW).size(), 2u);
}

}  // namespace
}  // namespace halvo::devsim
