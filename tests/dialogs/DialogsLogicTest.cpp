// SPDX-License-Identifier: GPL-3.0-or-later
// The other dialogs' logic on the in-memory backend: the administrator check, the wizard's pages,
// share mapping and the address dialog, driven by control identifier as the user drives them.
#include <gtest/gtest.h>

#include <vector>

#include "DialogWorld.h"
#include "app/AddDeviceDialog.h"
#include "protocol/DeviceRoutes.h"
#include "shares/ShareMappingDialog.h"
#include "shares/ShareMessages.h"
#include "wizard/NetworkSettings.h"
#include "wizard/VerifyDialog.h"
#include "wizard/WizardDialog.h"
#include "wizard/WizardPages.h"

namespace halvo::dialogs {
namespace {

using testing::BoxProfile;
using testing::BuiltInResources;
using testing::DialogWorld;
using testing::kBoxMac;

protocol::DeviceRecord Record(bool asksForPassword) {
    protocol::DeviceRecord record;
    record.name.Assign("NAS-Box");
    record.macAddress = kBoxMac;
    record.description.Assign("Office store");
    record.passwordRequired = asksForPassword ? 1 : 0;
    record.ipMode = 0;
    record.ipAddress.Assign("192.168.1.20");
    record.subnetMask.Assign("255.255.255.0");
    record.gateway.Assign("192.168.1.1");
    record.primaryDns.Assign("192.168.1.2");
    record.secondaryDns.Assign("192.168.1.3");
    record.date.Assign("20060305");
    record.time.Assign("140709");
    record.timezoneIndex = 20;
    return record;
}

// ---------------------------------------------------------------- the administrator check

TEST(VerifyLogic, TextsAreLimitedAndOnlyTheDevicesAcceptanceEndsWithOne) {
    DialogWorld world;
    world.net.AddDevice(kBoxMac).Serve(BoxProfile(true));
    const protocol::DeviceRecord record = Record(true);
    wizard::VerifyDialog dialog(world.ui, BuiltInResources(), world.context.Protocol(),
                                world.context.codec);
    dialog.SetDevice(&record);
    world.ui.OnModal(wizard::VERIFY_TEMPLATE, [&](ui::Dialog& d) {
        EXPECT_EQ(d.FocusedControlId(), wizard::VERIFY_NAME_EDIT);
        world.ui.Type(d, wizard::VERIFY_NAME_EDIT, "administrator-of-the-box");
        EXPECT_EQ(d.ControlAs<ui::Edit>(wizard::VERIFY_NAME_EDIT)->GetWindowText(),
                  "administrator-of");      // 16
        world.ui.Press(d, ui::Key::enter);  // Enter in the name only moves on
        EXPECT_EQ(d.FocusedControlId(), wizard::VERIFY_PASSWORD_EDIT);
        EXPECT_EQ(world.Sent(protocol::CMD_VERIFY_ADMIN), 0);

        world.ui.Type(d, wizard::VERIFY_NAME_EDIT, "admin");
        world.ui.Type(d, wizard::VERIFY_PASSWORD_EDIT, "adminadmin");  // 8 are kept: refused
        EXPECT_TRUE(d.ControlAs<ui::Edit>(wizard::VERIFY_PASSWORD_EDIT)->IsMasked());
        world.ui.Press(d, ui::Key::enter);
        EXPECT_TRUE(d.IsRunning());
        EXPECT_EQ(d.FocusedControlId(), wizard::VERIFY_OK_BUTTON);
        world.ui.Type(d, wizard::VERIFY_PASSWORD_EDIT, "admin");
        world.ui.Click(d, wizard::VERIFY_OK_BUTTON);
    });
    EXPECT_EQ(dialog.RunModal(), ui::IDOK);
    EXPECT_EQ(world.Sent(protocol::CMD_VERIFY_ADMIN), 2);
    // The password is gone once the dialog has ended.
    EXPECT_EQ(dialog.ControlAs<ui::Edit>(wizard::VERIFY_PASSWORD_EDIT)->GetWindowText(), "");
    EXPECT_TRUE(dialog.GetDlgItem(wizard::VERIFY_OK_BUTTON)->IsEnabled());
}

TEST(VerifyLogic, EnterOnCancelAndTheCloseBoxCancelWithoutSending) {
    DialogWorld world;
    const protocol::DeviceRecord record = Record(true);
    wizard::VerifyDialog dialog(world.ui, BuiltInResources(), world.context.Protocol(),
                                world.context.codec);
    dialog.SetDevice(&record);
    world.ui.OnModal(wizard::VERIFY_TEMPLATE, [&](ui::Dialog& d) {
        world.ui.Focus(d, ui::IDCANCEL);
        world.ui.Press(d, ui::Key::enter);
    });
    EXPECT_EQ(dialog.RunModal(), ui::IDCANCEL);
    world.ui.OnModal(wizard::VERIFY_TEMPLATE, [&](ui::Dialog& d) { world.ui.CloseBox(d); });
    EXPECT_EQ(dialog.RunModal(), ui::IDCANCEL);
    world.ui.OnModal(wizard::VERIFY_TEMPLATE,
                     [&](ui::Dialog& d) { world.ui.Press(d, ui::Key::escape); });
    EXPECT_EQ(dialog.RunModal(), ui::IDCANCEL);
    EXPECT_TRUE(world.net.sent().empty());
}

// ---------------------------------------------------------------- the wizard

class AlwaysAccepted final : public wizard::VerifyPrompt {
  public:
    int Run(const protocol::DeviceRecord&) override { return ui::IDOK; }
};

TEST(WizardLogic, PagesAreFilledFromTheRecordAndTheProtocolRowGatesTheAddresses) {
    DialogWorld world;
    world.net.AddDevice(kBoxMac).Serve(BoxProfile(false));
    const protocol::DeviceRecord record = Record(false);
    const wizard::WizardContext context{BuiltInResources(), world.ui, world.context.Protocol(),
                                        world.zone, world.context.codec};
    AlwaysAccepted verify;
    world.ui.OnModal(wizard::WIZARD_TEMPLATE, [&](ui::Dialog& frame) {
        auto& w = dynamic_cast<wizard::WizardDialog&>(frame);
        ui::Dialog& system = *w.GetPage(0);
        ui::Dialog& network = *w.GetPage(1);
        EXPECT_TRUE(system.IsWindowVisible());
        EXPECT_FALSE(network.IsWindowVisible());
        EXPECT_FALSE(frame.GetDlgItem(wizard::WizardDialog::BACK_BUTTON)->IsEnabled());
        EXPECT_EQ(system.ControlAs<ui::ComboBox>(wizard::SystemPage::TIMEZONE_COMBO)->GetCurSel(),
                  20);
        EXPECT_EQ(system.ControlAs<ui::DatePicker>(wizard::SystemPage::DATE_PICKER)->GetDate(),
                  (ui::Date{2006, 3, 5}));
        EXPECT_EQ(system.ControlAs<ui::TimePicker>(wizard::SystemPage::TIME_PICKER)->GetTime(),
                  (ui::TimeOfDay{14, 7, 9}));
        EXPECT_EQ(frame.ControlRect(wizard::WizardDialog::PAGE_AREA),
                  ui::testing::MemoryBackend::WindowOf(system)->Geometry());

        world.ui.Type(system, wizard::SystemPage::DESCRIPTION_EDIT, "Cellar box_2");
        world.ui.PickDate(system, wizard::SystemPage::DATE_PICKER, {2012, 2, 29});
        world.ui.Click(frame, wizard::WizardDialog::NEXT_BUTTON);
        EXPECT_EQ(w.CurrentPage(), 1);
        EXPECT_TRUE(network.IsWindowVisible());
        EXPECT_TRUE(frame.GetDlgItem(wizard::WizardDialog::BACK_BUTTON)->IsEnabled());

        auto* address = network.ControlAs<ui::IpAddressControl>(wizard::NetworkPage::IP_ADDRESS);
        EXPECT_EQ(address->GetAddress(), "192.168.1.20");
        EXPECT_TRUE(address->IsEnabled());
        world.ui.Choose(network, wizard::NetworkPage::PROTOCOL_COMBO, 1);  // DHCP
        EXPECT_FALSE(address->IsEnabled());
        world.ui.Choose(network, wizard::NetworkPage::PROTOCOL_COMBO, 0);  // static again
        EXPECT_TRUE(address->IsEnabled());
        world.ui.TypeAddress(network, wizard::NetworkPage::GATEWAY, "192.168.1.254");
        world.ui.Click(frame, wizard::WizardDialog::NEXT_BUTTON);
        EXPECT_EQ(w.CurrentPage(), 2);
        EXPECT_EQ(
            frame.ControlAs<ui::PushButton>(wizard::WizardDialog::NEXT_BUTTON)->GetWindowText(),
            "&Finished");
        world.ui.Click(frame, wizard::WizardDialog::NEXT_BUTTON);
    });
    EXPECT_TRUE(wizard::RunSetupWizard(context, record, nullptr, verify));
    EXPECT_EQ(world.Sent(protocol::CMD_SET_SYSTEM_INFO), 1);
    EXPECT_EQ(world.Sent(protocol::CMD_SET_NETWORK_INFO), 1);
    EXPECT_TRUE(world.ui.UnfinishedRuns().empty());
    EXPECT_TRUE(world.boxes.boxes.empty());
}

TEST(WizardLogic, EnterInAPageFieldIsNextAndWritesTheEscStillCancels) {
    const std::vector<int> systemFields{
        wizard::SystemPage::PASSWORD_CHECK, wizard::SystemPage::DESCRIPTION_EDIT,
        wizard::SystemPage::TIMEZONE_COMBO, wizard::SystemPage::DATE_PICKER,
        wizard::SystemPage::TIME_PICKER};
    const std::vector<int> networkFields{
        wizard::NetworkPage::PROTOCOL_COMBO, wizard::NetworkPage::IP_ADDRESS,
        wizard::NetworkPage::SUBNET_MASK,    wizard::NetworkPage::GATEWAY,
        wizard::NetworkPage::PRIMARY_DNS,    wizard::NetworkPage::SECONDARY_DNS};
    // Enter in each field of the system page, then of the network page; then Esc on the frame.
    for (const int page : {0, 1}) {
        for (const int id : page == 0 ? systemFields : networkFields) {
            DialogWorld world;
            world.net.AddDevice(kBoxMac).Serve(BoxProfile(false));
            const protocol::DeviceRecord record = Record(false);
            const wizard::WizardContext context{BuiltInResources(), world.ui,
                                                world.context.Protocol(), world.zone,
                                                world.context.codec};
            AlwaysAccepted verify;
            world.ui.OnModal(wizard::WIZARD_TEMPLATE, [&](ui::Dialog& frame) {
                auto& w = dynamic_cast<wizard::WizardDialog&>(frame);
                if (page == 1) {
                    world.ui.Click(frame, wizard::WizardDialog::NEXT_BUTTON);
                }
                ui::Dialog& fields = *w.GetPage(page);
                ASSERT_TRUE(world.ui.Focus(fields, id)) << "field " << id;
                EXPECT_TRUE(world.ui.Press(fields, ui::Key::enter));
                EXPECT_EQ(w.CurrentPage(), page + 1) << "field " << id;
                auto* window = ui::testing::MemoryBackend::WindowOf(frame);
                EXPECT_TRUE(window->IsRunning());
                world.ui.Focus(frame, wizard::WizardDialog::NEXT_BUTTON);
                EXPECT_TRUE(world.ui.Press(frame, ui::Key::escape));
                EXPECT_FALSE(window->IsRunning());
            });
            EXPECT_TRUE(wizard::RunSetupWizard(context, record, nullptr, verify));
            EXPECT_EQ(world.Sent(protocol::CMD_SET_SYSTEM_INFO), 1) << "field " << id;
            EXPECT_EQ(world.Sent(protocol::CMD_SET_NETWORK_INFO), page) << "field " << id;
            EXPECT_TRUE(world.ui.UnfinishedRuns().empty());
            EXPECT_TRUE(world.boxes.boxes.empty());
        }
    }
}

// ---------------------------------------------------------------- share mapping

TEST(ShareMappingLogic, MapsATypedShareListsItAndUnmapsIt) {
    DialogWorld world;
    world.drives.SetRemote('Y', "\\\\10.9.9.9\\other");
    world.drives.RecordPasswords(true);
    protocol::DeviceRecord record = Record(false);
    record.shares.resize(2);
    record.shares[0].name.Assign("disk1");
    record.shares[1].name.Assign("disk2");
    const shares::ShareMappingContext context{world.drives, world.boxes, BuiltInResources(),
                                              world.ui, world.context.codec};
    shares::ShareMappingDialog dialog(context);
    dialog.SetDevice(&record);
    world.ui.OnModal(shares::IDD_SHARE_MAPPING, [&](ui::Dialog& d) {
        EXPECT_EQ(d.FocusedControlId(), ui::IDOK);
        auto* drives = d.ControlAs<ui::ComboBox>(shares::IDC_DRIVE_COMBO);
        EXPECT_EQ(drives->GetLBText(0), "Z:");
        EXPECT_EQ(drives->GetLBText(1), "Y:  \\\\10.9.9.9\\other");  // taken, shown with its share
        auto* mapped = d.ControlAs<ui::ListView>(shares::IDC_MAPPED_LIST);
        EXPECT_EQ(mapped->GetItemCount(), 0);  // another server's letter is not listed

        world.ui.Type(d, shares::IDC_SHARE_COMBO, "disk1");
        world.ui.Type(d, shares::IDC_DRIVE_COMBO, "X:");
        world.ui.Type(d, shares::IDC_USER_NAME, std::string(40, 'u'));
        world.ui.Type(d, shares::IDC_PASSWORD, "pw");
        world.ui.Click(d, shares::IDC_MAP);
        ASSERT_EQ(mapped->GetItemCount(), 1);
        EXPECT_EQ(mapped->GetItemText(0, 0), "\\\\192.168.1.20\\disk1");
        EXPECT_EQ(mapped->GetItemText(0, 1), "X:");

        world.ui.Click(d, shares::IDC_UNMAP);  // nothing selected: nothing happens
        EXPECT_EQ(mapped->GetItemCount(), 1);
        world.ui.Choose(d, shares::IDC_MAPPED_LIST, 0);
        world.ui.Click(d, shares::IDC_UNMAP);
        EXPECT_EQ(mapped->GetItemCount(), 0);
        world.ui.Click(d, ui::IDOK);
    });
    dialog.RunModal();
    const auto adds = world.drives.CallsOf(platform::testing::FakeNetworkDrives::Op::AddConnection);
    ASSERT_EQ(adds.size(), 1u);
    EXPECT_EQ(adds[0].userName, std::string(32, 'u'));  // the user name is limited to 32
    EXPECT_EQ(adds[0].password, "pw");
    EXPECT_FALSE(world.drives.RemoteOf('X').has_value());
    EXPECT_TRUE(world.boxes.boxes.empty());
}

TEST(ShareMappingLogic, AFailedMapGetsItsMessageAndListsNothing) {
    DialogWorld world;
    protocol::DeviceRecord record = Record(false);
    const shares::ShareMappingContext context{world.drives, world.boxes, BuiltInResources(),
                                              world.ui, world.context.codec};
    shares::ShareMappingDialog dialog(context);
    dialog.SetDevice(&record);
    world.ui.OnModal(shares::IDD_SHARE_MAPPING, [&](ui::Dialog& d) {
        world.ui.Type(d, shares::IDC_SHARE_COMBO, "disk1");
        world.ui.Type(d, shares::IDC_DRIVE_COMBO, "Q");  // no drive letter
        world.ui.Click(d, shares::IDC_MAP);
        EXPECT_EQ(d.ControlAs<ui::ListView>(shares::IDC_MAPPED_LIST)->GetItemCount(), 0);
        world.ui.Press(d, ui::Key::escape);
    });
    EXPECT_EQ(dialog.RunModal(), ui::IDCANCEL);
    EXPECT_EQ(world.boxes.Texts(), std::vector<std::string>{std::string(shares::MSG_MAP_FAILED)});
}

// ---------------------------------------------------------------- add by address

TEST(AddDeviceLogic, ABadOrSilentAddressGetsItsMessageAndOnlyAnAnswerEndsTheDialog) {
    DialogWorld world;
    world.net.AddDevice(kBoxMac).AnswerDiscovery("Routed", "10.3.0.11");
    std::vector<std::string> received;
    app::AddDeviceDialog dialog(world.ui, BuiltInResources(), world.context.Protocol(),
                                [&](std::unique_ptr<protocol::DeviceRecord> found) {
                                    received.push_back(found->name.str());
                                });
    world.ui.OnModal(app::IDD_ADD_DEVICE, [&](ui::Dialog& d) {
        world.ui.TypeAddress(d, app::IDC_DEVICE_ADDRESS, "10..0.1");  // a field left blank
        world.ui.Click(d, ui::IDOK);
        world.ui.TypeAddress(d, app::IDC_DEVICE_ADDRESS, "255.255.255.255");
        world.ui.Click(d, ui::IDOK);
        EXPECT_TRUE(world.net.sent().empty());
        world.ui.TypeAddress(d, app::IDC_DEVICE_ADDRESS, "10.3.0.99");
        world.ui.Click(d, ui::IDOK);
        EXPECT_TRUE(d.IsRunning());
        world.ui.TypeAddress(d, app::IDC_DEVICE_ADDRESS, "10.3.0.11");
        world.ui.Click(d, ui::IDOK);
    });
    EXPECT_EQ(dialog.RunModal(), ui::IDOK);
    EXPECT_EQ(dialog.Address(), 0x0A03000Bu);
    EXPECT_EQ(received, std::vector<std::string>{"Routed"});
    EXPECT_EQ(world.boxes.Texts(),
              (std::vector<std::string>{std::string(app::MSG_NOT_AN_ADDRESS),
                                        std::string(app::MSG_NOT_AN_ADDRESS),
                                        app::NoDeviceAnsweredMessage(0x0A030063u)}));
}

}  // namespace
}  // namespace halvo::dialogs
