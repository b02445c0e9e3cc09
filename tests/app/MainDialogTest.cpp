// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the device list after discovery, the details and button states around a
// refresh, the About box from the button and the window menu, the ways to close it, and the
// web address handed to the shell.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "AppTestSupport.h"
#include "app/AboutDialog.h"
#include "app/MainDialog.h"
#include "protocol/Messages.h"
#include "shares/ShareMappingDialog.h"
#include "ui/qt/QtBackend.h"
#include "ui/testing/GuiTest.h"
#include "wizard/VerifyDialog.h"
#include "wizard/WizardDialog.h"
#include "wizard/WizardPages.h"

namespace halvo::app {
namespace {

using namespace std::chrono_literals;
using testing::FakeWorld;
using testing::Mac;
using ui::testing::WhenActive;

struct ButtonStates {
    bool refresh, web, wizard, share, about, quit;
    bool operator==(const ButtonStates&) const = default;
};

void PrintTo(const ButtonStates& s, std::ostream* out) {
    *out << "{refresh " << s.refresh << ", web " << s.web << ", wizard " << s.wizard << ", share "
         << s.share << ", about " << s.about << ", quit " << s.quit << "}";
}

ButtonStates States(const MainDialog& main) {
    auto on = [&](int id) { return ui::qt::Widget(main, id)->isEnabled(); };
    return {on(IDC_REFRESH_LIST),  on(IDC_ACCESS_VIA_WEB), on(IDC_SETUP_WIZARD),
            on(IDC_SHARE_MAPPING), on(IDC_ABOUT),          on(IDC_QUIT)};
}

constexpr ButtonStates kAfterRefresh{true, false, false, false, true, true};
constexpr ButtonStates kDuringRefresh{false, false, false, false, true, true};
constexpr ButtonStates kAllEnabled{true, true, true, true, true, true};

ui::qt::QtListBox* DeviceList(const MainDialog& main) {
    return main.ControlAs<ui::qt::QtListBox>(IDC_DEVICE_LIST);
}

ui::qt::QtListView* UsbList(const MainDialog& main) {
    return main.ControlAs<ui::qt::QtListView>(IDC_USB_LIST);
}

QStringList Entries(const MainDialog& main) {
    QStringList entries;
    for (int i = 0; i < DeviceList(main)->GetCount(); ++i) {
        entries << QString::fromStdString(DeviceList(main)->GetText(i));
    }
    return entries;
}

constexpr int kValueFields[] = {IDC_IP_STATUS, IDC_MAC_ADDRESS, IDC_IP_ADDRESS,
                                IDC_FIRMWARE_VERSION, IDC_DESCRIPTION};

// Fills the details and enables the device buttons as a detail query that ran to its end does.
void FakeCompletedDetails(MainDialog& main) {
    for (int id : kValueFields) {
        main.ControlAs<QLabel>(id)->setText("x");
    }
    UsbList(main)->InsertItem(0, "disk1");
    UsbList(main)->InsertItem(1, "disk2");
    for (int id : {IDC_SHARE_MAPPING, IDC_ACCESS_VIA_WEB, IDC_SETUP_WIZARD}) {
        ui::qt::Widget(main, id)->setEnabled(true);
    }
}

void ExpectDetailsEmpty(const MainDialog& main) {
    for (int id : kValueFields) {
        EXPECT_TRUE(main.ControlAs<QLabel>(id)->text().isEmpty()) << id;
    }
    EXPECT_EQ(UsbList(main)->GetItemCount(), 0);
}

// ---------------------------------------------------------------- start-up state

TEST(MainDialog, WithNoDeviceTheWindowStartsEmptyWithOnlyRefreshAboutAndQuit) {
    FakeWorld world;
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    EXPECT_EQ(main.GetWindowText(), "Halvo");
    EXPECT_EQ(DeviceList(main)->GetCount(), 0);
    EXPECT_TRUE(main.Devices().empty());
    ExpectDetailsEmpty(main);
    EXPECT_EQ(States(main), kAfterRefresh);
    EXPECT_TRUE(world.boxes.boxes.empty());  // hearing nothing is no failure
    EXPECT_EQ(world.net.SentCommands(), std::vector<std::uint16_t>{protocol::CMD_DISCOVER});
    EXPECT_EQ(world.net.LayerUses(), 0);
}

TEST(MainDialog, UsbListHasItsFiveColumnsAndFullRowSelection) {
    FakeWorld world;
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    ui::qt::QtListView* usb = UsbList(main);
    ASSERT_EQ(usb->GetColumnCount(), 5);
    const QStringList headings{"Share Name", "Device Id", "FS Type", "Total Size(MB)",
                               "Free Space"};
    const int widths[] = {110, 70, 70, 100, 72};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(usb->GetColumnHeading(c), headings[c]);
        EXPECT_EQ(usb->GetColumnWidth(c), widths[c]);
        EXPECT_EQ(usb->GetColumnAlignment(c), ui::Align::left);
    }
    EXPECT_TRUE(usb->IsFullRowSelect());
}

TEST(MainDialog, WindowIconAndWindowMenu) {
    FakeWorld world;
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    EXPECT_FALSE(ui::qt::WindowOf(main)->windowIcon().isNull());
    EXPECT_TRUE(ui::qt::WindowOf(main)->windowIcon().availableSizes().contains(QSize(16, 16)));
    EXPECT_TRUE(ui::qt::WindowOf(main)->windowIcon().availableSizes().contains(QSize(32, 32)));
    const std::vector<ui::MenuItem>& items = main.MenuItems();
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items[items.size() - 2].id, 0);  // a separator first
    EXPECT_TRUE(items[items.size() - 2].text.empty());
    EXPECT_EQ(items.back().id, 16);
    EXPECT_EQ(items.back().text, "About Ostrel");
}

