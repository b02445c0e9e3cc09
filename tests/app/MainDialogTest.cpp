// The main window: the device list after discovery, the details and button states around a
// refresh, the About box from the button and the window menu, the ways to close it, and the
// web address handed to the shell.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "AppTestSupport.h"
#include "app/AboutDialog.h"
#include "app/MainDialog.h"
#include "protocol/Messages.h"
#include "ui/testing/GuiTest.h"

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
    auto on = [&](int id) { return main.Control(id)->isEnabled(); };
    return {on(IDC_REFRESH_LIST),  on(IDC_ACCESS_VIA_WEB), on(IDC_SETUP_WIZARD),
            on(IDC_SHARE_MAPPING), on(IDC_ABOUT),          on(IDC_QUIT)};
}

constexpr ButtonStates kAfterRefresh{true, false, false, false, true, true};
constexpr ButtonStates kDuringRefresh{false, false, false, false, true, true};
constexpr ButtonStates kAllEnabled{true, true, true, true, true, true};

ui::ListBox* DeviceList(const MainDialog& main) {
    return main.ControlAs<ui::ListBox>(IDC_DEVICE_LIST);
}

ui::ListView* UsbList(const MainDialog& main) {
    return main.ControlAs<ui::ListView>(IDC_USB_LIST);
}

QStringList Entries(const MainDialog& main) {
    QStringList entries;
    for (int i = 0; i < DeviceList(main)->GetCount(); ++i) {
        entries << DeviceList(main)->GetText(i);
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
        main.Control(id)->setEnabled(true);
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
    EXPECT_EQ(main.windowTitle(), "Halvo");
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
    ui::ListView* usb = UsbList(main);
    ASSERT_EQ(usb->GetColumnCount(), 5);
    const QStringList headings{"Share Name", "Device Id", "FS Type", "Total Size(MB)",
                               "Free Space"};
    const int widths[] = {110, 70, 70, 100, 72};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(usb->GetColumnHeading(c), headings[c]);
        EXPECT_EQ(usb->GetColumnWidth(c), widths[c]);
        EXPECT_EQ(usb->GetColumnAlignment(c), Qt::AlignLeft);
    }
    EXPECT_TRUE(usb->IsFullRowSelect());
}

TEST(MainDialog, WindowIconAndWindowMenu) {
    FakeWorld world;
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    EXPECT_FALSE(main.windowIcon().isNull());
    EXPECT_TRUE(main.windowIcon().availableSizes().contains(QSize(16, 16)));
    EXPECT_TRUE(main.windowIcon().availableSizes().contains(QSize(32, 32)));
    const std::vector<ui::MenuItem>& items = main.MenuItems();
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items[items.size() - 2].id, 0);  // a separator first
    EXPECT_TRUE(items[items.size() - 2].text.isEmpty());
    EXPECT_EQ(items.back().id, 16);
    EXPECT_EQ(items.back().text, "About Ostrel");
}

// ---------------------------------------------------------------- the device list

TEST(MainDialog, DevicesAppearInReplyOrderUnsortedWithDuplicatesAndEmptyNames) {
    FakeWorld world;
    world.net.AddDevice(Mac(1)).AnswerDiscovery("zeta", "192.168.1.21", 80, 40ms);
    world.net.AddDevice(Mac(2)).AnswerDiscovery("alpha", "192.168.1.22", 80, 10ms);
    world.net.AddDevice(Mac(3)).AnswerDiscovery("", "192.168.1.23", 80, 30ms);
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
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    ui::ListBox* list = DeviceList(main);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(2)).center());
    EXPECT_EQ(list->GetCurSel(), 2);
    EXPECT_EQ(main.SelectedDevice(), main.Devices()[2].get());
    main.hide();
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

    QTest::mouseClick(main.Control(IDC_REFRESH_LIST), Qt::LeftButton);
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
    world.net.AddDevice(Mac(1)).AnswerDiscovery("NAS-1", "192.168.1.21");
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    const std::size_t sent = world.net.sent().size();
    main.OnAccessViaWeb();
    main.OnSetupWizard();
    main.OnShareMapping();
    EXPECT_TRUE(world.shell.opened.empty());
    EXPECT_TRUE(world.boxes.boxes.empty());
    EXPECT_EQ(world.net.sent().size(), sent);
    EXPECT_EQ(main.Devices().size(), 1u);
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
    main.Control(IDC_ACCESS_VIA_WEB)->setEnabled(true);  // as a finished detail query leaves it
    main.show();
    QTest::mouseClick(main.Control(IDC_ACCESS_VIA_WEB), Qt::LeftButton);
    main.hide();
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
            title = about->windowTitle();
            version = qobject_cast<QLabel*>(about->ControlAt(1))->text();
            EXPECT_EQ(about->parentWidget(), d);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        QTest::mouseClick(d->Control(IDC_ABOUT), Qt::LeftButton);
        EXPECT_TRUE(d->isVisible());  // the About box closing leaves the window open
        QTest::mouseClick(d->Control(IDC_QUIT), Qt::LeftButton);
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
                    QTest::mouseClick(about->Control(ui::IDOK), Qt::LeftButton);
                });
                QTest::mouseClick(menu, Qt::LeftButton, {},
                                  menu->actionGeometry(actions.back()).center());
            });
            if (how == 0) {
                QWidget* label = d->ControlAt(9);
                QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(1, 1),
                                        label->mapToGlobal(QPoint(1, 1)));
                QApplication::sendEvent(label, &event);
            } else {
                d->activateWindow();  // back from the About box
                ASSERT_TRUE(QTest::qWaitForWindowActive(d));
                QTest::keyClick(d->Control(IDC_DEVICE_LIST), how == 1 ? Qt::Key_F10 : Qt::Key_Menu,
                                how == 1 ? Qt::ShiftModifier : Qt::NoModifier);
            }
        }
        d->SendSysCommand(IDM_ABOUTBOX + 3);  // the low four bits do not matter
        QTest::mouseClick(d->Control(IDC_QUIT), Qt::LeftButton);
    });
    WhenActive<AboutDialog>(
        [&abouts](AboutDialog* about) {
            ++abouts;
            about->close();
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
        {"Quit", [](MainDialog* d) { QTest::mouseClick(d->Control(IDC_QUIT), Qt::LeftButton); },
         ui::IDOK},
        {"Esc", [](MainDialog* d) { QTest::keyClick(d->Control(IDC_DEVICE_LIST), Qt::Key_Escape); },
         ui::IDCANCEL},
        {"Enter on the device list",
         [](MainDialog* d) {
             EXPECT_EQ(d->FocusedControlId(), IDC_DEVICE_LIST);
             QTest::keyClick(d->Control(IDC_DEVICE_LIST), Qt::Key_Return);
         },
         ui::IDOK},
        {"close box", [](MainDialog* d) { d->close(); }, ui::IDCANCEL},
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
        EXPECT_FALSE(main.isVisible());
    }
}

TEST(MainDialog, EnterOnAPushButtonClicksItInsteadOfClosing) {
    FakeWorld world;
    MainDialog main(world.context);
    WhenActive<MainDialog>([&world](MainDialog* d) {
        const std::size_t sent = world.net.sent().size();
        d->Control(IDC_REFRESH_LIST)->setFocus();
        QTest::keyClick(d->Control(IDC_REFRESH_LIST), Qt::Key_Return);
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(world.net.sent().size(), sent + 1);  // a new discovery
        QTest::keyClick(d->Control(IDC_REFRESH_LIST), Qt::Key_Escape);
    });
    EXPECT_EQ(main.RunModal(), ui::IDCANCEL);
}

}  // namespace
}  // namespace halvo::app
