// SPDX-License-Identifier: GPL-3.0-or-later
// halvoctl's commands on the fake network with virtual time: what they send, what they print,
// and the exit status each way a run can end.
#include <gtest/gtest.h>

#include <deque>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/TimezoneTable.h"
#include "platform/SystemTimeZone.h"
#include "platform/testing/FakeNetworkDrives.h"
#include "platform/testing/RecordingShell.h"
#include "protocol/DeviceRoutes.h"
#include "protocol/testing/FakeNetwork.h"
#include "tests/platform/TestCodec.h"

namespace halvo::cli {
namespace {

using namespace std::chrono_literals;
using protocol::Bytes;
using protocol::CMD_DISCOVER;
using protocol::CMD_GET_SYSTEM_INFO;
using protocol::CMD_SET_NETWORK_INFO;
using protocol::CMD_SET_SYSTEM_INFO;
using protocol::CMD_VERIFY_ADMIN;
using protocol::MacAddress;
using protocol::testing::DeviceProfile;
using protocol::testing::FakeDevice;
using protocol::testing::FakeNetwork;

const MacAddress ALPHA{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x01};
const MacAddress BETA{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x02};
const MacAddress GAMMA{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x03};

// Passwords handed out in order; counts how often one was asked for.
class ScriptedSecrets final : public SecretSource {
  public:
    std::optional<Secret> Read(std::string_view, std::string& problem) override {
        ++reads;
        if (lines.empty()) {
            problem = "no password given (end of input)";
            return std::nullopt;
        }
        Secret secret;
        secret.Assign(lines.front());
        lines.pop_front();
        return secret;
    }
    std::deque<std::string> lines;
    int reads = 0;
};

DeviceProfile Profile(std::string name, std::string ip) {
    DeviceProfile profile;
    profile.name = std::move(name);
    profile.ipAddress = std::move(ip);
    profile.firmwareVersion = "1203";
    profile.system.description.Assign("Office storage");
    profile.system.date.Assign("20060305");
    profile.system.time.Assign("140709");
    profile.system.timezoneIndex = 20;
    profile.network.ipMode = 0;
    profile.network.subnetMask.Assign("255.255.255.0");
    profile.network.gateway.Assign("10.77.0.1");
    profile.network.primaryDns.Assign("10.77.0.1");
    profile.shares = {"public", "media"};
    return profile;
}

class CommandsTest : public ::testing::Test {
  protected:
    CliContext Context(bool json = false) {
        return CliContext{net,     net,   messages, zone,
                          shell,   admin, smb,      *codec,
                          &drives, out,   json,     [] {
                              return platform::TimeValue{1700000000}; }};
    }
    FakeDevice& Box(const MacAddress& mac, DeviceProfile profile) {
        return net.AddDevice(mac).Serve(std::move(profile));
    }
    nlohmann::json Json() const { return nlohmann::json::parse(out.str()); }
    int Sent(std::uint16_t command) const {
        int count = 0;
        for (const std::uint16_t c : net.SentCommands()) {
            count += c == command ? 1 : 0;
        }
        return count;
    }