// ---------------------------------------------------------------- the device list

TEST(MainDialog, DevicesAppearInReplyOrderUnsortedWithDuplicatesAndEmptyNames) {
    FakeWorld world;
    world.net.AddDevice(Mac(1)).AnswerDiscovery("zeta", "192.168.1.21", 80, 40ms);
    world.net.AddDevice(Mac(2)).AnswerDiscovery("alpha", "192.168.1.22", 80, 10ms);
    protocol::testing::DeviceProfile unnamed;  // answers the detail query too
    unnamed.name = "";
    unnamed.ipAddress = "192.168.1.23";
    unnamed.delay = 30ms;
    world.net.AddDevice(Mac(3)).Serve(unnamed);
    world.net.AddDevice(Mac(4)).AnswerDiscovery("alpha", "192.168.1.24", 80, 20ms);
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    EXPECT_EQ(Entries(main), QStringList({"alpha", "alpha", "", "zeta"}));
    ASSERT_EQ(main.Devices().size(), 4u);
    // Entry i shows record i.
    EXPECT_EQ(main.Devices()[0]->ipAddress.view(), "192.168.1.22");
    EXPECT_EQ(main.Devices()[1]->ipAddress.view(), "192.168.1.24");
    EXPECT_EQ(main.Devices()[2]->ipAddress.view(), "192.168.1.23");
    EXPECT_EQ(main.Devices()[3]->macAddress, Mac(1));
    EXPECT_EQ(DeviceList(main)->GetCurSel(), -1);
    EXPECT_EQ(main.SelectedDevice(), nullptr);

    // The empty entry can be selected by the user and names its record.
    ui::qt::WindowOf(main)->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(ui::qt::WindowOf(main)));
    ui::qt::QtListBox* list = DeviceList(main);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(2)).center());
    EXPECT_EQ(list->GetCurSel(), 2);
    EXPECT_EQ(main.SelectedDevice(), main.Devices()[2].get());
    EXPECT_TRUE(world.boxes.boxes.empty());
    ui::qt::WindowOf(main)->hide();
}

TEST(MainDialog, RefreshListRebuildsTheListAndEmptiesTheDetails) {
    FakeWorld world;
    world.net.AddDevice(Mac(1)).AnswerDiscovery("NAS-1", "192.168.1.21");
    world.net.AddDevice(Mac(2)).AnswerDiscovery("NAS-2", "192.168.1.22", 80, 20ms);
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    ASSERT_EQ(Entries(main), QStringList({"NAS-1", "NAS-2"}));
    main.Devices()[1]->shares.resize(3);

    DeviceList(main)->SetCurSel(1);
    FakeCompletedDetails(main);
    EXPECT_EQ(States(main), kAllEnabled);

    // The button states while discovery runs, seen by a device as the request reaches it.
    std::vector<ButtonStates> during;
    std::vector<int> entriesDuring;
    world.net.AddDevice(Mac(3)).OnCommand(protocol::CMD_DISCOVER, [&](auto) {
        during.push_back(States(main));
        entriesDuring.push_back(DeviceList(main)->GetCount());
        return protocol::EncodeDiscoveryReply(Mac(3), "NAS-3", "192.168.1.23", 80);
    });

    QTest::mouseClick(ui::qt::Widget(main, IDC_REFRESH_LIST), Qt::LeftButton);
    EXPECT_EQ(during, std::vector<ButtonStates>{kDuringRefresh});
    EXPECT_EQ(entriesDuring, std::vector<int>{0});  // the old entries went first
    EXPECT_EQ(Entries(main), QStringList({"NAS-1", "NAS-3", "NAS-2"}));
    EXPECT_EQ(main.Devices().size(), 3u);
    EXPECT_TRUE(main.Devices()[2]->shares.empty());  // a new record, not the old one
    EXPECT_EQ(DeviceList(main)->GetCurSel(), -1);
    ExpectDetailsEmpty(main);
    EXPECT_EQ(States(main), kAfterRefresh);
}

