// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end on the LAN of several segments (lan.sh up --multi): boxes on both of the
// workstation's segments found once each while a tunnel holds the default route, a box of the
// second segment queried and written without a request reaching the first, a box behind the
// router added by address, an interface taken down before a selection, and (run as an ordinary
// user) the same discovery without privileges. The simulators log every request they see.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "GuiLanSupport.h"
#include "app/AddDeviceDialog.h"
#include "platform/posix/PosixNetworkInterfaces.h"
#include "protocol/DeviceExchange.h"
#include "protocol/Messages.h"
#include "ui/qt/QtBackend.h"

namespace halvo::e2e {
namespace {

using Steady = std::chrono::steady_clock;

bool OnSubnet(const LanDevice& d, std::string_view prefix) {
    return d.hostAddress.rfind(prefix, 0) == 0;
}

class GuiSegments : public GuiLanBase {
  protected:
    void SetUp() override {
        GuiLanBase::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        context_.interfaces = &interfaces_;
        const std::string hosts = std::getenv("HALVO_LAN_HOSTS");
        logDir_ = hosts.substr(0, hosts.rfind('/'));
        if (std::getenv("HALVO_E2E_USER") != nullptr) {
            ASSERT_NE(geteuid(), 0u) << "meant to run as an ordinary user";
        }
    }

    QStringList NamesOn(std::initializer_list<std::string_view> prefixes) const {
        QStringList names;
        for (const auto& d : layout_.devices) {
            for (auto prefix : prefixes) {
                if (OnSubnet(d, prefix)) {
                    names << Q(d.config.name.view());
                }
            }
        }
        return Sorted(names);
    }
    const LanDevice& FirstOn(std::string_view prefix) const {
        for (const auto& d : layout_.devices) {
            if (OnSubnet(d, prefix)) {
                return d;
            }
        }
        ADD_FAILURE() << "no device host on " << prefix;
        return layout_.devices.front();
    }

    // What each device host's simulator has logged so far, by host.
    std::map<int, std::string> Logs() const {
        std::map<int, std::string> logs;
        for (const auto& h : layout_.hosts) {
            std::ifstream in(logDir_ + "/d" + std::to_string(h.index) + ".log");
            std::stringstream text;
            text << in.rdbuf();
            logs[h.index] = text.str();
        }
        return logs;
    }
    // The requests logged since `before`, by host.
    std::map<int, std::string> LoggedSince(const std::map<int, std::string>& before) const {
        std::map<int, std::string> added;
        for (const auto& [host, text] : Logs()) {
            const auto it = before.find(host);
            const std::size_t from = it == before.end() ? 0 : it->second.size();
            added[host] = text.size() > from ? text.substr(from) : std::string();
        }
        return added;
    }

    // The record's own system settings written back, as the wizard's system page does.
    protocol::StatusOutcome WriteSystemInfo(const protocol::DeviceRecord& record) {
        protocol::SystemInfoBlock block;
        block.passwordRequired = record.passwordRequired;
        block.description = record.description;
        block.date = record.date;
        block.time = record.time;
        block.timezoneIndex = record.timezoneIndex;
        return protocol::SendSystemInfo(context_.Protocol(), record, block);
    }

    void AddByAddress(MainDialog& main, const std::string& address) {
        auto done = WhenActive<app::AddDeviceDialog>(
            [address](app::AddDeviceDialog* d) {
                EndOnExit end(d);
                d->ControlAs<ui::qt::QtIpAddressControl>(app::IDC_DEVICE_ADDRESS)
                    ->SetAddress(address);
                Click(*d, ui::IDOK);
            },
            5000, armed_.get());
        main.SendSysCommand(app::IDM_ADD_DEVICE);
        ASSERT_TRUE(*done) << "the add-device dialog never came up";
    }

