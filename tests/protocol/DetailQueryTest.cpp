// SPDX-License-Identifier: GPL-3.0-or-later
// The detail query on the fake network: what each step copies into the record, the share pages
// asked for, the panes shown, and the timeout of every step, after which the record is left alone.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/testing/RecordingMessageBoxes.h"
#include "protocol/DetailQuery.h"
#include "protocol/DeviceRecord.h"
#include "protocol/testing/FakeNetwork.h"

namespace halvo::protocol {
namespace {

using namespace std::chrono_literals;
using platform::SocketType;
using protocol::testing::FakeDevice;
using protocol::testing::FakeNetwork;
using protocol::testing::MakeVolume;
using Strings = std::vector<std::string>;

const MacAddress MAC{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

// Records every call, in order.
class RecordingView final : public DetailView {
  public:
    void ClearDetails() override { calls.push_back("Clear"); }
    void ShowBasicInformation(std::string_view firmwareVersion, std::string_view description,
                              std::string_view macAddress, std::string_view ipAddress,
                              std::string_view ipStatus) override {
        calls.push_back("Basic");
        basic = {std::string(firmwareVersion), std::string(description), std::string(macAddress),
                 std::string(ipAddress), std::string(ipStatus)};
    }
    void ShowVolumes(const std::vector<VolumeRow>& shown) override {
        calls.push_back("Volumes");
        rows = shown;
    }
    void EnableDeviceButtons() override { calls.push_back("Enable"); }

    Strings calls;
    Strings basic;
    std::vector<VolumeRow> rows;
};

// Message boxes that free the record the moment a timeout is shown: whatever the query does to
// the record after that is a use after free for the sanitizer build.
class FreeingBoxes final : public platform::MessageBoxes {
  public:
    explicit FreeingBoxes(std::unique_ptr<DeviceRecord>& record) : record_(record) {}
    void ShowWarning(std::string_view text) override {
        warnings.emplace_back(text);
        if (text.starts_with("Time out:")) {
            record_.reset();
        }
    }
    void ShowInformation(platform::WindowHandle, std::string_view, std::string_view) override {}

    Strings warnings;

  private:
    std::unique_ptr<DeviceRecord>& record_;
};

std::vector<std::string> ShareNames(int n) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) {
        names.push_back("share" + std::to_string(i));
    }
    return names;
}

protocol::testing::DeviceProfile Profile(int shares) {
    protocol::testing::DeviceProfile p;
    p.name = "NAS-OFFICE";
    p.ipAddress = "192.168.1.20";
    p.firmwareVersion = "1203";
    p.system.passwordRequired = 1;
    p.system.description.Assign("Office storage");
    p.system.date.Assign("20060305");
    p.system.time.Assign("140709");
    p.system.timezoneIndex = 20;
    p.network.ipMode = 0;
    p.network.subnetMask.Assign("255.255.255.0");
    p.network.gateway.Assign("192.168.1.1");
    p.network.primaryDns.Assign("10.0.0.53");
    p.network.secondaryDns.Assign("10.0.0.54");
    p.shares = ShareNames(shares);
    p.volumes = {MakeVolume("usbdisk1", "sda1", "FAT32", 512, 37)};
    return p;
}

class DetailQueryTest : public ::testing::Test {
  protected:
    DetailQueryTest() {
        // As discovery leaves it.
        record.macAddress = MAC;
        record.name.Assign("NAS-OFFICE");
        record.ipAddress.Assign("192.168.1.99");
        record.webPort = 80;
    }

    DetailQueryResult Run() { return RunDetailQuery(ctx, record, view); }

    // Page indexes of the page requests sent, in order.
    std::vector<int> PagesAsked() const {
        std::vector<int> pages;
        for (const auto& s : net.sent()) {
            if (const auto p = DecodeSharePageRequest(s.bytes)) {
                pages.push_back(*p);
            }
        }
        return pages;
    }
    Strings RecordShares() const {
        Strings names;
        for (const auto& s : record.shares) {
            names.push_back(s.name.str());
        }
        return names;
    }
    void ExpectReleased() {
        EXPECT_EQ(net.OpenSockets(), 0);
        EXPECT_EQ(net.LayerUses(), 0);
        EXPECT_EQ(net.misuses(), 0);
        EXPECT_EQ(net.SocketsOpened(SocketType::Datagram), 1);  // one socket for every step
        EXPECT_EQ(net.startupVersions(), std::vector<std::uint16_t>{0x0202});
    }