    FakeNetwork net;
    std::ostringstream errors;
    CliMessageBoxes messages{errors};
    platform::UtcTimeZone zone;
    platform::testing::RecordingShell shell;
    platform::testing::FakeNetworkDrives drives;
    ScriptedSecrets admin;
    ScriptedSecrets smb;
    // The code page the commands run with; UTF-8 unless a test is about another.
    const platform::TextCodec* codec = &platform::testing::TestCodec();
    std::ostringstream out;
};

TEST_F(CommandsTest, DiscoverListsEveryBoxInAnswerOrderWithTheRecordsFieldNames) {
    Box(ALPHA, Profile("NAS-Alpha", "10.77.0.11"));
    DeviceProfile beta = Profile("NAS-Beta", "10.77.0.12");
    beta.webPort = 8080;
    beta.delay = 30ms;
    Box(BETA, beta);
    EXPECT_EQ(RunDiscover(Context(true)), ExitStatus::Ok);
    const nlohmann::json expected = {{"devices",
                                      {{{"name", "NAS-Alpha"},
                                        {"macAddress", "00:1a:2b:3c:4d:01"},
                                        {"ipAddress", "10.77.0.11"},
                                        {"webPort", 80},
                                        {"route", "default"}},
                                       {{"name", "NAS-Beta"},
                                        {"macAddress", "00:1a:2b:3c:4d:02"},
                                        {"ipAddress", "10.77.0.12"},
                                        {"webPort", 8080},
                                        {"route", "default"}}}},
                                     // No interface list: one broadcast the routing placed.
                                     {"asked",
                                      {{"adapters", nlohmann::json::array()},
                                       {"addresses", nlohmann::json::array()},
                                       {"routedBroadcast", true}}}};
    EXPECT_EQ(Json(), expected);
    // The window's request, byte for byte, and its collection window of 20 empty polls.
    ASSERT_EQ(net.sent().size(), 1u);
    EXPECT_EQ(net.sent()[0].bytes, Bytes(protocol::HEADER_SIZE, 0));
    EXPECT_EQ(net.sent()[0].address, protocol::BROADCAST_ADDRESS);
    EXPECT_GE(net.Elapsed(), 2000ms);
    EXPECT_EQ(messages.Count(), 0);
}

TEST_F(CommandsTest, DiscoverFailsWithStatus4WhenTheSocketLayerCannotStart) {
    net.FailStartup(10091);
    EXPECT_EQ(RunDiscover(Context()), ExitStatus::NetworkFailure);
    EXPECT_EQ(errors.str(), "Network communication failed with error 10091\n");
}

TEST_F(CommandsTest, ShowGivesWhatTheWindowShowsWithEveryRecordField) {
    DeviceProfile profile = Profile("NAS-Many", "10.77.0.14");
    profile.shares.clear();
    for (int i = 0; i < 45; ++i) {
        profile.shares.push_back("share" + std::to_string(i));
    }
    protocol::VolumeEntry volume;
    volume.shareName.Assign("public");
    volume.deviceId.Assign("USB1");
    volume.fsType.Assign("NTFS");
    volume.totalSizeMb = 512;
    volume.freePercent = 37;
    profile.volumes = {volume};
    Box(ALPHA, profile);
    EXPECT_EQ(RunShow(Context(true), "NAS-Many"), ExitStatus::Ok);
    const nlohmann::json shown = Json();
    EXPECT_EQ(shown["firmware"], "V12R03");
    EXPECT_EQ(shown["firmwareVersion"], "1203");
    EXPECT_EQ(shown["macAddress"], "00:1a:2b:3c:4d:01");
    EXPECT_EQ(shown["ipStatus"], "Static ip");
    EXPECT_EQ(shown["date"], "20060305");
    EXPECT_EQ(shown["timezoneIndex"], 20);
    EXPECT_EQ(shown["timezone"], TimezoneRows()[20]);
    EXPECT_EQ(shown["shareCount"], 45);
    ASSERT_EQ(shown["shares"].size(), 45u);
    EXPECT_EQ(shown["shares"][44], "share44");
    EXPECT_EQ(shown["volumes"][0]["freeSpace"], "37%");
    EXPECT_EQ(shown["volumes"][0]["totalSizeMb"], "512");
    // Discovery, system, network, share count, pages 0-2, volumes: the window's sequence.
    EXPECT_EQ(net.SentCommands(), (std::vector<std::uint16_t>{0, 16, 18, 32, 33, 33, 33, 20}));
}

TEST_F(CommandsTest, ShowPrintsAlignedTextByDefault) {
    Box(ALPHA, Profile("NAS-Alpha", "10.77.0.11"));
    EXPECT_EQ(RunShow(Context(), "00-1A-2B-3C-4D-01"), ExitStatus::Ok);
    const std::string text = out.str();
    EXPECT_NE(text.find("Firmware Version:  V12R03\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Date:              2006-03-05\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Shares:            2: public, media\n"), std::string::npos) << text;
}

TEST_F(CommandsTest, ShowOfASilentBoxEndsWithTheStepsTimeOutAndStatus3) {
    Box(ALPHA, Profile("NAS-Mute", "10.77.0.11")).Silent(CMD_GET_SYSTEM_INFO);
    EXPECT_EQ(RunShow(Context(), "10.77.0.11"), ExitStatus::TimedOut);
    EXPECT_EQ(errors.str(), "Time out:get system info!\n");
    EXPECT_TRUE(out.str().empty());
    // 200 polls of 100 ms after the discovery, and no second discovery (no list to refresh).
    EXPECT_GE(net.Elapsed(), 22000ms);
    EXPECT_EQ(Sent(CMD_DISCOVER), 1);
}

TEST_F(CommandsTest, ShowAllGivesEveryBoxOfOneDiscoveryAndGoesOnPastASilentOne) {
    Box(ALPHA, Profile("NAS-Alpha", "10.77.0.11"));
    Box(BETA, Profile("NAS-Mute", "10.77.0.12")).Silent(CMD_GET_SYSTEM_INFO);
    Box(GAMMA, Profile("NAS-Gamma", "10.77.0.13"));
    EXPECT_EQ(RunShowAll(Context(true)), ExitStatus::TimedOut);
    EXPECT_EQ(Sent(CMD_DISCOVER), 1);
    const nlohmann::json devices = Json()["devices"];
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0]["description"], "Office storage");
    EXPECT_EQ(devices[0]["timezoneIndex"], 20);
    EXPECT_EQ(devices[1]["name"], "NAS-Mute");
    EXPECT_EQ(devices[1]["error"], "Time out:get system info!");
    EXPECT_EQ(devices[1]["exitStatus"], 3);
    EXPECT_FALSE(devices[1].contains("timezoneIndex"));
    EXPECT_EQ(devices[2]["shares"], nlohmann::json::array({"public", "media"}));
    EXPECT_NE(errors.str().find("Time out:get system info!\n"), std::string::npos);
}

TEST_F(CommandsTest, DeviceNamesAreResolvedOnceAndAmbiguityNamesEveryCandidate) {
    Box(ALPHA, Profile("NAS", "10.77.0.11"));
    Box(BETA, Profile("NAS", "10.77.0.12"));
    EXPECT_EQ(RunShow(Context(), "NAS"), ExitStatus::Refused);
    EXPECT_NE(errors.str().find("NAS (00:1a:2b:3c:4d:01) at 10.77.0.11"), std::string::npos);
    EXPECT_NE(errors.str().find("NAS (00:1a:2b:3c:4d:02) at 10.77.0.12"), std::string::npos);
    EXPECT_EQ(Sent(CMD_GET_SYSTEM_INFO), 0);

    errors.str("");
    EXPECT_EQ(RunShow(Context(), "NAS-Other"), ExitStatus::Refused);
    EXPECT_EQ(errors.str(),
              "halvoctl: asked by one broadcast that the system's routing sent out (the adapters "
              "could not be listed)\nhalvoctl: no box answered as 'NAS-Other'\n");
}