TEST(MainDialog, AFailedDiscoveryStillReenablesRefresh) {
    FakeWorld world;
    world.net.AddDevice(Mac(1)).AnswerDiscovery("NAS-1", "192.168.1.21");
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    ASSERT_EQ(main.Devices().size(), 1u);
    world.net.FailStartup(10091);
    main.RefreshList();
    ASSERT_EQ(world.boxes.Texts().size(), 1u);
    EXPECT_EQ(world.boxes.Texts()[0], protocol::FormatMessage(protocol::MSG_NETWORK_FAILED, 10091));
    EXPECT_TRUE(main.Devices().empty());
    EXPECT_EQ(DeviceList(main)->GetCount(), 0);
    EXPECT_EQ(States(main), kAfterRefresh);
}

TEST(MainDialog, ClearDetailsLeavesTheListAndTheButtons) {
    FakeWorld world;
    world.net.AddDevice(Mac(1)).AnswerDiscovery("NAS-1", "192.168.1.21");
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    DeviceList(main)->SetCurSel(0);
    FakeCompletedDetails(main);
    main.ClearDetails();
    ExpectDetailsEmpty(main);
    EXPECT_EQ(States(main), kAllEnabled);
    EXPECT_EQ(DeviceList(main)->GetCurSel(), 0);
    EXPECT_EQ(main.Devices().size(), 1u);
}

TEST(MainDialog, TheDeviceHandlersWithoutASelectionDoNothing) {
    FakeWorld world;
    protocol::testing::DeviceProfile profile;
    profile.name = "NAS-1";
    profile.system.passwordRequired = 1;
    world.net.AddDevice(Mac(1)).Serve(profile);
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    const std::size_t sent = world.net.sent().size();
    main.OnSelectDevice();
    main.OnAccessViaWeb();
    main.OnSetupWizard();  // a dialog opened here would fail the run through the watchdog
    main.OnShareMapping();
    EXPECT_TRUE(world.shell.opened.empty());
    EXPECT_TRUE(world.boxes.boxes.empty());
    EXPECT_TRUE(world.drives.Calls().empty());
    EXPECT_EQ(world.net.sent().size(), sent);
    EXPECT_EQ(main.Devices().size(), 1u);
    EXPECT_EQ(States(main), kAfterRefresh);
}

// ---------------------------------------------------------------- web access

TEST(MainDialog, WebAddressesByPort) {
    FakeWorld world;
    world.net.AddDevice(Mac(1)).AnswerDiscovery("p80", "192.168.1.21", 80, 10ms);
    world.net.AddDevice(Mac(2)).AnswerDiscovery("p8080", "192.168.1.22", 8080, 20ms);
    world.net.AddDevice(Mac(3)).AnswerDiscovery("p0", "192.168.1.23", 0, 30ms);
    world.net.AddDevice(Mac(4)).AnswerDiscovery("p40000", "192.168.1.24", 40000, 40ms);
    world.net.AddDevice(Mac(5)).AnswerDiscovery("longest", "255.255.255.255", 65535, 50ms);
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    ASSERT_EQ(main.Devices().size(), 5u);
    for (int i = 0; i < 5; ++i) {
        DeviceList(main)->SetCurSel(i);
        main.OnAccessViaWeb();
    }
    EXPECT_EQ(world.shell.opened,
              (std::vector<std::string>{"http://192.168.1.21", "http://192.168.1.22:8080",
                                        "http://192.168.1.23:0", "http://192.168.1.24:40000",
                                        "http://255.255.255.255:65535"}));
    // A shell that cannot open the address is not reported.
    world.shell.result = false;
    main.OnAccessViaWeb();
    EXPECT_TRUE(world.boxes.boxes.empty());
}

