// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's logic on the in-memory backend: what discovery and a selection put in the
// window, the buttons' states, the About box, the window menu, the ways to end the run, and the
// wizard and share mapping behind the administrator check.
#include <gtest/gtest.h>

#include "DialogWorld.h"
#include "app/AboutDialog.h"
#include "app/AddDeviceDialog.h"
#include "app/MainDialog.h"
#include "shares/ShareMappingDialog.h"
#include "wizard/VerifyDialog.h"
#include "wizard/WizardDialog.h"
#include "wizard/WizardPages.h"

namespace halvo::app {
namespace {

using dialogs::testing::BoxProfile;
using dialogs::testing::DialogWorld;
using dialogs::testing::kBoxMac;

std::vector<bool> States(const MainDialog& main) {
    std::vector<bool> on;
    for (int id : {IDC_REFRESH_LIST, IDC_ACCESS_VIA_WEB, IDC_SETUP_WIZARD, IDC_SHARE_MAPPING,
                   IDC_ABOUT, IDC_QUIT}) {
        on.push_back(main.GetDlgItem(id)->IsEnabled());
    }
    return on;
}

const std::vector<bool> kAfterRefresh{true, false, false, false, true, true};
const std::vector<bool> kAllEnabled(6, true);

std::string Field(const MainDialog& main, int id) {
    return main.ControlAs<ui::StaticText>(id)->GetWindowText();
}

TEST(MainWindowLogic, StartsWithAnEmptyListAndOnlyRefreshAboutAndQuit) {
    DialogWorld world;
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    EXPECT_EQ(main.GetWindowText(), "Halvo");
    EXPECT_EQ(main.ControlAs<ui::ListBox>(IDC_DEVICE_LIST)->GetCount(), 0);
    EXPECT_EQ(States(main), kAfterRefresh);
    EXPECT_EQ(world.net.SentCommands(), std::vector<std::uint16_t>{protocol::CMD_DISCOVER});
    EXPECT_EQ(ui::testing::MemoryBackend::WindowOf(main)->Icon(), IDI_MAIN);
    ASSERT_GE(main.MenuItems().size(), 4u);
    EXPECT_EQ(main.MenuItems().back(), (ui::MenuItem{IDM_ABOUTBOX, "About Ostrel"}));
    auto* usb = main.ControlAs<ui::ListView>(IDC_USB_LIST);
    ASSERT_EQ(usb->GetColumnCount(), 5);
    EXPECT_EQ(usb->GetColumnHeading(3), "Total Size(MB)");
    EXPECT_EQ(usb->GetColumnWidth(0), 110);
    EXPECT_TRUE(usb->IsFullRowSelect());
    EXPECT_TRUE(world.boxes.boxes.empty());
}

TEST(MainWindowLogic, ChoosingADeviceFillsThePanesAndRefreshEmptiesThemAgain) {
    DialogWorld world;
    world.net.AddDevice(kBoxMac).Serve(BoxProfile());
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    ASSERT_TRUE(world.ui.Choose(main, IDC_DEVICE_LIST, 0));
    EXPECT_EQ(Field(main, IDC_FIRMWARE_VERSION), "V12R03");
    EXPECT_EQ(Field(main, IDC_DESCRIPTION), "Office store");
    EXPECT_EQ(Field(main, IDC_IP_ADDRESS), "192.168.1.20");
    auto* usb = main.ControlAs<ui::ListView>(IDC_USB_LIST);
    ASSERT_EQ(usb->GetItemCount(), 1);
    EXPECT_EQ(usb->GetItemText(0, 0), "disk1");
    EXPECT_EQ(usb->GetItemText(0, 2), "ext4");
    EXPECT_EQ(States(main), kAllEnabled);

    world.ui.Click(main, IDC_REFRESH_LIST);
    EXPECT_EQ(Field(main, IDC_FIRMWARE_VERSION), "");
    EXPECT_EQ(usb->GetItemCount(), 0);
    EXPECT_EQ(main.ControlAs<ui::ListBox>(IDC_DEVICE_LIST)->GetCurSel(), -1);
    EXPECT_EQ(States(main), kAfterRefresh);
    EXPECT_EQ(world.Sent(protocol::CMD_DISCOVER), 2);
}

TEST(MainWindowLogic, AccessViaWebHandsTheSelectedBoxToTheShell) {
    DialogWorld world;
    world.net.AddDevice(kBoxMac).Serve(BoxProfile());
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    world.ui.Click(main, IDC_ACCESS_VIA_WEB);  // disabled without a selection
    EXPECT_TRUE(world.shell.opened.empty());
    ASSERT_TRUE(world.ui.Choose(main, IDC_DEVICE_LIST, 0));
    world.ui.Click(main, IDC_ACCESS_VIA_WEB);
    EXPECT_EQ(world.shell.opened, std::vector<std::string>{WebAddress(*main.Devices()[0])});
}

TEST(MainWindowLogic, TheAboutBoxFromTheButtonAndTheWindowMenu) {
    DialogWorld world;
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    world.ui.OnModal(IDD_ABOUT, [&](ui::Dialog& about) { world.ui.Click(about, ui::IDOK); });
    world.ui.OnModal(IDD_ABOUT, [&](ui::Dialog& about) { world.ui.Press(about, ui::Key::escape); });
    world.ui.Click(main, IDC_ABOUT);
    EXPECT_TRUE(world.ui.ChooseMenuItem(main, IDM_ABOUTBOX));
    EXPECT_EQ(world.ui.ModalRuns(), (std::vector<int>{IDD_ABOUT, IDD_ABOUT}));
    EXPECT_TRUE(world.ui.UnfinishedRuns().empty());
    EXPECT_EQ(world.ui.PendingSteps(), 0u);
}

TEST(MainWindowLogic, QuitEscapeAndTheCloseBoxEndTheRun) {
    DialogWorld world;
    MainDialog main(world.context);
    world.ui.OnModal(IDD_MAIN, [&](ui::Dialog& d) { world.ui.Click(d, IDC_QUIT); });
    EXPECT_EQ(main.RunModal(), ui::IDOK);
    world.ui.OnModal(IDD_MAIN, [&](ui::Dialog& d) { world.ui.Press(d, ui::Key::escape); });
    EXPECT_EQ(main.RunModal(), ui::IDCANCEL);
    world.ui.OnModal(IDD_MAIN, [&](ui::Dialog& d) { world.ui.CloseBox(d); });
    EXPECT_EQ(main.RunModal(), ui::IDCANCEL);
    // Enter on the device list (no default button): command 1.
    world.ui.OnModal(IDD_MAIN, [&](ui::Dialog& d) { world.ui.Press(d, ui::Key::enter); });
    EXPECT_EQ(main.RunModal(), ui::IDOK);
    EXPECT_TRUE(world.ui.UnfinishedRuns().empty());
}

TEST(MainWindowLogic, AnAddressAddedByHandJoinsTheListAndEveryRefresh) {
    DialogWorld world;
    world.net.AddDevice(kBoxMac).AnswerDiscovery("Routed", "10.3.0.11");
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    world.ui.OnModal(IDD_ADD_DEVICE, [&](ui::Dialog& add) {
        EXPECT_EQ(add.FocusedControlId(), IDC_DEVICE_ADDRESS);
        world.ui.TypeAddress(add, IDC_DEVICE_ADDRESS, "10.3.0.11");
        world.ui.Click(add, ui::IDOK);
    });
    EXPECT_TRUE(world.ui.ChooseMenuItem(main, IDM_ADD_DEVICE));
    EXPECT_EQ(main.AddedAddresses(), std::vector<std::uint32_t>{0x0A03000Bu});
    world.ui.Click(main, IDC_REFRESH_LIST);
    auto* list = main.ControlAs<ui::ListBox>(IDC_DEVICE_LIST);
    ASSERT_GE(list->GetCount(), 1);
    EXPECT_EQ(list->GetText(list->GetCount() - 1), "Routed");
}

TEST(MainWindowLogic, TheWizardRunsBehindTheCheckAndEndsInANewDiscovery) {
    DialogWorld world;
    world.net.AddDevice(kBoxMac).Serve(BoxProfile(true));  // admin / admin
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    ASSERT_TRUE(world.ui.Choose(main, IDC_DEVICE_LIST, 0));

    // A cancelled check opens no wizard and changes nothing.
    world.ui.OnModal(wizard::VERIFY_TEMPLATE,
                     [&](ui::Dialog& verify) { world.ui.Click(verify, ui::IDCANCEL); });
    world.ui.Click(main, IDC_SETUP_WIZARD);
    EXPECT_EQ(world.ui.ModalRuns(), std::vector<int>{wizard::VERIFY_TEMPLATE});
    EXPECT_EQ(States(main), kAllEnabled);

    std::string description;
    world.ui.OnModal(wizard::VERIFY_TEMPLATE, [&](ui::Dialog& verify) {
        world.ui.Type(verify, wizard::VERIFY_NAME_EDIT, "admin");
        world.ui.Type(verify, wizard::VERIFY_PASSWORD_EDIT, "admin");
        world.ui.Click(verify, wizard::VERIFY_OK_BUTTON);
    });
    world.ui.OnModal(wizard::WIZARD_TEMPLATE, [&](ui::Dialog& frame) {
        auto& wizardFrame = dynamic_cast<wizard::WizardDialog&>(frame);
        description = wizardFrame.GetPage(0)
                          ->ControlAs<ui::Edit>(wizard::SystemPage::DESCRIPTION_EDIT)
                          ->GetWindowText();
        world.ui.Click(frame, wizard::WizardDialog::NEXT_BUTTON);  // sends the system page
        EXPECT_EQ(wizardFrame.CurrentPage(), 1);
        world.ui.Click(frame, ui::IDCANCEL);
    });
    world.ui.Click(main, IDC_SETUP_WIZARD);
    EXPECT_EQ(description, "Office store");
    EXPECT_EQ(world.Sent(protocol::CMD_VERIFY_ADMIN), 1);
    EXPECT_EQ(world.Sent(protocol::CMD_SET_SYSTEM_INFO), 1);
    EXPECT_EQ(world.Sent(protocol::CMD_DISCOVER), 2);
    EXPECT_EQ(States(main), kAfterRefresh);
    EXPECT_TRUE(world.ui.UnfinishedRuns().empty());
    EXPECT_TRUE(world.boxes.boxes.empty());
}

TEST(MainWindowLogic, ShareMappingRunsBehindTheCheckAndLeavesTheWindowAsItWas) {
    DialogWorld world;
    world.net.AddDevice(kBoxMac).Serve(BoxProfile(true));
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    ASSERT_TRUE(world.ui.Choose(main, IDC_DEVICE_LIST, 0));
    world.ui.OnModal(wizard::VERIFY_TEMPLATE, [&](ui::Dialog& verify) {
        world.ui.Type(verify, wizard::VERIFY_NAME_EDIT, "admin");
        world.ui.Type(verify, wizard::VERIFY_PASSWORD_EDIT, "admin");
        world.ui.Press(verify, ui::Key::other);
        world.ui.Focus(verify, wizard::VERIFY_PASSWORD_EDIT);
        world.ui.Press(verify, ui::Key::enter);  // Enter in the password verifies
    });
    world.ui.OnModal(shares::IDD_SHARE_MAPPING, [&](ui::Dialog& mapping) {
        world.ui.Choose(mapping, shares::IDC_SHARE_COMBO, 1);  // disk2
        world.ui.Choose(mapping, shares::IDC_DRIVE_COMBO, 0);  // Z:
        world.ui.Click(mapping, shares::IDC_MAP);
        EXPECT_EQ(mapping.ControlAs<ui::ListView>(shares::IDC_MAPPED_LIST)->GetItemCount(), 1);
        world.ui.Click(mapping, ui::IDOK);
    });
    world.ui.Click(main, IDC_SHARE_MAPPING);
    EXPECT_EQ(world.drives.RemoteOf('Z'), "\\\\192.168.1.20\\disk2");
    EXPECT_EQ(world.ui.ModalRuns(),
              (std::vector<int>{wizard::VERIFY_TEMPLATE, shares::IDD_SHARE_MAPPING}));
    EXPECT_EQ(States(main), kAllEnabled);
    EXPECT_EQ(Field(main, IDC_DESCRIPTION), "Office store");
    EXPECT_EQ(world.Sent(protocol::CMD_DISCOVER), 1);
}

}  // namespace
}  // namespace halvo::app