TEST_F(CommandsTest, ABoxThatAnswersDiscoveryTwiceIsStillOneBox) {
    FakeDevice& box = Box(ALPHA, Profile("NAS-Echo", "10.77.0.11"));
    box.ReplyTwice(CMD_DISCOVER,
                   protocol::EncodeDiscoveryReply(ALPHA, "NAS-Echo", "10.77.0.11", 80), 5ms, 9ms);
    EXPECT_EQ(RunShow(Context(), "NAS-Echo"), ExitStatus::Ok);
}

TEST_F(CommandsTest, SetSystemWritesTheCurrentValuesWithOnlyTheGivenOnesChanged) {
    FakeDevice& box = Box(ALPHA, Profile("NAS-Alpha", "10.77.0.11"));
    SystemChanges changes;
    changes.timezone = 9;
    EXPECT_EQ(RunSetSystem(Context(), "NAS-Alpha", changes, std::nullopt), ExitStatus::Ok);
    ASSERT_TRUE(box.lastSystemInfo());
    const protocol::SystemInfoBlock& sent = *box.lastSystemInfo();
    EXPECT_EQ(sent.timezoneIndex, 9);
    EXPECT_EQ(sent.description.view(), "Office storage");
    EXPECT_EQ(sent.date.view(), "20060305");
    EXPECT_EQ(sent.time.view(), "140709");
    EXPECT_EQ(sent.name.view(), "NAS-Alpha");
    EXPECT_EQ(sent.passwordRequired, 0);
    EXPECT_EQ(Sent(CMD_SET_SYSTEM_INFO), 1);

    changes = SystemChanges{};
    changes.date = DateValue{2024, 2, 29};
    changes.askPassword = true;
    EXPECT_EQ(RunSetSystem(Context(), "NAS-Alpha", changes, std::nullopt), ExitStatus::Ok);
    EXPECT_EQ(box.lastSystemInfo()->date.view(), "20240229");
    EXPECT_EQ(box.lastSystemInfo()->time.view(), "140709");
    EXPECT_EQ(box.lastSystemInfo()->passwordRequired, 1);

    // The workstation's clock (1700000000, in UTC here) replaces the box's date and time only.
    changes = SystemChanges{};
    changes.clockFromHost = true;
    EXPECT_EQ(RunSetSystem(Context(), "NAS-Alpha", changes, std::nullopt), ExitStatus::Ok);
    EXPECT_EQ(box.lastSystemInfo()->date.view(), "20231114");
    EXPECT_EQ(box.lastSystemInfo()->time.view(), "221320");
    EXPECT_EQ(box.lastSystemInfo()->timezoneIndex, 20);
}

TEST_F(CommandsTest, BadValuesAreRefusedBeforeAnythingIsSent) {
    Box(ALPHA, Profile("NAS-Alpha", "10.77.0.11"));
    SystemChanges timezone;
    timezone.timezone = 75;
    EXPECT_EQ(RunSetSystem(Context(), "NAS-Alpha", timezone, std::nullopt), ExitStatus::Usage);
    SystemChanges comma;
    comma.description = "first, second";
    EXPECT_EQ(RunSetSystem(Context(), "NAS-Alpha", comma, std::nullopt), ExitStatus::Usage);
    NetworkChanges address;
    address.mode = IpMode::Static;
    address.gateway = "10.77.0.256";
    EXPECT_EQ(RunSetNetwork(Context(), "NAS-Alpha", address, std::nullopt), ExitStatus::Usage);
    EXPECT_TRUE(net.sent().empty());
    EXPECT_NE(errors.str().find("Device description is invalid! Valid characters are:"),
              std::string::npos);
}

TEST_F(CommandsTest, ABoxDescriptionTheCheckRefusesIsNotWrittenBackUnlessReplaced) {
    DeviceProfile profile = Profile("NAS-Alpha", "10.77.0.11");
    profile.system.description.Assign("Office storage, first floor");
    FakeDevice& box = Box(ALPHA, profile);
    SystemChanges changes;
    changes.timezone = 3;
    EXPECT_EQ(RunSetSystem(Context(), "NAS-Alpha", changes, std::nullopt), ExitStatus::Usage);
    EXPECT_EQ(Sent(CMD_SET_SYSTEM_INFO), 0);
    changes.description = "Office storage first floor";
    CliMessageBoxes fresh{errors};
    EXPECT_EQ(
        RunSetSystem(CliContext{net, net, fresh, zone, shell, admin, smb, *codec, &drives, out},
                     "NAS-Alpha", changes, std::nullopt),
        ExitStatus::Ok);
    EXPECT_EQ(box.lastSystemInfo()->description.view(), "Office storage first floor");
}