TEST(MainDialog, AccessViaWebButtonOpensTheSelectedDevice) {
    FakeWorld world;
    world.net.AddDevice(Mac(1)).AnswerDiscovery("a", "10.0.0.1", 80, 10ms);
    world.net.AddDevice(Mac(2)).AnswerDiscovery("b", "10.0.0.2", 81, 20ms);
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    DeviceList(main)->SetCurSel(1);
    ui::qt::Widget(main, IDC_ACCESS_VIA_WEB)
        ->setEnabled(true);  // as a finished detail query leaves it
    ui::qt::WindowOf(main)->show();
    QTest::mouseClick(ui::qt::Widget(main, IDC_ACCESS_VIA_WEB), Qt::LeftButton);
    ui::qt::WindowOf(main)->hide();
    EXPECT_EQ(world.shell.opened, std::vector<std::string>{"http://10.0.0.2:81"});
}

// ---------------------------------------------------------------- About box

TEST(MainDialog, AboutBoxFromTheButton) {
    FakeWorld world;
    MainDialog main(world.context);
    QString title;
    QString version;
    WhenActive<MainDialog>([&](MainDialog* d) {
        WhenActive<AboutDialog>([&](AboutDialog* about) {
            title = ui::qt::WindowOf(*about)->windowTitle();
            version = qobject_cast<QLabel*>(ui::qt::WidgetOf(about->ControlAt(1)))->text();
            EXPECT_EQ(ui::qt::WindowOf(*about)->parentWidget(), ui::qt::WindowOf(*d));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        QTest::mouseClick(ui::qt::Widget(*d, IDC_ABOUT), Qt::LeftButton);
        EXPECT_TRUE(
            ui::qt::WindowOf(*d)->isVisible());  // the About box closing leaves the window open
        QTest::mouseClick(ui::qt::Widget(*d, IDC_QUIT), Qt::LeftButton);
    });
    EXPECT_EQ(main.RunModal(), ui::IDOK);
    EXPECT_EQ(title, "About");
    EXPECT_EQ(version, "Halvo Version 0.9");
    EXPECT_EQ(States(main), kAfterRefresh);
}

TEST(MainDialog, AboutBoxFromTheWindowMenu) {
    FakeWorld world;
    MainDialog main(world.context);
    int abouts = 0;
    WhenActive<MainDialog>([&](MainDialog* d) {
        // Right click on the window, Shift+F10 and the Menu key.
        for (int how = 0; how < 3; ++how) {
            WhenActive<QMenu>([&abouts](QMenu* menu) {
                const QList<QAction*> actions = menu->actions();
                ASSERT_FALSE(actions.isEmpty());
                EXPECT_EQ(actions.back()->text(), "About Ostrel");
                EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
                WhenActive<AboutDialog>([&abouts](AboutDialog* about) {
                    ++abouts;
                    QTest::mouseClick(ui::qt::Widget(*about, ui::IDOK), Qt::LeftButton);
                });
                QTest::mouseClick(menu, Qt::LeftButton, {},
                                  menu->actionGeometry(actions.back()).center());
            });
            if (how == 0) {
                QWidget* label = ui::qt::WidgetOf(d->ControlAt(9));
                QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(1, 1),
                                        label->mapToGlobal(QPoint(1, 1)));
                QApplication::sendEvent(label, &event);
            } else {
                ui::qt::WindowOf(*d)->activateWindow();  // back from the About box
                ASSERT_TRUE(QTest::qWaitForWindowActive(ui::qt::WindowOf(*d)));
                QTest::keyClick(ui::qt::Widget(*d, IDC_DEVICE_LIST),
                                how == 1 ? Qt::Key_F10 : Qt::Key_Menu,
                                how == 1 ? Qt::ShiftModifier : Qt::NoModifier);
            }
        }
        d->SendSysCommand(IDM_ABOUTBOX + 3);  // the low four bits do not matter
        QTest::mouseClick(ui::qt::Widget(*d, IDC_QUIT), Qt::LeftButton);
    });
    WhenActive<AboutDialog>(
        [&abouts](AboutDialog* about) {
            ++abouts;
            ui::qt::WindowOf(*about)->close();
        },
        3000);
    EXPECT_EQ(main.RunModal(), ui::IDOK);
    EXPECT_EQ(abouts, 4);
}

// ---------------------------------------------------------------- closing

TEST(MainDialog, QuitEscEnterOnTheListAndTheCloseBoxEndTheWindow) {
    struct Way {
        const char* name;
        std::function<void(MainDialog*)> act;
        int result;
    };
    const std::vector<Way> ways = {
        {"Quit",
         [](MainDialog* d) { QTest::mouseClick(ui::qt::Widget(*d, IDC_QUIT), Qt::LeftButton); },
         ui::IDOK},
        {"Esc",
         [](MainDialog* d) {
             QTest::keyClick(ui::qt::Widget(*d, IDC_DEVICE_LIST), Qt::Key_Escape);
         },
         ui::IDCANCEL},
        {"Enter on the device list",
         [](MainDialog* d) {
             EXPECT_EQ(d->FocusedControlId(), IDC_DEVICE_LIST);
             QTest::keyClick(ui::qt::Widget(*d, IDC_DEVICE_LIST), Qt::Key_Return);
         },
         ui::IDOK},
        {"close box", [](MainDialog* d) { ui::qt::WindowOf(*d)->close(); }, ui::IDCANCEL},
        {"window menu Close", [](MainDialog* d) { d->SendSysCommand(ui::SC_CLOSE); }, ui::IDCANCEL},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        FakeWorld world;
        world.net.AddDevice(Mac(1)).AnswerDiscovery("NAS-1", "192.168.1.21");
        MainDialog main(world.context);
        auto acted = WhenActive<MainDialog>(way.act);
        EXPECT_EQ(main.RunModal(), way.result);
        EXPECT_TRUE(*acted);
        EXPECT_FALSE(ui::qt::WindowOf(main)->isVisible());
    }
}

TEST(MainDialog, EnterOnAPushButtonClicksItInsteadOfClosing) {
    FakeWorld world;
    MainDialog main(world.context);
    WhenActive<MainDialog>([&world](MainDialog* d) {
        const std::size_t sent = world.net.sent().size();
        ui::qt::Widget(*d, IDC_REFRESH_LIST)->setFocus();
        QTest::keyClick(ui::qt::Widget(*d, IDC_REFRESH_LIST), Qt::Key_Return);
        EXPECT_TRUE(ui::qt::WindowOf(*d)->isVisible());
        EXPECT_EQ(world.net.sent().size(), sent + 1);  // a new discovery
        QTest::keyClick(ui::qt::Widget(*d, IDC_REFRESH_LIST), Qt::Key_Escape);
    });
    EXPECT_EQ(main.RunModal(), ui::IDCANCEL);
}

// ---------------------------------------------------------------- the device handlers

constexpr protocol::MacAddress kBoxMac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

// A box that answers every request: firmware bytes '1' '2' '0' '3', an IP mode that is neither
// static nor DHCP, three shares and two USB volumes.
protocol::testing::DeviceProfile BoxProfile(bool asksForPassword = false) {
    protocol::testing::DeviceProfile p;
    p.name = "NAS-Box";
    p.ipAddress = "192.168.1.20";
    p.firmwareVersion = "1203";
    p.system.description.Assign("Office store");
    p.system.passwordRequired = asksForPassword ? 1 : 0;
    p.network.ipMode = 2;
    p.shares = {"disk1", "disk2", "backup"};
    p.volumes = {protocol::testing::MakeVolume("disk1", "sda1", "ext4", 512, 37),
                 protocol::testing::MakeVolume("backup", "sdb1", "vfat", 2048, -1)};
    return p;
}

// Shows the window and clicks entry `index` of the device list, as the user selects a device.
void ClickEntry(MainDialog& main, int index) {
    if (!ui::qt::WindowOf(main)->isVisible()) {
        ui::qt::WindowOf(main)->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(ui::qt::WindowOf(main)));
    }
    ui::qt::QtListBox* list = DeviceList(main);
    ASSERT_LT(index, list->GetCount());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(index)).center());
}

