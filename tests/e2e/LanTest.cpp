// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end: the protocol core on real sockets against simulators on a namespace LAN. Runs only
// on the workstation host of such a LAN (tests/e2e/run-on-lan.sh puts it there); anywhere else
// every test is skipped, so nothing is ever broadcast on the machine's own network.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/SystemClock.h"
#include "platform/posix/PosixSocketLayer.h"
#include "platform/testing/RecordingMessageBoxes.h"
#include "protocol/DetailQuery.h"
#include "protocol/DeviceExchange.h"
#include "protocol/DeviceRecord.h"
#include "protocol/Discovery.h"
#include "protocol/Messages.h"
#include "tests/e2e/FetchPage.h"
#include "tools/devsim/LanHosts.h"
#include "tools/devsim/NamespaceGuard.h"

namespace halvo::e2e {
namespace {

using namespace std::chrono_literals;
using namespace protocol;
using devsim::LanDevice;
using Steady = std::chrono::steady_clock;

const MacAddress MAC_NOBODY{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

// How long to listen for stray answers after the one expected: far beyond a LAN round trip.
constexpr auto LISTEN_FOR_OTHERS = 300ms;

class LanTestBase : public ::testing::Test {
  protected:
    void SetUp() override {
        if (devsim::OwnLanNamespace().empty()) {
            GTEST_SKIP() << "not on the workstation host of a test LAN (run through ctest -L e2e)";
        }
        const char* hosts = std::getenv("HALVO_LAN_HOSTS");
        ASSERT_NE(hosts, nullptr) << "HALVO_LAN_HOSTS is not set (run through lan.sh exec)";
        layout_ = devsim::ReadLanLayout(hosts);
        ASSERT_EQ(layout_.error, "");
    }

    const LanDevice& ByName(std::string_view name) const {
        for (const auto& d : layout_.devices) {
            if (d.config.name.view() == name) {
                return d;
            }
        }
        ADD_FAILURE() << "no device " << name << " on this LAN";
        return layout_.devices.front();
    }

    static std::unique_ptr<DeviceRecord> RecordOf(const LanDevice& d) {
        auto record = std::make_unique<DeviceRecord>();
        record->macAddress = d.config.mac;
        record->name = d.config.name;
        record->ipAddress = d.config.network.ipAddress;
        record->webPort = d.config.webPort;
        return record;
    }

    // Every record one discovery hands over, and how long it ran.
    struct Found {
        DiscoveryResult result;
        std::vector<std::unique_ptr<DeviceRecord>> records;
        Steady::duration elapsed{};
    };
    Found RunDiscovery() {
        Found found;
        const auto start = Steady::now();
        found.result = Discover(context_, [&](std::unique_ptr<DeviceRecord> record) {
            found.records.push_back(std::move(record));
        });
        found.elapsed = Steady::now() - start;
        return found;
    }

    // Sends `request` on a socket of its own and collects every datagram for `listen`.
    std::vector<Reply> Collect(const Request& request, std::chrono::milliseconds listen) {
        std::vector<Reply> replies;
        DeviceExchange exchange(context_);
        if (!exchange.Open(platform::SOCKET_VERSION_2_2)) {
            ADD_FAILURE() << "cannot open a socket";
            return replies;
        }
        exchange.Send(request);
        const auto end = Steady::now() + listen;
        for (auto now = Steady::now(); now < end; now = Steady::now()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now);
            Reply reply;
            if (sockets_.WaitReadable(exchange.socket(), left) && exchange.Receive(reply)) {
                replies.push_back(reply);
            }
        }
        exchange.Close();
        return replies;
    }

    platform::PosixSocketLayer sockets_;
    platform::SystemClock clock_;
    platform::testing::RecordingMessageBoxes messages_;
    ProtocolContext context_{sockets_, clock_, messages_};
    devsim::LanLayout layout_;
};

class Lan : public LanTestBase {};
class Flood : public LanTestBase {};

// Discovery behind the workstation's own firewall; tests/e2e/firewall-on-lan.sh sets the rules
// and says which of these to run, by HALVO_FIREWALL (closed: input policy drop; readme: with the
// README's rule added).
class Firewall : public LanTestBase {
  protected:
    void SetUp() override {
        const char* state = std::getenv("HALVO_FIREWALL");
        if (state == nullptr) {
            GTEST_SKIP() << "needs the firewall of tests/e2e/firewall-on-lan.sh";
        }
        state_ = state;
        LanTestBase::SetUp();
    }
    std::string state_;
};

TEST_F(Lan, DiscoveryFindsEveryDeviceOnEveryHost) {
    const Found found = RunDiscovery();
    EXPECT_TRUE(found.result.ran);
    EXPECT_FALSE(found.result.capped);
    EXPECT_EQ(found.result.ignored, 0);
    EXPECT_TRUE(messages_.Warnings().empty());
    ASSERT_EQ(found.records.size(), layout_.devices.size());
    std::map<MacAddress, const DeviceRecord*> byMac;
    for (const auto& r : found.records) {
        byMac[r->macAddress] = r.get();
    }
    ASSERT_EQ(byMac.size(), layout_.devices.size()) << "a device answered twice";
    for (const LanDevice& d : layout_.devices) {
        ASSERT_EQ(byMac.count(d.config.mac), 1u) << d.config.name.view();
        const DeviceRecord& r = *byMac[d.config.mac];
        EXPECT_EQ(r.name.view(), d.config.name.view());
        EXPECT_EQ(r.ipAddress.view(), d.hostAddress);
        EXPECT_EQ(r.webPort, d.config.webPort);
        // Only discovery's fields are filled.
        EXPECT_TRUE(r.description.empty());
    }
    // The name that fills its 16 bytes arrives whole and terminated.
    EXPECT_EQ(byMac[ByName("ABCDEFGHIJKLMNOP").config.mac]->name.view(), "ABCDEFGHIJKLMNOP");
}

TEST_F(Lan, AnAddressedRequestIsAnsweredByItsDeviceAlone) {
    for (const LanDevice& d : layout_.devices) {
        if (d.config.faults.silent.Has(CMD_GET_SYSTEM_INFO)) {
            continue;
        }
        const auto replies = Collect(EncodeGetSystemInfo(d.config.mac), LISTEN_FOR_OTHERS);
        ASSERT_EQ(replies.size(), 1u) << d.config.name.view();
        const auto sys = DecodeSystemInfoReply(replies[0].bytes());
        ASSERT_TRUE(sys) << d.config.name.view();
        EXPECT_EQ(sys->firmwareVersion.view(), d.config.firmwareVersion.view());
        EXPECT_EQ(sys->block.description.view(), d.config.system.description.view());
    }
    EXPECT_TRUE(Collect(EncodeGetSystemInfo(MAC_NOBODY), LISTEN_FOR_OTHERS).empty());
}

// What the detail query shows, as the main window would.
class RecordingView final : public DetailView {
  public:
    void ClearDetails() override { ++clears; }
    void ShowBasicInformation(std::string_view firmware, std::string_view description,
                              std::string_view mac, std::string_view ip,
                              std::string_view status) override {
        basic = {std::string(firmware), std::string(description), std::string(mac), std::string(ip),
                 std::string(status)};
    }
    void ShowVolumes(const std::vector<VolumeRow>& shown) override { rows = shown; }
    void EnableDeviceButtons() override { enabled = true; }