TEST_F(CommandsTest, WritesReportRefusalTimeOutAndAnUnconfirmedAnswer) {
    DeviceProfile refusing = Profile("NAS-Stubborn", "10.77.0.11");
    refusing.setStatus = 1;
    Box(ALPHA, refusing);
    Box(BETA, Profile("NAS-Quiet", "10.77.0.12")).Silent(CMD_SET_NETWORK_INFO);
    Box(GAMMA, Profile("NAS-Odd", "10.77.0.13"))
        .Reply(CMD_SET_SYSTEM_INFO, protocol::EncodeStatusReply(CMD_GET_SYSTEM_INFO, 0));
    SystemChanges changes;
    changes.timezone = 1;
    EXPECT_EQ(RunSetSystem(Context(), "NAS-Stubborn", changes, std::nullopt), ExitStatus::Refused);
    EXPECT_EQ(errors.str(), "Set system info failed!\n");
    errors.str("");
    NetworkChanges dhcp;
    dhcp.mode = IpMode::Dhcp;
    CliMessageBoxes fresh{errors};
    EXPECT_EQ(
        RunSetNetwork(CliContext{net, net, fresh, zone, shell, admin, smb, *codec, &drives, out},
                      "NAS-Quiet", dhcp, std::nullopt),
        ExitStatus::TimedOut);
    EXPECT_EQ(errors.str(), "Time out:Set network info!\n");
    errors.str("");
    CliMessageBoxes third{errors};
    EXPECT_EQ(
        RunSetSystem(CliContext{net, net, third, zone, shell, admin, smb, *codec, &drives, out},
                     "NAS-Odd", changes, std::nullopt),
        ExitStatus::Refused);
    EXPECT_NE(errors.str().find("not confirmed"), std::string::npos);
    EXPECT_TRUE(out.str().empty());
}

TEST_F(CommandsTest, SetNetworkKeepsTheAddressesNotGivenAndSendsTheModeChosen) {
    FakeDevice& box = Box(ALPHA, Profile("NAS-Alpha", "10.77.0.11"));
    NetworkChanges changes;
    changes.mode = IpMode::Dhcp;
    changes.secondaryDns = "";
    EXPECT_EQ(RunSetNetwork(Context(), "NAS-Alpha", changes, std::nullopt), ExitStatus::Ok);
    ASSERT_TRUE(box.lastNetworkInfo());
    EXPECT_EQ(box.lastNetworkInfo()->ipMode, 1);
    EXPECT_EQ(box.lastNetworkInfo()->ipAddress.view(), "10.77.0.11");
    EXPECT_EQ(box.lastNetworkInfo()->gateway.view(), "10.77.0.1");
    EXPECT_EQ(box.lastNetworkInfo()->secondaryDns.view(), "");
    EXPECT_EQ(Sent(CMD_SET_NETWORK_INFO), 1);
}

TEST_F(CommandsTest, ChangesOfABoxThatAsksRunTheCheckFirstAndStopOnRefusal) {
    DeviceProfile locked = Profile("NAS-Locked", "10.77.0.11");
    locked.system.passwordRequired = 1;
    locked.adminName = "root";
    locked.adminPassword = "s3cret";
    FakeDevice& box = Box(ALPHA, locked);
    SystemChanges changes;
    changes.timezone = 2;

    EXPECT_EQ(RunSetSystem(Context(), "NAS-Locked", changes, std::nullopt), ExitStatus::Usage);
    EXPECT_EQ(admin.reads, 0);

    admin.lines = {"wrong"};
    EXPECT_EQ(RunSetSystem(Context(), "NAS-Locked", changes, std::string("root")),
              ExitStatus::Refused);
    EXPECT_NE(errors.str().find("Verify failed!\n"), std::string::npos);
    EXPECT_EQ(Sent(CMD_SET_SYSTEM_INFO), 0);

    admin.lines = {"s3cret"};
    CliMessageBoxes fresh{errors};
    EXPECT_EQ(
        RunSetSystem(CliContext{net, net, fresh, zone, shell, admin, smb, *codec, &drives, out},
                     "NAS-Locked", changes, std::string("root")),
        ExitStatus::Ok);
    EXPECT_EQ(Sent(CMD_VERIFY_ADMIN), 2);
    EXPECT_EQ(box.lastSystemInfo()->timezoneIndex, 2);
    // The box keeps asking unless told otherwise.
    EXPECT_EQ(box.lastSystemInfo()->passwordRequired, 1);
}

TEST_F(CommandsTest, ApplySetsUpEachBoxAfterOneDiscoveryAndGoesOnAfterAFailure) {
    FakeDevice& alpha = Box(ALPHA, Profile("NAS-Alpha", "10.77.0.11"));
    DeviceProfile refusing = Profile("NAS-Stubborn", "10.77.0.12");
    refusing.setStatus = 1;
    Box(BETA, refusing);
    FakeDevice& gamma = Box(GAMMA, Profile("NAS-Gamma", "10.77.0.13"));
    const std::string plan = R"({"boxes": [
        {"macAddress": "00:1a:2b:3c:4d:01", "system": {"timezoneIndex": 5},
         "network": {"ipMode": "static", "ipAddress": "10.77.0.51"}},
        {"macAddress": "00:1a:2b:3c:4d:02", "system": {"timezoneIndex": 5}},
        {"macAddress": "00:1a:2b:3c:4d:09", "system": {"timezoneIndex": 5}},
        {"macAddress": "00:1a:2b:3c:4d:03", "network": {"ipMode": "dhcp"}}]})";
    EXPECT_EQ(RunApply(Context(true), plan), ExitStatus::Refused);
    EXPECT_EQ(Sent(CMD_DISCOVER), 1);
    EXPECT_EQ(alpha.lastSystemInfo()->timezoneIndex, 5);
    EXPECT_EQ(alpha.lastNetworkInfo()->ipAddress.view(), "10.77.0.51");
    EXPECT_EQ(gamma.lastNetworkInfo()->ipMode, 1);
    EXPECT_FALSE(gamma.lastSystemInfo());
    const nlohmann::json report = Json();
    EXPECT_EQ(report["ok"], false);
    EXPECT_EQ(report["boxes"][0]["result"], "ok");
    EXPECT_EQ(report["boxes"][1]["result"], "refused");
    EXPECT_EQ(report["boxes"][2]["result"], "not found");
    EXPECT_EQ(report["boxes"][3]["result"], "ok");
    EXPECT_NE(errors.str().find("00:1a:2b:3c:4d:02 NAS-Stubborn: refused"), std::string::npos);
}