    platform::PosixNetworkInterfaces interfaces_;
    std::string logDir_;
};

TEST_F(GuiSegments, EveryBoxOfBothSegmentsIsListedOnce) {
    ASSERT_FALSE(NamesOn({"10.77.0."}).isEmpty());
    ASSERT_FALSE(NamesOn({"10.78.0."}).isEmpty());
    auto main = OpenMain();
    // Each name once (the sorted lists are equal), none from behind the router.
    EXPECT_EQ(Sorted(Entries(*main)), NamesOn({"10.77.0.", "10.78.0."}));
    EXPECT_TRUE(boxes_.boxes.empty());
    // The tunnel holding the default route got nothing: its counters stay at zero.
    std::ifstream packets("/sys/class/net/vpn0/statistics/tx_packets");
    int sent = -1;
    packets >> sent;
    EXPECT_EQ(sent, 0);
}

TEST_F(GuiSegments, ASecondSegmentBoxIsQueriedAndWrittenThroughItsSegmentOnly) {
    const LanDevice& box = FirstOn("10.78.0.");
    auto main = OpenMain();
    const auto before = Logs();
    ClickEntry(*main, box.config.name.view());
    EXPECT_EQ(States(*main), kAllEnabled);
    EXPECT_EQ(FieldText(*main, app::IDC_MAC_ADDRESS),
              Q(protocol::FormatMacAddress(box.config.mac)));
    const protocol::DeviceRecord* record = main->SelectedDevice();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(WriteSystemInfo(*record), protocol::StatusOutcome::Accepted);
    EXPECT_TRUE(boxes_.boxes.empty());

    // The second segment's other boxes hear the broadcasts too (and answer none: another MAC);
    // the first segment and the routed subnet hear nothing.
    const auto logged = LoggedSince(before);
    const std::string& own = logged.at(box.host);
    EXPECT_NE(own.find("request get_system_info"), std::string::npos) << own;
    EXPECT_NE(own.find("request get_volume_info"), std::string::npos) << own;
    EXPECT_NE(own.find("request set_system_info"), std::string::npos) << own;
    EXPECT_NE(own.find("from 10.78.0.1:"), std::string::npos) << own;
    for (const auto& h : layout_.hosts) {
        if (h.address.rfind("10.78.0.", 0) != 0) {
            EXPECT_EQ(logged.at(h.index), "") << "device host " << h.index << " heard requests";
        }
    }
}

TEST_F(GuiSegments, ABoxBehindTheRouterIsAddedByAddressQueriedAndWritten) {
    const LanDevice& box = FirstOn("10.79.0.");
    const QString name = Q(box.config.name.view());
    auto main = OpenMain();
    ASSERT_FALSE(Entries(*main).contains(name));

    const auto before = Logs();
    AddByAddress(*main, box.hostAddress);
    EXPECT_TRUE(boxes_.boxes.empty()) << boxes_.Texts().front();
    EXPECT_EQ(Entries(*main).count(name), 1);
    ClickEntry(*main, box.config.name.view());
    EXPECT_EQ(FieldText(*main, app::IDC_MAC_ADDRESS),
              Q(protocol::FormatMacAddress(box.config.mac)));
    const protocol::DeviceRecord* record = main->SelectedDevice();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(WriteSystemInfo(*record), protocol::StatusOutcome::Accepted);
    // Unicast all the way: no other box heard any of it.
    const auto logged = LoggedSince(before);
    EXPECT_NE(logged.at(box.host).find("request set_system_info"), std::string::npos);
    for (const auto& [host, text] : logged) {
        if (host != box.host) {
            EXPECT_EQ(text, "") << "device host " << host << " heard the requests";
        }
    }

    // Asked again by the next refresh.
    Click(*main, app::IDC_REFRESH_LIST);
    EXPECT_EQ(Sorted(Entries(*main)), Sorted(NamesOn({"10.77.0.", "10.78.0."}) << name));
}

// Run as root only: it takes the second segment's interface down and up again.
TEST_F(GuiSegments, AnInterfaceTakenDownBeforeASelectionGivesTheMessageAndNoHang) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root inside the workstation's namespace";
    }
    const LanDevice& box = FirstOn("10.78.0.");
    auto main = OpenMain();
    const QStringList listed = Entries(*main);
    ASSERT_EQ(std::system("ip link set dev eth1 down"), 0);
    struct Restore {
        ~Restore() { EXPECT_EQ(std::system("ip link set dev eth1 up"), 0); }
    } restore;

    const auto start = Steady::now();
    ClickEntry(*main, box.config.name.view());
    const auto took = Steady::now() - start;
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(boxes_.Texts(),
              std::vector<std::string>({protocol::FormatMessage(
                  protocol::MSG_NETWORK_FAILED, platform::SOCKET_ERROR_NETWORK_DOWN)}));
    EXPECT_EQ(Entries(*main), listed);  // no refresh
    EXPECT_EQ(FieldText(*main, app::IDC_MAC_ADDRESS), "");
    EXPECT_EQ(States(*main), kAfterRefresh);
}

}  // namespace
}  // namespace halvo::e2e