QStringList Row(const MainDialog& main, int row) {
    QStringList cells;
    for (int c = 0; c < 5; ++c) {
        cells << QString::fromStdString(UsbList(main)->GetItemText(row, c));
    }
    return cells;
}

QString Field(const MainDialog& main, int id) {
    return main.ControlAs<QLabel>(id)->text();
}

int Discoveries(const protocol::testing::FakeNetwork& net) {
    const auto commands = net.SentCommands();
    return static_cast<int>(std::count(commands.begin(), commands.end(), protocol::CMD_DISCOVER));
}

TEST(MainDialog, SelectingADeviceQueriesItFillsThePanesAndEnablesTheDeviceButtons) {
    FakeWorld world;
    protocol::testing::FakeDevice& other =
        world.net.AddDevice(Mac(1)).AnswerDiscovery("other", "192.168.1.30", 80, 5ms);
    protocol::testing::FakeDevice& box = world.net.AddDevice(kBoxMac).Serve(BoxProfile());
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    ASSERT_EQ(Entries(main), QStringList({"other", "NAS-Box"}));
    const auto before = world.net.Elapsed();
    const std::size_t sleeps = world.net.sleeps().size();

    ClickEntry(main, 1);  // the second entry is the second record

    EXPECT_EQ(Field(main, IDC_FIRMWARE_VERSION), "V12R03");
    EXPECT_EQ(Field(main, IDC_DESCRIPTION), "Office store");
    EXPECT_EQ(Field(main, IDC_MAC_ADDRESS), "00:1a:2b:3c:4d:5e");
    EXPECT_EQ(Field(main, IDC_IP_ADDRESS), "192.168.1.20");
    EXPECT_EQ(Field(main, IDC_IP_STATUS), "");  // ipMode 2
    ASSERT_EQ(UsbList(main)->GetItemCount(), 2);
    EXPECT_EQ(Row(main, 0), QStringList({"disk1", "sda1", "ext4", "512", "37%"}));
    EXPECT_EQ(Row(main, 1), QStringList({"backup", "sdb1", "vfat", "2048", "-1%"}));
    EXPECT_EQ(States(main), kAllEnabled);
    EXPECT_TRUE(world.boxes.boxes.empty());

    // The record of that entry is completed; the other device heard nothing.
    const protocol::DeviceRecord& record = *main.Devices()[1];
    EXPECT_EQ(record.description.view(), "Office store");
    ASSERT_EQ(record.shares.size(), 3u);
    EXPECT_EQ(record.shares[2].name.view(), "backup");
    EXPECT_EQ(box.RequestCount(protocol::CMD_GET_VOLUME_INFO), 1);
    EXPECT_EQ(other.requests().size(), 1u);  // discovery only
    // One socket on version 2.2 for the whole query, waiting on the socket rather than sleeping:
    // five answers 10 ms apart, not five whole 100 ms slots.
    EXPECT_EQ(world.net.startupVersions().back(), platform::SOCKET_VERSION_2_2);
    EXPECT_EQ(world.net.sleeps().size(), sleeps);
    EXPECT_LT(world.net.Elapsed() - before, 100ms);
    EXPECT_EQ(world.net.LayerUses(), 0);
    EXPECT_EQ(world.net.OpenSockets(), 0);
    ui::qt::WindowOf(main)->hide();
}