TEST_F(CommandsTest, ApplyAsksForTheAdministratorPasswordOnceAndRefusesABadPlanUnsent) {
    for (const MacAddress& mac : {ALPHA, BETA}) {
        DeviceProfile locked = Profile("NAS-Locked", "10.77.0.11");
        locked.system.passwordRequired = 1;
        locked.adminName = "root";
        locked.adminPassword = "s3cret";
        Box(mac, locked);
    }
    admin.lines = {"s3cret"};
    const std::string plan = R"({"admin": "root", "boxes": [
        {"macAddress": "00:1a:2b:3c:4d:01", "system": {"passwordRequired": false}},
        {"macAddress": "00:1a:2b:3c:4d:02", "system": {"passwordRequired": false}}]})";
    EXPECT_EQ(RunApply(Context(), plan), ExitStatus::Ok) << errors.str();
    EXPECT_EQ(admin.reads, 1);
    EXPECT_EQ(Sent(CMD_SET_SYSTEM_INFO), 2);

    const std::size_t sent = net.sent().size();
    EXPECT_EQ(RunApply(Context(), R"({"boxes": [{"macAddress": "00:1a:2b:3c:4d:01",
        "system": {"date": "2023-02-29"}}]})"),
              ExitStatus::Usage);
    EXPECT_EQ(net.sent().size(), sent);
}

TEST_F(CommandsTest, MapConnectsTheSharePathOfTheBoxsAddressAfterTheCheck) {
    DeviceProfile locked = Profile("NAS-Locked", "10.77.0.11");
    locked.system.passwordRequired = 1;
    locked.adminName = "root";
    locked.adminPassword = "s3cret";
    Box(ALPHA, locked);
    drives.RecordPasswords(true);

    admin.lines = {"nope"};
    smb.lines = {"ledger-1"};
    EXPECT_EQ(RunMap(Context(), "NAS-Locked", "ledger", "y", "finance", std::string("root")),
              ExitStatus::Refused);
    EXPECT_TRUE(drives.CallsOf(platform::testing::FakeNetworkDrives::Op::AddConnection).empty());
    EXPECT_EQ(smb.reads, 0);

    admin.lines = {"s3cret"};
    CliMessageBoxes fresh{errors};
    EXPECT_EQ(RunMap(CliContext{net, net, fresh, zone, shell, admin, smb, *codec, &drives, out},
                     "NAS-Locked", "ledger", "y", "finance", std::string("root")),
              ExitStatus::Ok);
    const auto adds = drives.CallsOf(platform::testing::FakeNetworkDrives::Op::AddConnection);
    ASSERT_EQ(adds.size(), 1u);
    EXPECT_EQ(adds[0].localName, "Y:");
    EXPECT_EQ(adds[0].remoteName, "\\\\10.77.0.11\\ledger");
    EXPECT_EQ(adds[0].userName, "finance");
    EXPECT_EQ(adds[0].password, "ledger-1");
    EXPECT_EQ(drives.RemoteOf('Y'), "\\\\10.77.0.11\\ledger");
}

TEST_F(CommandsTest, DriveCommandsReportTheLayersFailuresWithTheDialogsTexts) {
    Box(ALPHA, Profile("NAS-Alpha", "10.77.0.11"));
    drives.SetRemote('Z', "\\\\10.77.0.11\\public");
    drives.SetLocal('C');
    EXPECT_EQ(RunDrives(Context(true)), ExitStatus::Ok);
    EXPECT_EQ(Json(),
              nlohmann::json::parse(
                  R"({"drives": [{"letter": "Z:", "remoteName": "\\\\10.77.0.11\\public"}]})"));

    // The window's message, then the reason and what helps.
    smb.lines = {"pw"};
    EXPECT_EQ(RunMap(Context(), "NAS-Alpha", "media", "Z:", "", std::nullopt), ExitStatus::Refused);
    EXPECT_EQ(errors.str(),
              "Map failed!\nhalvoctl: error 85: the drive letter is already in use: "
              "choose another letter\n");
    // On Windows, an error only Windows gives, and the number and reason in the JSON document.
    errors.str("");
    out.str("");
    smb.lines = {"pw"};
    drives.ScriptAdd(1219);
    CliContext windows = Context(true);
    windows.system = HostSystem::Windows;
    EXPECT_EQ(RunMap(windows, "NAS-Alpha", "media", "Y:", "", std::nullopt), ExitStatus::Refused);
    EXPECT_EQ(
        errors.str().rfind("Map failed!\nhalvoctl: error 1219: Windows is already connected", 0),
        0u)
        << errors.str();
    EXPECT_EQ(Json()["errorNumber"], 1219);
    EXPECT_EQ(Json()["error"], "Map failed!");
    EXPECT_EQ(Json()["reason"], MapFailureReason(1219, HostSystem::Windows).value());
    out.str("");
    EXPECT_EQ(RunUnmap(Context(), "Q"), ExitStatus::Refused);
    EXPECT_EQ(RunUnmap(Context(), "Z"), ExitStatus::Ok);
    EXPECT_FALSE(drives.RemoteOf('Z'));
    EXPECT_EQ(RunUnmap(Context(), "1:"), ExitStatus::Usage);
}