    FakeNetwork net;
    platform::testing::RecordingMessageBoxes boxes;
    ProtocolContext ctx{net, net, boxes};
    DeviceRecord record;
    RecordingView view;
};

TEST_F(DetailQueryTest, CompletesTheRecordAndShowsEverything) {
    net.AddDevice(MAC).Serve(Profile(45));
    record.shares.resize(3);  // from an earlier query: replaced
    EXPECT_EQ(Run(), DetailQueryResult::Completed);

    EXPECT_EQ(view.calls, (Strings{"Clear", "Basic", "Volumes", "Enable"}));
    EXPECT_EQ(view.basic, (Strings{"V12R03", "Office storage", "00:1a:2b:3c:4d:5e", "192.168.1.20",
                                   "Static ip"}));
    EXPECT_EQ(view.rows, (std::vector<VolumeRow>{{"usbdisk1", "sda1", "FAT32", "512", "37%"}}));
    EXPECT_TRUE(boxes.Warnings().empty());

    EXPECT_EQ(record.firmwareVersion.view(), "1203");
    EXPECT_EQ(record.passwordRequired, 1);
    EXPECT_EQ(record.description.view(), "Office storage");
    EXPECT_EQ(record.date.view(), "20060305");
    EXPECT_EQ(record.time.view(), "140709");
    EXPECT_EQ(record.timezoneIndex, 20);
    EXPECT_EQ(record.ipMode, 0);
    EXPECT_EQ(record.ipAddress.view(), "192.168.1.20");  // the network reply's, not discovery's
    EXPECT_EQ(record.subnetMask.view(), "255.255.255.0");
    EXPECT_EQ(record.gateway.view(), "192.168.1.1");
    EXPECT_EQ(record.primaryDns.view(), "10.0.0.53");
    EXPECT_EQ(record.secondaryDns.view(), "10.0.0.54");
    EXPECT_EQ(record.shareCount, 45);
    EXPECT_EQ(RecordShares(), ShareNames(45));
    // Untouched: the name, the MAC and the web port come from discovery only.
    EXPECT_EQ(record.name.view(), "NAS-OFFICE");
    EXPECT_EQ(record.webPort, 80);

    const std::vector<std::uint16_t> commands = {16, 18, 32, 33, 33, 33, 20};
    EXPECT_EQ(net.SentCommands(), commands);
    EXPECT_EQ(PagesAsked(), (std::vector<int>{0, 1, 2}));
    for (const auto& s : net.sent()) {
        EXPECT_EQ(s.bytes.size(), DecodeSharePageRequest(s.bytes) ? 13u : 12u);
        EXPECT_EQ(DecodeHeader(s.bytes)->deviceMac, MAC);
    }
    ExpectReleased();
}

TEST_F(DetailQueryTest, SharePagesFollowTheCount) {
    struct Case {
        int shares;
        std::vector<int> pages;
    };
    for (const auto& c :
         {Case{0, {}}, Case{1, {0}}, Case{20, {0, 1}}, Case{40, {0, 1, 2}}, Case{45, {0, 1, 2}}}) {
        FakeNetwork n;
        platform::testing::RecordingMessageBoxes b;
        n.AddDevice(MAC).Serve(Profile(c.shares));
        DeviceRecord r = record;
        r.shares.resize(5);  // stale entries of an earlier query
        RecordingView v;
        EXPECT_EQ(RunDetailQuery({n, n, b}, r, v), DetailQueryResult::Completed);
        std::vector<int> pages;
        for (const auto& s : n.sent()) {
            if (const auto p = DecodeSharePageRequest(s.bytes)) {
                pages.push_back(*p);
            }
        }
        EXPECT_EQ(pages, c.pages) << c.shares << " shares";
        EXPECT_EQ(r.shares.size(), static_cast<std::size_t>(c.shares));
        EXPECT_EQ(r.shareCount, c.shares);
    }
}

TEST_F(DetailQueryTest, ANegativeCountAsksForNoPage) {
    net.AddDevice(MAC).Serve(Profile(10)).Reply(CMD_GET_SHARE_COUNT, EncodeShareCountReply(-5));
    record.shares.resize(2);
    EXPECT_EQ(Run(), DetailQueryResult::Completed);
    EXPECT_EQ(record.shareCount, -5);
    EXPECT_TRUE(PagesAsked().empty());
    EXPECT_TRUE(record.shares.empty());
}

TEST_F(DetailQueryTest, APageEchoingAnotherIndexAddsNothing) {
    auto profile = Profile(45);
    auto& device = net.AddDevice(MAC).Serve(profile);
    const auto names = ShareNames(45);
    device.OnCommand(CMD_GET_SHARE_PAGE, [&](std::span<const std::uint8_t> request) {
        const auto page = *DecodeSharePageRequest(request);
        std::vector<std::string_view> pageNames;
        for (std::size_t i = page * 20u; i < names.size() && pageNames.size() < 20; ++i) {
            pageNames.push_back(names[i]);
        }
        // Page 1 is answered as if it were page 2.
        return EncodeSharePageReply(page == 1 ? 2 : page, pageNames);
    });
    EXPECT_EQ(Run(), DetailQueryResult::Completed);
    EXPECT_EQ(PagesAsked(), (std::vector<int>{0, 1, 2}));  // page 2 at once, page 1 never again
    Strings expected(names.begin(), names.begin() + 20);
    expected.insert(expected.end(), names.begin() + 40, names.end());
    EXPECT_EQ(RecordShares(), expected);
    EXPECT_EQ(record.shareCount, 45);
    EXPECT_TRUE(boxes.Warnings().empty());
}

// A reply with another command at each step: that step copies nothing and the query goes on.
TEST_F(DetailQueryTest, AnotherCommandAtEachStepCopiesNothing) {
    const Bytes foreign = EncodeStatusReply(CMD_VERIFY_ADMIN, 0);
    const std::uint16_t steps[] = {CMD_GET_SYSTEM_INFO, CMD_GET_NETWORK_INFO, CMD_GET_SHARE_COUNT,
                                   CMD_GET_SHARE_PAGE, CMD_GET_VOLUME_INFO};
    for (const auto step : steps) {
        SCOPED_TRACE(step);
        FakeNetwork n;
        platform::testing::RecordingMessageBoxes b;
        n.AddDevice(MAC).Serve(Profile(25)).Reply(step, foreign);
        DeviceRecord r = record;
        // Values of an earlier query, to see what each step leaves alone.
        r.firmwareVersion.Assign("0901");
        r.description.Assign("old description");
        r.ipMode = 1;
        r.shareCount = 3;
        RecordingView v;
        EXPECT_EQ(RunDetailQuery({n, n, b}, r, v), DetailQueryResult::Completed);
        EXPECT_TRUE(b.Warnings().empty());

        const bool system = step != CMD_GET_SYSTEM_INFO;
        const bool network = step != CMD_GET_NETWORK_INFO;
        EXPECT_EQ(v.basic, (Strings{system ? "V12R03" : "V09R01",
                                    system ? "Office storage" : "old description",
                                    "00:1a:2b:3c:4d:5e", network ? "192.168.1.20" : "192.168.1.99",
                                    network ? "Static ip" : "DHCP"}));
        // A count reply gone astray keeps the earlier count of 3, so page 0 alone is asked for
        // and its 20 names make the new list.
        const bool count = step != CMD_GET_SHARE_COUNT;
        EXPECT_EQ(r.shareCount, count ? 25 : 3);
        const std::size_t shares = step == CMD_GET_SHARE_PAGE ? 0u : (count ? 25u : 20u);
        EXPECT_EQ(r.shares.size(), shares);
        const bool volumes = step != CMD_GET_VOLUME_INFO;
        EXPECT_EQ(v.calls, volumes ? (Strings{"Clear", "Basic", "Volumes", "Enable"})
                                   : (Strings{"Clear", "Basic", "Enable"}));
        EXPECT_EQ(n.OpenSockets(), 0);
        EXPECT_EQ(n.LayerUses(), 0);
    }
}

TEST_F(DetailQueryTest, ALateDuplicateIsTakenByTheNextStep) {
    // The system-info reply comes twice; the copy lands in the network step, which then copies
    // nothing, and every later step takes the previous step's reply.
    auto& device = net.AddDevice(MAC).Serve(Profile(0));
    device.ReplyTwice(CMD_GET_SYSTEM_INFO, EncodeSystemInfoReply("1203", Profile(0).system), 10ms,
                      15ms);
    EXPECT_EQ(Run(), DetailQueryResult::Completed);
    EXPECT_EQ(view.basic[0], "V12R03");
    EXPECT_EQ(view.basic[3], "192.168.1.99");  // still the address discovery found
    EXPECT_EQ(record.subnetMask.view(), "");
    EXPECT_TRUE(view.rows.empty());  // the volume step took the share-count reply
    EXPECT_TRUE(boxes.Warnings().empty());
}

TEST_F(DetailQueryTest, IpStatusFollowsTheMode) {
    for (const auto& [mode, text] :
         {std::pair<int, std::string>{0, "Static ip"}, {1, "DHCP"}, {2, ""}, {255, ""}}) {
        FakeNetwork n;
        platform::testing::RecordingMessageBoxes b;
        auto profile = Profile(0);
        profile.network.ipMode = static_cast<std::uint8_t>(mode);
        n.AddDevice(MAC).Serve(profile);
        DeviceRecord r = record;
        RecordingView v;
        RunDetailQuery({n, n, b}, r, v);
        EXPECT_EQ(v.basic.at(4), text) << mode;
        EXPECT_EQ(r.ipMode, mode);
    }
}

TEST_F(DetailQueryTest, SetUpFailureClearsThePanesAndStops) {
    net.FailStartup(10091);
    net.AddDevice(MAC).Serve(Profile(3));
    EXPECT_EQ(Run(), DetailQueryResult::SetupFailed);
    EXPECT_EQ(view.calls, Strings{"Clear"});
    EXPECT_EQ(boxes.Warnings(), Strings{"Network communication failed with error 10091\n"});
    EXPECT_TRUE(net.sent().empty());

    FakeNetwork n;
    platform::testing::RecordingMessageBoxes b;
    n.FailOpen(SocketType::Datagram);
    RecordingView v;
    EXPECT_EQ(RunDetailQuery({n, n, b}, record, v), DetailQueryResult::SetupFailed);
    EXPECT_EQ(b.Warnings(), Strings{"Network communication failed with error 0\n"});
    EXPECT_EQ(n.LayerUses(), 0);
    EXPECT_EQ(record.description.view(), "");
}

TEST_F(DetailQueryTest, BroadcastAndReleaseFailuresAreShownAndTheQueryCompletes) {
    net.FailBroadcast();
    net.FailCleanup(10050);
    net.AddDevice(MAC).Serve(Profile(3));
    EXPECT_EQ(Run(), DetailQueryResult::Completed);
    EXPECT_EQ(boxes.Warnings(), (Strings{"Network communication failed with error -1\n",
                                         "WSACleanup failed with error 10050\n"}));
    EXPECT_EQ(view.calls.back(), "Enable");
    EXPECT_EQ(record.shares.size(), 3u);
}

// ---- Timeouts ----------------------------------------------------------------------------------

struct TimeoutCase {
    const char* step;
    std::function<void(FakeDevice&)> silence;
    std::string message;
    std::vector<std::uint16_t> sent;
    Strings calls;
};

TEST(DetailQueryTimeout, EachStepShowsItsMessageAndLeavesTheRecordAlone) {
    // Page 1 of 45 shares is the silent one in the page case.
    const auto silentPage1 = [](FakeDevice& d) {
        d.On(CMD_GET_SHARE_PAGE, [](std::span<const std::uint8_t> request) {
            const auto page = *DecodeSharePageRequest(request);
            std::vector<protocol::testing::Answer> answers;
            if (page != 1) {
                answers.push_back({EncodeSharePageReply(page, {"a", "b"}), 10ms});
            }
            return answers;
        });
    };
    const std::vector<TimeoutCase> cases = {
        {"system",
         [](FakeDevice& d) { d.Silent(CMD_GET_SYSTEM_INFO); },
         "Time out:get system info!",
         {16},
         {"Clear"}},
        {"network",
         [](FakeDevice& d) { d.Silent(CMD_GET_NETWORK_INFO); },
         "Time out:get network info!",
         {16, 18},
         {"Clear"}},
        {"count",
         [](FakeDevice& d) { d.Silent(CMD_GET_SHARE_COUNT); },
         "Time out:get share number!",
         {16, 18, 32},
         {"Clear", "Basic"}},
        {"page", silentPage1, "Time out:get share list!", {16, 18, 32, 33, 33}, {"Clear", "Basic"}},
        {"volume",
         [](FakeDevice& d) { d.Silent(CMD_GET_VOLUME_INFO); },
         "Time out:get share number!",
         {16, 18, 32, 33, 33, 33, 20},
         {"Clear", "Basic"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        FakeNetwork net;
        auto record = std::make_unique<DeviceRecord>();
        record->macAddress = MAC;
        FreeingBoxes boxes(record);
        RecordingView view;
        c.silence(net.AddDevice(MAC).Serve(Profile(45)));

        // The query gets a reference; the record is freed while the timeout message is up.
        DeviceRecord& borrowed = *record;
        EXPECT_EQ(RunDetailQuery({net, net, boxes}, borrowed, view), DetailQueryResult::TimedOut);
        EXPECT_EQ(record, nullptr);
        EXPECT_EQ(boxes.warnings, Strings{c.message});
        EXPECT_EQ(net.SentCommands(), c.sent);
        EXPECT_EQ(view.calls, c.calls);  // the buttons are not enabled
        EXPECT_EQ(net.OpenSockets(), 0);
        EXPECT_EQ(net.LayerUses(), 0);
        EXPECT_EQ(net.misuses(), 0);
        // The silent step waited its full 200 slots of 100 ms.
        EXPECT_GE(net.Elapsed(), 20s);
        EXPECT_LT(net.Elapsed(), 20s + 100ms);
    }
}

// ---- Formatting --------------------------------------------------------------------------------

TEST(DetailFormatting, FirmwareMacAndIpStatus) {
    FixedText<4> firmware;
    firmware.Assign("1203");
    EXPECT_EQ(FormatFirmwareVersion(firmware), "V12R03");
    firmware.Assign("12");
    EXPECT_EQ(FormatFirmwareVersion(firmware), "V12R");  // ends where the version does
    firmware.Clear();
    EXPECT_EQ(FormatFirmwareVersion(firmware), "V");

    EXPECT_EQ(FormatMacAddress({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), "00:1a:2b:3c:4d:5e");
    EXPECT_EQ(FormatMacAddress({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), "ff:ff:ff:ff:ff:ff");

    EXPECT_EQ(IpStatusText(0), "Static ip");
    EXPECT_EQ(IpStatusText(1), "DHCP");
    EXPECT_EQ(IpStatusText(2), "");
}

TEST(DetailFormatting, VolumeColumns) {
    VolumeEntry v;
    v.shareName.Assign(std::string(36, 's'));
    v.deviceId.Assign(std::string(16, 'd'));
    v.fsType.Assign(std::string(10, 'f'));
    v.totalSizeMb = 512;
    v.freePercent = 37;
    EXPECT_EQ(FormatVolumeRow(v), (VolumeRow{std::string(36, 's'), std::string(16, 'd'),
                                             std::string(10, 'f'), "512", "37%"}));
    v.totalSizeMb = -2147483647 - 1;
    v.freePercent = -1;  // signed on the wire
    EXPECT_EQ(FormatVolumeRow(v).totalSizeMb, "-2147483648");
    EXPECT_EQ(FormatVolumeRow(v).freeSpace, "-1%");
}

}  // namespace
}  // namespace halvo::protocol