TEST(MainDialog, AClickOnTheSelectedLineQueriesAgainAndAKeyThatStaysDoesNot) {
    FakeWorld world;
    protocol::testing::DeviceProfile profile = BoxProfile();
    protocol::testing::FakeDevice& box = world.net.AddDevice(kBoxMac).Serve(profile);
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    ClickEntry(main, 0);
    ASSERT_EQ(box.RequestCount(protocol::CMD_GET_SYSTEM_INFO), 1);
    ASSERT_EQ(main.Devices()[0]->shares.size(), 3u);

    // The device changed meanwhile: the second click reads it anew and replaces the shares.
    profile.system.description.Assign("Moved upstairs");
    profile.shares = {"only"};
    box.Serve(profile);
    ClickEntry(main, 0);
    EXPECT_EQ(box.RequestCount(protocol::CMD_GET_SYSTEM_INFO), 2);
    EXPECT_EQ(Field(main, IDC_DESCRIPTION), "Moved upstairs");
    ASSERT_EQ(main.Devices()[0]->shares.size(), 1u);
    EXPECT_EQ(main.Devices()[0]->shares[0].name.view(), "only");

    // Keys that leave the selection on the same line are no selection.
    ui::qt::QtListBox* list = DeviceList(main);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Home);
    EXPECT_EQ(list->GetCurSel(), 0);
    EXPECT_EQ(box.RequestCount(protocol::CMD_GET_SYSTEM_INFO), 2);
    // A click beside the entries selects nothing and queries nothing.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(2, list->viewport()->height() - 2));
    EXPECT_EQ(box.RequestCount(protocol::CMD_GET_SYSTEM_INFO), 2);
    EXPECT_TRUE(world.boxes.boxes.empty());
    ui::qt::WindowOf(main)->hide();
}