TEST_F(CommandsTest, WebGivesTheWindowsAddressAndOpensItOnRequest) {
    DeviceProfile profile = Profile("NAS-Beta", "10.77.0.12");
    profile.webPort = 40000;
    Box(BETA, profile);
    EXPECT_EQ(RunWeb(Context(), "NAS-Beta", true), ExitStatus::Ok);
    EXPECT_EQ(out.str(), "http://10.77.0.12:40000\n");
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"http://10.77.0.12:40000"}));
}

TEST_F(CommandsTest, TextsThatAreNotUtf8StillMakeAJsonDocument) {
    DeviceProfile profile = Profile("NAS-\xe9t\xe9", "10.77.0.11");
    profile.system.description.Assign("caf\xe9");
    Box(ALPHA, profile);
    EXPECT_EQ(RunShow(Context(true), "00:1a:2b:3c:4d:01"), ExitStatus::Ok);
    EXPECT_EQ(Json()["description"], "caf\xef\xbf\xbd");
}

TEST_F(CommandsTest, InCodePage1252TheBoxsTextsAreShownAndMatchedDecoded) {
    codec = &platform::testing::TestCodec(1252);
    DeviceProfile profile = Profile("NAS-\xe9t\xe9", "10.77.0.11");  // "NAS-été" in 1252
    profile.system.description.Assign("caf\xe9");
    profile.shares = {
        "\xdc"
        "bergabe"};
    Box(ALPHA, profile);
    EXPECT_EQ(RunShow(Context(true), "NAS-été"), ExitStatus::Ok);
    EXPECT_EQ(Json()["name"], "NAS-été");
    EXPECT_EQ(Json()["description"], "café");
    EXPECT_EQ(Json()["shares"][0], "Übergabe");
    // The bytes themselves are no name of the box: what is typed is UTF-8.
    out.str("");
    EXPECT_EQ(RunShow(Context(), "NAS-\xe9t\xe9"), ExitStatus::Refused);
}

TEST_F(CommandsTest, InCodePage936TheAlignedListCountsWideCharactersTwice) {
    codec = &platform::testing::TestCodec(936);
    Box(ALPHA, Profile("\xb2\xc6\xce\xf1\xb2\xbf", "10.77.0.11"));  // 财务部
    Box(BETA, Profile("NAS-Beta", "10.77.0.12"));
    EXPECT_EQ(RunDiscover(Context()), ExitStatus::Ok);
    // Three wide characters take six columns, as many as "NAS-Be": the MACs line up.
    const std::string text = out.str();
    EXPECT_NE(text.find("\n财务部    00:1a:2b:3c:4d:01"), std::string::npos) << text;
    EXPECT_NE(text.find("\nNAS-Beta  00:1a:2b:3c:4d:02"), std::string::npos) << text;
}

TEST_F(CommandsTest, TheAdministratorsNameAndPasswordAreLimitedInBytesOfTheCodePage) {
    codec = &platform::testing::TestCodec(936);
    DeviceProfile locked = Profile("NAS-Locked", "10.77.0.11");
    locked.system.passwordRequired = 1;
    locked.adminName = "\xb9\xdc\xc0\xed";      // 管理
    locked.adminPassword = "\xc3\xdc\xc2\xeb";  // 密码
    Box(ALPHA, locked);
    SystemChanges changes;
    changes.timezone = 2;
    // Nine characters: 18 bytes, more than the 16 of the field.
    EXPECT_EQ(RunSetSystem(Context(), "NAS-Locked", changes, std::string("管理管理管理管理管")),
              ExitStatus::Usage);
    EXPECT_NE(errors.str().find("more than 16 bytes in code page 936"), std::string::npos);
    EXPECT_EQ(RunSetSystem(Context(), "NAS-Locked", changes, std::string("ก")), ExitStatus::Usage);
    EXPECT_NE(errors.str().find("characters that code page 936 cannot write"), std::string::npos);
    admin.lines = {"密码密码密"};  // five characters, ten bytes
    EXPECT_EQ(RunSetSystem(Context(), "NAS-Locked", changes, std::string("管理")),
              ExitStatus::Usage);
    EXPECT_NE(errors.str().find("password has more than 8 bytes"), std::string::npos);
    EXPECT_EQ(Sent(CMD_VERIFY_ADMIN), 0);

    admin.lines = {"密码"};
    CliMessageBoxes fresh{errors};
    EXPECT_EQ(
        RunSetSystem(CliContext{net, net, fresh, zone, shell, admin, smb, *codec, &drives, out},
                     "NAS-Locked", changes, std::string("管理")),
        ExitStatus::Ok);
    EXPECT_EQ(Sent(CMD_VERIFY_ADMIN), 1);  // the box took the 936 bytes
}

