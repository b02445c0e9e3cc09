// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end: the program's own windows on real sockets against simulated boxes on a namespace
// LAN. The application is put together as main() does (socket layer, clock, time zone, drive
// letters, resources), with recording message boxes and shell so that every message and every
// address handed to the desktop is seen; the windows are driven by clicks and typing on the
// headless platform. Runs only on the workstation host of such a LAN (tests/e2e/run-on-lan.sh
// puts it there); anywhere else every test is skipped, so nothing is ever broadcast on the
// machine's own network.
//
// The headless platform rather than an X server: nothing has to run beside the test, windows are
// activated as they are shown (so typing reaches them without a window manager), and the
// widgets, event loop and sockets are the program's own all the same. What is on screen is the
// demo's business (scripts/demo.sh, under Xvfb).
//
// This file: start-up, the device list, the details of each box and its web address.
#include <QApplication>
#include <cstdlib>

#include "GuiLanSupport.h"
#include "app/SetupApp.h"
#include "platform/posix/gio/GioNetworkDrives.h"
#include "platform/testing/FakeNetworkDrives.h"
#include "protocol/DetailQuery.h"
#include "ui/qt/QtBackend.h"
#include "ui/testing/GuiTestRun.h"

namespace halvo::e2e {
namespace {

platform::NetworkDrives* drives = nullptr;

class GuiLan : public GuiLanBase {};

TEST_F(GuiLan, TheProgramStartsWithEveryBoxListedByName) {
    ASSERT_EQ(layout_.devices.size(), 3u);
    app::SetupApp program(context_);
    QStringList shown;
    ButtonStates states{};
    auto seen = WhenActive<MainDialog>(
        [&](MainDialog* main) {
            shown = Entries(*main);
            states = States(*main);
            QTest::mouseClick(ui::qt::Widget(*main, app::IDC_QUIT), Qt::LeftButton);
        },
        10000, armed_.get());
    EXPECT_EQ(program.Run(), 0);
    ASSERT_TRUE(*seen) << "the main window never came up";
    EXPECT_EQ(Sorted(shown), LanNames());
    EXPECT_EQ(Sorted(shown), QStringList({"NAS-Alpha", "NAS-Beta", "NAS-Gamma"}));
    EXPECT_EQ(states, kAfterRefresh);
    EXPECT_TRUE(boxes_.boxes.empty());
    EXPECT_EQ(sockets_.startedCount(), 0);
}

TEST_F(GuiLan, SelectingEachBoxShowsItsDetailsAndVolumes) {
    auto main = OpenMain();
    for (const LanDevice& d : layout_.devices) {
        SCOPED_TRACE(std::string(d.config.name.view()));
        ClickEntry(*main, d.config.name.view());
        const protocol::DeviceRecord* record = main->SelectedDevice();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(FieldText(*main, app::IDC_FIRMWARE_VERSION),
                  Q(protocol::FormatFirmwareVersion(d.config.firmwareVersion)));
        EXPECT_EQ(FieldText(*main, app::IDC_DESCRIPTION), Q(d.config.system.description.view()));
        EXPECT_EQ(FieldText(*main, app::IDC_MAC_ADDRESS),
                  Q(protocol::FormatMacAddress(d.config.mac)));
        EXPECT_EQ(FieldText(*main, app::IDC_IP_ADDRESS), Q(d.hostAddress));
        EXPECT_EQ(FieldText(*main, app::IDC_IP_STATUS),
                  d.config.network.ipMode == 0 ? "Static ip" : "DHCP");

        ui::qt::QtListView* usb = UsbList(*main);
        ASSERT_EQ(usb->GetItemCount(), static_cast<int>(d.config.volumes.size()));
        for (std::size_t i = 0; i < d.config.volumes.size(); ++i) {
            const protocol::VolumeRow want = protocol::FormatVolumeRow(d.config.volumes[i]);
            const int row = static_cast<int>(i);
            EXPECT_EQ(usb->GetItemText(row, 0), Q(want.shareName));
            EXPECT_EQ(usb->GetItemText(row, 1), Q(want.deviceId));
            EXPECT_EQ(usb->GetItemText(row, 2), Q(want.fsType));
            EXPECT_EQ(usb->GetItemText(row, 3), Q(want.totalSizeMb));
            EXPECT_EQ(usb->GetItemText(row, 4), Q(want.freeSpace));
        }
        // The record is complete: the rest of what the box reports, and its shares.
        EXPECT_EQ(record->timezoneIndex, d.config.system.timezoneIndex);
        EXPECT_EQ(record->subnetMask.view(), d.config.network.subnetMask.view());
        EXPECT_EQ(record->gateway.view(), d.config.network.gateway.view());
        ASSERT_EQ(record->shares.size(), d.config.shares.size());
        for (std::size_t i = 0; i < d.config.shares.size(); ++i) {
            EXPECT_EQ(record->shares[i].name.view(), d.config.shares[i].name.view());
        }
        if (d.config.fixedClock) {
            EXPECT_EQ(record->date.view(), d.config.system.date.view());
        }
        EXPECT_EQ(States(*main), kAllEnabled);
    }
    // The figures the boxes were set up with, so that the checks above mean something.
    EXPECT_EQ(ByName("NAS-Alpha").config.volumes.size(), 2u);
    EXPECT_EQ(ByName("NAS-Beta").config.network.ipMode, 1);
    EXPECT_TRUE(ByName("NAS-Gamma").config.volumes.empty());
    EXPECT_TRUE(boxes_.boxes.empty());
    EXPECT_EQ(sockets_.startedCount(), 0);
}

TEST_F(GuiLan, RefreshListFindsTheSameBoxesAgain) {
    auto main = OpenMain();
    ASSERT_EQ(Sorted(Entries(*main)), LanNames());
    const protocol::DeviceRecord* before = main->Devices().front().get();
    ClickEntry(*main, "NAS-Alpha");
    ASSERT_EQ(States(*main), kAllEnabled);
    ASSERT_GT(UsbList(*main)->GetItemCount(), 0);

    Click(*main, app::IDC_REFRESH_LIST);
    EXPECT_EQ(Sorted(Entries(*main)), LanNames());
    ASSERT_EQ(main->Devices().size(), layout_.devices.size());
    for (std::size_t i = 0; i < main->Devices().size(); ++i) {
        EXPECT_EQ(Q(main->Devices()[i]->name.view()), Entries(*main)[static_cast<int>(i)]);
    }
    EXPECT_NE(main->Devices().front().get(), before);  // new records
    EXPECT_EQ(DeviceList(*main)->GetCurSel(), -1);
    for (int id : {app::IDC_FIRMWARE_VERSION, app::IDC_DESCRIPTION, app::IDC_MAC_ADDRESS,
                   app::IDC_IP_ADDRESS, app::IDC_IP_STATUS}) {
        EXPECT_TRUE(FieldText(*main, id).isEmpty()) << id;
    }
    EXPECT_EQ(UsbList(*main)->GetItemCount(), 0);
    EXPECT_EQ(States(*main), kAfterRefresh);
    EXPECT_TRUE(boxes_.boxes.empty());
    EXPECT_EQ(sockets_.startedCount(), 0);
}

TEST_F(GuiLan, AccessViaWebGivesEachBoxsPageAddress) {
    auto main = OpenMain();
    for (const LanDevice& d : layout_.devices) {
        SCOPED_TRACE(std::string(d.config.name.view()));
        ClickEntry(*main, d.config.name.view());
        shell_.opened.clear();
        Click(*main, app::IDC_ACCESS_VIA_WEB);
        ASSERT_EQ(shell_.opened.size(), 1u);
        const std::string expected = d.config.webPort == 80 ? "http://" + d.hostAddress
                                                            : "http://" + d.hostAddress + ":" +
                                                                  std::to_string(d.config.webPort);
        EXPECT_EQ(shell_.opened[0], expected);
        // The address leads to the box's own page.
        const auto [address, port] = SplitWebAddress(shell_.opened[0]);
        const std::string page = FetchPage(address, port);
        EXPECT_EQ(page.rfind("HTTP/1.0 200 OK", 0), 0u) << shell_.opened[0];
        EXPECT_NE(page.find("<h1>" + std::string(d.config.name.view()) + "</h1>"),
                  std::string::npos);
    }
    EXPECT_EQ(ByName("NAS-Beta").config.webPort, 8080);  // one box off port 80 at least
    EXPECT_TRUE(boxes_.boxes.empty());
}

}  // namespace

platform::NetworkDrives& TestDrives() {
    return *drives;
}

}  // namespace halvo::e2e

int main(int argc, char** argv) {
    // Before the application, as the program's own main() does.
    std::unique_ptr<halvo::platform::NetworkDrives> drives;
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        drives = std::make_unique<halvo::platform::GioNetworkDrives>();
    } else {
        drives = std::make_unique<halvo::platform::testing::FakeNetworkDrives>();
    }
    halvo::e2e::drives = drives.get();
    // An exchange on real sockets may hold a window for up to about 20 s (a settings write
    // that is never answered); only a window open much longer than that is stuck.
    return halvo::ui::testing::RunGuiTests(argc, argv, 60000);
}