TEST(MainDialog, ATimeoutAtAnyStepShowsItsMessageAndRebuildsTheListWithNewRecords) {
    struct Step {
        std::uint16_t silent;
        const char* message;
    };
    const Step steps[] = {
        {protocol::CMD_GET_SYSTEM_INFO, "Time out:get system info!"},
        {protocol::CMD_GET_NETWORK_INFO, "Time out:get network info!"},
        {protocol::CMD_GET_SHARE_COUNT, "Time out:get share number!"},
        {protocol::CMD_GET_SHARE_PAGE, "Time out:get share list!"},
        {protocol::CMD_GET_VOLUME_INFO, "Time out:get share number!"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.message);
        FakeWorld world;
        world.net.AddDevice(Mac(1)).Serve(BoxProfile());
        protocol::testing::DeviceProfile mute = BoxProfile();
        mute.name = "NAS-Mute";
        mute.delay = 20ms;  // answers discovery after the first box
        protocol::testing::FakeDevice& muteBox = world.net.AddDevice(Mac(2)).Serve(mute);
        muteBox.Silent(step.silent);
        // What the window holds when the new discovery reaches the device.
        std::vector<std::size_t> boxesAtDiscovery;
        muteBox.OnCommand(
            protocol::CMD_DISCOVER,
            [&](auto) {
                boxesAtDiscovery.push_back(world.boxes.boxes.size());
                return protocol::EncodeDiscoveryReply(Mac(2), "NAS-Mute", "192.168.1.20", 80);
            },
            20ms);
        MainDialog main(world.context);
        ASSERT_TRUE(main.Create());
        ASSERT_EQ(Entries(main), QStringList({"NAS-Box", "NAS-Mute"}));

        ClickEntry(main, 0);
        ASSERT_EQ(States(main), kAllEnabled);
        ClickEntry(main, 1);

        EXPECT_EQ(world.boxes.Texts(), std::vector<std::string>{step.message});
        EXPECT_FALSE(world.boxes.boxes[0].information);
        // The message first, then the list rebuilt by a second discovery.
        EXPECT_EQ(boxesAtDiscovery, (std::vector<std::size_t>{0, 1}));
        EXPECT_EQ(Discoveries(world.net), 2);
        EXPECT_EQ(Entries(main), QStringList({"NAS-Box", "NAS-Mute"}));
        EXPECT_EQ(DeviceList(main)->GetCurSel(), -1);
        // New records: nothing that either query wrote survives.
        ASSERT_EQ(main.Devices().size(), 2u);
        for (const auto& record : main.Devices()) {
            EXPECT_TRUE(record->description.empty());
            EXPECT_TRUE(record->shares.empty());
        }
        ExpectDetailsEmpty(main);
        EXPECT_EQ(States(main), kAfterRefresh);
        EXPECT_EQ(world.net.LayerUses(), 0);
        EXPECT_EQ(world.net.OpenSockets(), 0);
        ui::qt::WindowOf(main)->hide();
    }
}

TEST(MainDialog, SetupWizardRunsBehindTheCheckAndEndsInANewDiscovery) {
    FakeWorld world;
    world.net.AddDevice(kBoxMac).Serve(BoxProfile(true));  // admin / admin
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    ClickEntry(main, 0);
    ASSERT_EQ(States(main), kAllEnabled);
    ASSERT_EQ(main.Devices()[0]->passwordRequired, 1);

    // A cancelled check opens no wizard and leaves the window as it was.
    auto cancelled = WhenActive<wizard::VerifyDialog>([](wizard::VerifyDialog* verify) {
        verify->ControlAs<QPushButton>(ui::IDCANCEL)->click();
    });
    QTest::mouseClick(ui::qt::Widget(main, IDC_SETUP_WIZARD), Qt::LeftButton);
    EXPECT_TRUE(*cancelled);
    EXPECT_EQ(Discoveries(world.net), 1);
    EXPECT_EQ(DeviceList(main)->GetCurSel(), 0);
    EXPECT_EQ(Field(main, IDC_FIRMWARE_VERSION), "V12R03");
    EXPECT_EQ(States(main), kAllEnabled);

    // Accepted: the wizard opens for the record, and leaving it by Cancel rebuilds the list.
    QString description;
    QWidget* wizardOwner = nullptr;
    auto verified = WhenActive<wizard::VerifyDialog>([&](wizard::VerifyDialog* verify) {
        WhenActive<wizard::WizardDialog>([&](wizard::WizardDialog* frame) {
            wizardOwner = ui::qt::WindowOf(*frame)->parentWidget();
            description = frame->GetPage(0)
                              ->ControlAs<ui::qt::QtEdit>(wizard::SystemPage::DESCRIPTION_EDIT)
                              ->text();
            frame->ControlAs<QPushButton>(ui::IDCANCEL)->click();
        });
        verify->ControlAs<ui::qt::QtEdit>(wizard::VERIFY_NAME_EDIT)->setText("admin");
        verify->ControlAs<ui::qt::QtEdit>(wizard::VERIFY_PASSWORD_EDIT)->setText("admin");
        verify->ControlAs<QPushButton>(wizard::VERIFY_OK_BUTTON)->click();
    });
    QTest::mouseClick(ui::qt::Widget(main, IDC_SETUP_WIZARD), Qt::LeftButton);
    EXPECT_TRUE(*verified);
    EXPECT_EQ(wizardOwner, ui::qt::WindowOf(main));
    EXPECT_EQ(description, "Office store");
    EXPECT_EQ(Discoveries(world.net), 2);
    EXPECT_EQ(Entries(main), QStringList({"NAS-Box"}));
    EXPECT_EQ(DeviceList(main)->GetCurSel(), -1);
    ExpectDetailsEmpty(main);
    EXPECT_EQ(States(main), kAfterRefresh);
    EXPECT_TRUE(world.boxes.boxes.empty());
    ui::qt::WindowOf(main)->hide();
}