// A workstation on two segments (eth0, eth1) and a router on eth0 to a third subnet, where a
// box sits that reports the address of its own network, not the one it is reached at.
class SegmentCommandsTest : public CommandsTest {
  protected:
    void SetUp() override {
        eth0 = net.AddInterface("eth0", "10.77.0.1");
        eth1 = net.AddInterface("eth1", "10.78.0.1");
        net.SetDefaultRoute(eth0);
        alpha = &Box(ALPHA, Profile("NAS-Alpha", "10.77.0.11")).OnSegment(eth0);
        DeviceProfile second = Profile("NAS-Beta", "10.78.0.11");
        second.delay = 20ms;
        beta = &Box(BETA, second).OnSegment(eth1);
        DeviceProfile routed = Profile("NAS-Far", "192.168.5.20");
        routed.delay = 30ms;
        gamma = &Box(GAMMA, routed).Behind(eth0).At("10.79.0.11");
    }
    CliContext Segments(bool json = false, std::vector<std::uint32_t> addresses = {}) {
        CliContext context = Context(json);
        context.interfaces = &net;
        context.addresses = std::move(addresses);
        return context;
    }
    // The requests after discovery: where each went and by which interface (0: none named).
    std::vector<std::pair<std::uint32_t, std::uint32_t>> Exchanges() const {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> to;
        for (const auto& sent : net.sent()) {
            if (protocol::DecodeCommand(sent.bytes) != CMD_DISCOVER) {
                to.emplace_back(sent.address, sent.via ? sent.via->interfaceIndex : 0);
            }
        }
        return to;
    }
    static int Heard(const FakeDevice* device) {
        return static_cast<int>(device->requests().size());
    }

    const std::uint32_t far = protocol::ParseIPv4("10.79.0.11").value();
    std::uint32_t eth0 = 0, eth1 = 0;
    FakeDevice *alpha = nullptr, *beta = nullptr, *gamma = nullptr;
};

TEST_F(SegmentCommandsTest, DiscoverListsEverySegmentsBoxesWithTheInterfaceTheyWereHeardOn) {
    EXPECT_EQ(RunDiscover(Segments(true)), ExitStatus::Ok);
    nlohmann::json devices = Json()["devices"];
    ASSERT_EQ(devices.size(), 2u) << devices;
    EXPECT_EQ(devices[0]["name"], "NAS-Alpha");
    EXPECT_EQ(devices[0]["route"], "eth0");
    EXPECT_EQ(devices[1]["name"], "NAS-Beta");
    EXPECT_EQ(devices[1]["route"], "eth1");
    EXPECT_EQ(Heard(gamma), 0);  // behind the router: no broadcast reaches it

    // Asked by address in the same one discovery: three requests, one collection.
    out.str("");
    const std::size_t before = net.sent().size();
    EXPECT_EQ(RunDiscover(Segments(false, {far})), ExitStatus::Ok);
    EXPECT_EQ(net.sent().size(), before + 3);
    EXPECT_EQ(net.sent().back().address, far);
    const std::string text = out.str();
    EXPECT_NE(text.find("NAME       MAC                ADDRESS       WEB PORT  INTERFACE\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("NAS-Beta   00:1a:2b:3c:4d:02  10.78.0.11    80        eth1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("NAS-Far    00:1a:2b:3c:4d:03  192.168.5.20  80        unicast\n"),
              std::string::npos)
        << text;
}

TEST_F(SegmentCommandsTest, WhenNoBoxAnswersItSaysWhereItAskedAndWhatTheLikelyCausesAre) {
    alpha->Silent(CMD_DISCOVER);
    beta->Silent(CMD_DISCOVER);
    gamma->Silent(CMD_DISCOVER);
    // Output and status stay as ever: an empty list is no failure.
    CliContext onLinuxContext = Segments(true, {far});
    onLinuxContext.system = HostSystem::Linux;
    EXPECT_EQ(RunDiscover(onLinuxContext), ExitStatus::Ok);
    EXPECT_TRUE(Json()["devices"].empty());
    EXPECT_EQ(Json()["asked"], nlohmann::json::parse(R"({"adapters": [
        {"name": "eth0", "ipAddress": "10.77.0.1"}, {"name": "eth1", "ipAddress": "10.78.0.1"}],
        "addresses": ["10.79.0.11"], "routedBroadcast": false})"));
    const std::string onLinux = errors.str();
    EXPECT_EQ(onLinux.rfind("halvoctl: no box answered; asked on 2 adapters: eth0 10.77.0.1, eth1 "
                            "10.78.0.1; and at 10.79.0.11\nhalvoctl: likely causes:\n",
                            0),
              0u)
        << onLinux;
    EXPECT_NE(onLinux.find("If a firewall is on"), std::string::npos);
    EXPECT_NE(onLinux.find("--address A"), std::string::npos);
    EXPECT_EQ(messages.Count(), 0);  // advice, not a failure

    // On Windows the firewall's own rules are the likely cause.
    errors.str("");
    out.str("");
    CliContext windows = Segments();
    windows.system = HostSystem::Windows;
    EXPECT_EQ(RunShow(windows, "NAS-Alpha"), ExitStatus::Refused);
    EXPECT_NE(errors.str().find("Prohibit unicast response to multicast or broadcast requests"),
              std::string::npos)
        << errors.str();
    EXPECT_EQ(messages.LastLine(), "halvoctl: no box answered as 'NAS-Alpha'");
}

TEST_F(SegmentCommandsTest, ANameNoBoxAnswersToIsToldWithTheAdaptersAsked) {
    EXPECT_EQ(RunShow(Segments(), "NAS-Nope"), ExitStatus::Refused);
    EXPECT_EQ(errors.str(),
              "halvoctl: asked on 2 adapters: eth0 10.77.0.1, eth1 10.78.0.1\n"
              "halvoctl: no box answered as 'NAS-Nope'\n");
}