    int clears = 0;
    std::vector<std::string> basic;
    std::vector<VolumeRow> rows;
    bool enabled = false;
};

// The detail query on real sockets, against the box with 45 shares.
TEST_F(Lan, DetailQueryCompletesTheRecord) {
    const LanDevice& many = ByName("NAS-Many");
    auto record = RecordOf(many);
    RecordingView view;
    ASSERT_EQ(RunDetailQuery(context_, *record, view), DetailQueryResult::Completed);
    EXPECT_TRUE(messages_.Warnings().empty());
    EXPECT_TRUE(view.enabled);
    EXPECT_EQ(view.basic, (std::vector<std::string>{
                              FormatFirmwareVersion(many.config.firmwareVersion),
                              std::string(many.config.system.description.view()),
                              FormatMacAddress(many.config.mac), many.hostAddress, "Static ip"}));
    EXPECT_EQ(record->shareCount, 45);
    ASSERT_EQ(record->shares.size(), many.config.shares.size());
    for (std::size_t i = 0; i < record->shares.size(); ++i) {
        EXPECT_EQ(record->shares[i].name.view(), many.config.shares[i].name.view());
    }
    ASSERT_EQ(view.rows.size(), many.config.volumes.size());
    EXPECT_EQ(view.rows[1], FormatVolumeRow(many.config.volumes[1]));
    EXPECT_EQ(sockets_.startedCount(), 0);
}

TEST_F(Lan, TextsThatFillTheirFieldsArriveWhole) {
    const LanDevice& full = ByName("ABCDEFGHIJKLMNOP");
    const auto replies = Collect(EncodeGetSystemInfo(full.config.mac), LISTEN_FOR_OTHERS);
    ASSERT_EQ(replies.size(), 1u);
    auto record = RecordOf(full);
    ASSERT_TRUE(ApplySystemInfoReply(*record, replies[0].bytes()));
    EXPECT_EQ(record->description.view().size(), 64u);
    EXPECT_EQ(record->description.view(), full.config.system.description.view());
    const auto page = Collect(EncodeGetSharePage(full.config.mac, 0), LISTEN_FOR_OTHERS);
    ASSERT_EQ(page.size(), 1u);
    ASSERT_TRUE(ApplySharePageReply(*record, page[0].bytes(), 0));
    ASSERT_EQ(record->shares.size(), 2u);
    EXPECT_EQ(record->shares[0].name.view().size(), 36u);
}

TEST_F(Lan, SetRequestsChangeWhatTheNextGetReturns) {
    const LanDevice& gamma = ByName("NAS-Gamma");
    auto record = RecordOf(gamma);

    SystemInfoBlock system;
    system.passwordRequired = 1;
    system.description.Assign("Moved to the lab, second floor");
    system.date.Assign("20060305");
    system.time.Assign("140709");
    system.timezoneIndex = 20;
    EXPECT_EQ(SendSystemInfo(context_, *record, system), StatusOutcome::Accepted);

    NetworkInfoBlock network;
    network.ipMode = 0;
    network.ipAddress.Assign("10.77.0.99");
    network.subnetMask.Assign("255.255.255.0");
    network.gateway.Assign("10.77.0.1");
    network.primaryDns.Assign("10.77.0.2");
    network.secondaryDns.Assign("10.77.0.3");
    EXPECT_EQ(SendNetworkInfo(context_, *record, network), StatusOutcome::Accepted);
    EXPECT_TRUE(messages_.Warnings().empty());

    const auto sys = Collect(EncodeGetSystemInfo(record->macAddress), LISTEN_FOR_OTHERS);
    ASSERT_EQ(sys.size(), 1u);
    ASSERT_TRUE(ApplySystemInfoReply(*record, sys[0].bytes()));
    EXPECT_EQ(record->description.view(), "Moved to the lab, second floor");
    EXPECT_EQ(record->passwordRequired, 1);
    EXPECT_EQ(record->timezoneIndex, 20);
    EXPECT_EQ(record->date.view(), "20060305");  // the live clock runs on from the time set
    EXPECT_EQ(record->time.view().substr(0, 3), "140");

    const auto net = Collect(EncodeGetNetworkInfo(record->macAddress), LISTEN_FOR_OTHERS);
    ASSERT_EQ(net.size(), 1u);
    ASSERT_TRUE(ApplyNetworkInfoReply(*record, net[0].bytes()));
    EXPECT_EQ(record->ipMode, 0);
    EXPECT_EQ(record->ipAddress.view(), "10.77.0.99");
    EXPECT_EQ(record->secondaryDns.view(), "10.77.0.3");

    // Put the address back, so that discovery keeps reporting the host's own address.
    EXPECT_EQ(SendNetworkInfo(context_, *record, gamma.config.network), StatusOutcome::Accepted);
    const auto back = Collect(EncodeGetNetworkInfo(record->macAddress), LISTEN_FOR_OTHERS);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(DecodeNetworkInfoReply(back[0].bytes())->ipAddress.view(), gamma.hostAddress);
}

TEST_F(Lan, AdministratorCheckAcceptsOnlyTheConfiguredCredentials) {
    const LanDevice& locked = ByName("NAS-Locked");
    const auto record = RecordOf(locked);
    EXPECT_EQ(VerifyAdmin(context_, *record, locked.config.adminName.view(),
                          locked.config.adminPassword.view()),
              StatusOutcome::Accepted);
    EXPECT_TRUE(messages_.Warnings().empty());
    EXPECT_EQ(VerifyAdmin(context_, *record, locked.config.adminName.view(), "wrong"),
              StatusOutcome::Refused);
    EXPECT_EQ(messages_.Warnings(), std::vector<std::string>{std::string(MSG_VERIFY_FAILED)});
}

TEST_F(Lan, SilentDeviceGivesTheTimeoutMessage) {
    const LanDevice& mute = ByName("NAS-Mute");
    const auto record = RecordOf(mute);
    // The check with its own figures: 20 polls of 200 ms.
    EXPECT_EQ(VerifyAdmin(context_, *record, "admin", "admin"), StatusOutcome::TimedOut);
    EXPECT_EQ(messages_.Warnings(), std::vector<std::string>{std::string(MSG_TIMEOUT_VERIFY)});

    // A detail step, its poll limit shortened to keep the test short.
    ExchangeFigures figures = SYSTEM_INFO_EXCHANGE;
    figures.pollLimit = 10;
    DeviceExchange exchange(context_);
    ASSERT_TRUE(exchange.Open(platform::SOCKET_VERSION_2_2));
    Reply reply;
    EXPECT_EQ(exchange.Transact(EncodeGetSystemInfo(record->macAddress), figures, reply),
              TransactResult::Timeout);
    exchange.Close();
    ASSERT_EQ(messages_.Warnings().size(), 2u);
    EXPECT_EQ(messages_.Warnings()[1], MSG_TIMEOUT_SYSTEM_INFO);
    EXPECT_EQ(sockets_.startedCount(), 0);
}

TEST_F(Lan, WebPageOnTheDevicesWebPortNamesIt) {
    for (const char* name : {"NAS-Alpha", "NAS-Beta"}) {
        const LanDevice& d = ByName(name);
        const std::string page = FetchPage(d.hostAddress, d.config.webPort);
        EXPECT_EQ(page.rfind("HTTP/1.0 200 OK", 0), 0u) << name << " port " << d.config.webPort;
        EXPECT_NE(page.find(std::string(name)), std::string::npos);
        EXPECT_NE(page.find(d.hostAddress), std::string::npos);
        const auto& fw = d.config.firmwareVersion.bytes;
        const std::string shown = std::string("V") + fw[0] + fw[1] + "R" + fw[2] + fw[3];
        EXPECT_NE(page.find(shown), std::string::npos) << page;
    }
}

// Every discovery makes the flooding host send 5000 strays, one a millisecond, for 5 seconds.
TEST_F(Flood, FloodingHostDoesNotKeepDiscoveryOpenPastItsCap) {
    for (const auto cap : {1500ms, 4000ms}) {
        SCOPED_TRACE(std::to_string(cap.count()) + " ms cap");
        context_.discoveryCap = cap;
        const Found found = RunDiscovery();
        EXPECT_LT(found.elapsed, cap + 1s);
        // The strays did arrive while the collection ran, and none became a record.
        EXPECT_GT(found.result.ignored, 100);
        EXPECT_EQ(found.records.size(), layout_.devices.size());
        if (cap < 2s) {
            EXPECT_TRUE(found.result.capped);  // the cap ends it before the 20 empty polls
        }
    }
}

TEST_F(Firewall, ClosedInputFindsNoBoxAndReadmeRuleFindsThemAll) {
    const Found found = RunDiscovery();
    EXPECT_TRUE(found.result.ran);
    if (state_ == "closed") {
        // The replies come from the boxes' port 1638 to our port: not replies to the broadcast
        // in the connection tracker's eyes, so a stateful firewall drops them.
        EXPECT_EQ(found.records.size(), 0u);
    } else {
        ASSERT_EQ(state_, "readme");
        ASSERT_GT(layout_.devices.size(), 0u);
        EXPECT_EQ(found.records.size(), layout_.devices.size());
    }
}

}  // namespace
}  // namespace halvo::e2e