TEST(MainDialog, ShareMappingRunsTheCheckFirstAndChangesNothingInTheWindow) {
    FakeWorld world;
    world.net.AddDevice(kBoxMac).Serve(BoxProfile(true));
    world.drives.SetRemote('Z', "\\\\192.168.1.20\\disk1");
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    ClickEntry(main, 0);
    ASSERT_EQ(States(main), kAllEnabled);
    const protocol::DeviceRecord* record = main.Devices()[0].get();
    const std::size_t sent = world.net.sent().size();

    // Cancelled: the dialog never opens, so the drives are not even looked at.
    auto cancelled = WhenActive<wizard::VerifyDialog>([](wizard::VerifyDialog* verify) {
        verify->ControlAs<QPushButton>(ui::IDCANCEL)->click();
    });
    QTest::mouseClick(ui::qt::Widget(main, IDC_SHARE_MAPPING), Qt::LeftButton);
    EXPECT_TRUE(*cancelled);
    EXPECT_TRUE(world.drives.Calls().empty());
    EXPECT_EQ(world.net.sent().size(), sent);

    // Accepted: the check's one request, then the dialog with the record's shares.
    QStringList shares;
    int mappedRows = -1;
    QWidget* owner = nullptr;
    auto verified = WhenActive<wizard::VerifyDialog>([&](wizard::VerifyDialog* verify) {
        WhenActive<shares::ShareMappingDialog>([&](shares::ShareMappingDialog* dialog) {
            owner = ui::qt::WindowOf(*dialog)->parentWidget();
            auto* combo = dialog->ControlAs<ui::qt::QtComboBox>(shares::IDC_SHARE_COMBO);
            for (int i = 0; i < combo->GetCount(); ++i) {
                shares << QString::fromStdString(combo->GetLBText(i));
            }
            mappedRows =
                dialog->ControlAs<ui::qt::QtListView>(shares::IDC_MAPPED_LIST)->GetItemCount();
            dialog->ControlAs<QPushButton>(ui::IDCANCEL)->click();
        });
        EXPECT_TRUE(world.drives.Calls().empty());  // the check comes first
        verify->ControlAs<ui::qt::QtEdit>(wizard::VERIFY_NAME_EDIT)->setText("admin");
        verify->ControlAs<ui::qt::QtEdit>(wizard::VERIFY_PASSWORD_EDIT)->setText("admin");
        verify->ControlAs<QPushButton>(wizard::VERIFY_OK_BUTTON)->click();
    });
    QTest::mouseClick(ui::qt::Widget(main, IDC_SHARE_MAPPING), Qt::LeftButton);
    EXPECT_TRUE(*verified);
    EXPECT_EQ(owner, ui::qt::WindowOf(main));
    EXPECT_EQ(shares, QStringList({"disk1", "disk2", "backup"}));
    EXPECT_EQ(mappedRows, 1);
    EXPECT_EQ(world.net.SentCommands().back(), protocol::CMD_VERIFY_ADMIN);
    EXPECT_EQ(world.net.sent().size(), sent + 1);

    // The window is as it was: same record, selection, panes and buttons.
    ASSERT_EQ(main.Devices().size(), 1u);
    EXPECT_EQ(main.Devices()[0].get(), record);
    EXPECT_EQ(DeviceList(main)->GetCurSel(), 0);
    EXPECT_EQ(Field(main, IDC_DESCRIPTION), "Office store");
    EXPECT_EQ(UsbList(main)->GetItemCount(), 2);
    EXPECT_EQ(States(main), kAllEnabled);
    EXPECT_TRUE(world.boxes.boxes.empty());
    ui::qt::WindowOf(main)->hide();
}

}  // namespace
}  // namespace halvo::app