TEST(MapFailureReasonTest, EveryErrorAMappingMeetsHasItsReasonOnTheSystemThatGivesIt) {
    // Windows: what WNetAddConnection2 gives small old boxes; Linux: what the letter table gives.
    for (const int number : {53, 67, 85, 86, 1219, 1231, 1272, 1326}) {
        EXPECT_TRUE(MapFailureReason(number, HostSystem::Windows)) << number;
    }
    for (const int number : {29, 50, 53, 67, 85, 1200, 1326}) {
        EXPECT_TRUE(MapFailureReason(number, HostSystem::Linux)) << number;
    }
    EXPECT_FALSE(MapFailureReason(1219, HostSystem::Linux));
    EXPECT_FALSE(MapFailureReason(12345, HostSystem::Windows));
    EXPECT_NE(MapFailureReason(53, HostSystem::Windows)->find("SMB1"), std::string::npos);
    EXPECT_NE(MapFailureReason(1272, HostSystem::Windows)->find("guest"), std::string::npos);
}

TEST_F(SegmentCommandsTest, EveryExchangeGoesOnlyByTheNamedBoxsOwnRoute) {
    // The box behind the router, named by the address it was asked at (not the one it reports).
    EXPECT_EQ(RunShow(Segments(true, {far}), "10.79.0.11"), ExitStatus::Ok) << errors.str();
    EXPECT_EQ(Json()["name"], "NAS-Far");
    EXPECT_EQ(Json()["route"], "unicast");
    std::vector<std::pair<std::uint32_t, std::uint32_t>> expected(5, {far, 0u});
    EXPECT_EQ(Exchanges(), expected);
    EXPECT_EQ(Heard(alpha), 1);  // its discovery request only
    EXPECT_EQ(Heard(beta), 1);

    // A box on the second segment: its broadcasts leave by eth1, none by the default route.
    out.str("");
    const std::size_t before = Exchanges().size();
    SystemChanges changes;
    changes.description = "Second floor";
    EXPECT_EQ(RunSetSystem(Segments(false, {far}), "NAS-Beta", changes, std::nullopt),
              ExitStatus::Ok)
        << errors.str();
    ASSERT_TRUE(beta->lastSystemInfo());
    EXPECT_EQ(beta->lastSystemInfo()->description.view(), "Second floor");
    const auto all = Exchanges();
    ASSERT_EQ(all.size(), before + 6);  // the detail query's five and the write
    for (std::size_t i = before; i < all.size(); ++i) {
        EXPECT_EQ(all[i], std::make_pair(protocol::BROADCAST_ADDRESS, eth1));
    }
    EXPECT_EQ(Heard(alpha), 2);
    EXPECT_EQ(Heard(gamma), 7);  // two discoveries and its own show
    EXPECT_FALSE(alpha->lastSystemInfo());
    EXPECT_FALSE(gamma->lastSystemInfo());
}

TEST_F(SegmentCommandsTest, ApplyReachesTheBoxesOfEveryRouteFromItsOneDiscovery) {
    const std::string plan = R"({"boxes": [
        {"macAddress": "00:1a:2b:3c:4d:02", "system": {"timezoneIndex": 7}},
        {"macAddress": "00:1a:2b:3c:4d:03", "network": {"ipMode": "dhcp"}}]})";
    EXPECT_EQ(RunApply(Segments(true, {far}), plan), ExitStatus::Ok) << errors.str();
    EXPECT_EQ(Sent(CMD_DISCOVER), 3);
    ASSERT_TRUE(beta->lastSystemInfo() && gamma->lastNetworkInfo());
    EXPECT_EQ(beta->lastSystemInfo()->timezoneIndex, 7);
    EXPECT_EQ(gamma->lastNetworkInfo()->ipMode, 1);
    EXPECT_EQ(Heard(alpha), 1);
    for (const auto& [address, via] : Exchanges()) {
        EXPECT_TRUE((address == far && via == 0) ||
                    (address == protocol::BROADCAST_ADDRESS && via == eth1));
    }
}

TEST(TimezoneTableTest, RowsComeFromTheSystemPageTemplateAsTheyStand) {
    const auto& rows = TimezoneRows();
    ASSERT_EQ(rows.size(), 75u);
    EXPECT_EQ(rows[9], "(GMT-06:00) Central Time (US &amp; Canda) ");
    EXPECT_EQ(rows[74], "(GMT+13:00) Nuku'alofa");
    EXPECT_EQ(TimezoneText(75), "");
    EXPECT_THROW(ReadComboItems(R"({"controls": [{"id": 1062}]})", 1062), std::runtime_error);
    EXPECT_THROW(ReadComboItems("not json", 1062), std::runtime_error);
}

TEST(CliMessageBoxesTest, EachMessageIsOneLineAndNamesItsKindOfFailure) {
    std::ostringstream errors;
    CliMessageBoxes boxes(errors);
    boxes.ShowWarning("WSACleanup failed with error 10093\n");
    boxes.ShowWarning("Time out:get share list!");
    EXPECT_EQ(errors.str(), "WSACleanup failed with error 10093\nTime out:get share list!\n");
    EXPECT_EQ(boxes.Status(), ExitStatus::NetworkFailure);
    EXPECT_EQ(StatusOfMessage("Time out:Verify name & password!"), ExitStatus::TimedOut);
    EXPECT_EQ(StatusOfMessage("Creating Server socket failed!\n"), ExitStatus::NetworkFailure);
    EXPECT_EQ(StatusOfMessage("Set network info failed!"), ExitStatus::Refused);
}

}  // namespace
}  // namespace halvo::cli
