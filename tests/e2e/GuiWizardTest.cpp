// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end: "Setup wizard" on the LAN. The administrator check against the box that asks for
// it, settings written through the wizard's pages and read back by the next detail query, and a
// box that refuses one write and never answers the other.
#include <QCheckBox>
#include <chrono>

#include "GuiLanSupport.h"
#include "protocol/DeviceExchange.h"
#include "protocol/Messages.h"
#include "tools/devsim/DeviceConfig.h"
#include "ui/qt/QtBackend.h"
#include "wizard/VerifyDialog.h"
#include "wizard/WizardDialog.h"
#include "wizard/WizardPages.h"

namespace halvo::e2e {
namespace {

using wizard::NetworkPage;
using wizard::SystemPage;
using wizard::WizardDialog;

// Long enough for a settings write that is never answered (200 polls of 100 ms).
constexpr int kWizardWaitMs = 30000;

class GuiWizard : public GuiLanBase {
  protected:
    // After every run of the wizard the list is rebuilt: the same boxes, none selected, empty
    // details and only Refresh list, About and Quit enabled.
    void ExpectListRebuilt(const MainDialog& main) {
        EXPECT_EQ(Sorted(Entries(main)), LanNames());
        EXPECT_EQ(DeviceList(main)->GetCurSel(), -1);
        EXPECT_TRUE(FieldText(main, app::IDC_DESCRIPTION).isEmpty());
        EXPECT_EQ(UsbList(main)->GetItemCount(), 0);
        EXPECT_EQ(States(main), kAfterRefresh);
    }

    // Puts a box's settings back as its configuration has them, the clock at the time now.
    void RestoreSettings(const LanDevice& d) {
        const protocol::ProtocolContext protocol = context_.Protocol();
        protocol::DeviceRecord record;
        record.macAddress = d.config.mac;
        record.name = d.config.name;
        protocol::SystemInfoBlock system = d.config.system;
        devsim::FormatDeviceTime(std::chrono::system_clock::now(), system.date, system.time);
        protocol::NetworkInfoBlock network = d.config.network;
        network.ipAddress.Assign(d.hostAddress);
        EXPECT_EQ(protocol::SendSystemInfo(protocol, record, system),
                  protocol::StatusOutcome::Accepted);
        EXPECT_EQ(protocol::SendNetworkInfo(protocol, record, network),
                  protocol::StatusOutcome::Accepted);
    }
};

TEST_F(GuiWizard, TheAdministratorCheckRefusesAWrongPasswordAndOpensTheWizardOnTheRightOne) {
    const LanDevice& locked = ByName("NAS-Locked");
    auto main = OpenMain();
    ClickEntry(*main, "NAS-Locked");
    ASSERT_EQ(main->SelectedDevice()->passwordRequired, 1);

    std::vector<std::string> afterWrong;
    bool stayedOpen = false;
    QString wizardDescription;
    std::shared_ptr<bool> wizardSeen;
    auto verifySeen = WhenActive<wizard::VerifyDialog>(
        [&](wizard::VerifyDialog* verify) {
            EndOnExit end(verify);
            Type(*verify, wizard::VERIFY_NAME_EDIT, Q(locked.config.adminName.view()));
            Type(*verify, wizard::VERIFY_PASSWORD_EDIT, "wrong");
            Click(*verify, wizard::VERIFY_OK_BUTTON);
            afterWrong = boxes_.Texts();
            stayedOpen = verify->IsRunning();

            // The right one: the check ends and the wizard opens on its first page.
            wizardSeen = WhenActive<WizardDialog>(
                [&](WizardDialog* wizard) {
                    EndOnExit endWizard(wizard);
                    EXPECT_EQ(wizard->CurrentPage(), 0);
                    wizardDescription = QString::fromStdString(
                        wizard->GetPage(0)
                            ->ControlAs<ui::qt::QtEdit>(SystemPage::DESCRIPTION_EDIT)
                            ->GetWindowText());
                    Click(*wizard, ui::IDCANCEL);
                },
                kWizardWaitMs, armed_.get());
            Type(*verify, wizard::VERIFY_PASSWORD_EDIT, Q(locked.config.adminPassword.view()));
            Click(*verify, wizard::VERIFY_OK_BUTTON);
        },
        10000, armed_.get());
    Click(*main, app::IDC_SETUP_WIZARD);

    ASSERT_TRUE(*verifySeen) << "the administrator check did not open";
    EXPECT_EQ(afterWrong, std::vector<std::string>{std::string(protocol::MSG_VERIFY_FAILED)});
    EXPECT_TRUE(stayedOpen);
    ASSERT_TRUE(wizardSeen && *wizardSeen) << "the wizard did not open after the right password";
    EXPECT_EQ(wizardDescription, Q(locked.config.system.description.view()));
    EXPECT_EQ(boxes_.Texts(), afterWrong);  // nothing more
    // Cancelled on its first page, the wizard still ends in a new discovery.
    ExpectListRebuilt(*main);
}

TEST_F(GuiWizard, SettingsWrittenThroughTheWizardAreWhatTheBoxReportsNext) {
    const LanDevice& gamma = ByName("NAS-Gamma");
    auto main = OpenMain();
    ClickEntry(*main, "NAS-Gamma");
    ASSERT_EQ(main->SelectedDevice()->passwordRequired, 0);  // no check in front of the wizard
    const QDate date(2006, 3, 5);
    const QTime time(14, 7, 9);

    std::vector<int> pages;
    auto seen = WhenActive<WizardDialog>(
        [&](WizardDialog* wizard) {
            EndOnExit end(wizard);
            ui::Dialog* system = wizard->GetPage(0);
            Type(*system, SystemPage::DESCRIPTION_EDIT, "Moved to the lab");
            system->ControlAs<ui::qt::QtComboBox>(SystemPage::TIMEZONE_COMBO)->SetCurSel(31);
            QTest::mouseClick(ui::qt::Widget(*system, SystemPage::PASSWORD_CHECK), Qt::LeftButton);
            EXPECT_FALSE(system->ControlAs<QCheckBox>(SystemPage::PASSWORD_CHECK)->isChecked());
            system->ControlAs<ui::qt::QtDatePicker>(SystemPage::DATE_PICKER)->setDate(date);
            system->ControlAs<ui::qt::QtTimePicker>(SystemPage::TIME_PICKER)->setTime(time);
            Click(*wizard, WizardDialog::NEXT_BUTTON);
            pages.push_back(wizard->CurrentPage());

            ui::Dialog* network = wizard->GetPage(1);
            auto address = [&](int id) {
                return network->ControlAs<ui::qt::QtIpAddressControl>(id);
            };
            EXPECT_EQ(address(NetworkPage::IP_ADDRESS)->GetAddress(), Q(gamma.hostAddress));
            EXPECT_TRUE(address(NetworkPage::SUBNET_MASK)->SetAddress("255.255.255.0"));
            EXPECT_TRUE(address(NetworkPage::GATEWAY)->SetAddress("10.77.0.1"));
            EXPECT_TRUE(address(NetworkPage::PRIMARY_DNS)->SetAddress("10.77.0.53"));
            EXPECT_TRUE(address(NetworkPage::SECONDARY_DNS)->SetAddress("10.77.0.54"));
            Click(*wizard, WizardDialog::NEXT_BUTTON);
            pages.push_back(wizard->CurrentPage());
            Click(*wizard, WizardDialog::NEXT_BUTTON);  // "&Finished"
            EXPECT_FALSE(ui::qt::WindowOf(*wizard)->isVisible());
        },
        kWizardWaitMs, armed_.get());
    Click(*main, app::IDC_SETUP_WIZARD);
    ASSERT_TRUE(*seen) << "the wizard did not open";
    EXPECT_EQ(pages, (std::vector<int>{1, 2}));
    EXPECT_TRUE(boxes_.boxes.empty()) << boxes_.Texts().front();
    ExpectListRebuilt(*main);

    // The next detail query reads back what the pages sent.
    ClickEntry(*main, "NAS-Gamma");
    const protocol::DeviceRecord* record = main->SelectedDevice();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(FieldText(*main, app::IDC_DESCRIPTION), "Moved to the lab");
    EXPECT_EQ(record->description.view(), "Moved to the lab");
    EXPECT_EQ(record->timezoneIndex, 31);
    EXPECT_EQ(record->passwordRequired, 1);
    EXPECT_EQ(FieldText(*main, app::IDC_IP_ADDRESS), Q(gamma.hostAddress));
    EXPECT_EQ(FieldText(*main, app::IDC_IP_STATUS), "Static ip");
    EXPECT_EQ(record->subnetMask.view(), "255.255.255.0");
    EXPECT_EQ(record->gateway.view(), "10.77.0.1");
    EXPECT_EQ(record->primaryDns.view(), "10.77.0.53");
    EXPECT_EQ(record->secondaryDns.view(), "10.77.0.54");
    // The box's clock runs on from the time set, read back in the workstation's local time.
    const auto shown =
        wizard::PickerTimeFromStored(timeZone_, record->date.view(), record->time.view());
    ASSERT_TRUE(shown) << record->date.view() << " " << record->time.view();
    const QDateTime set(date, time);
    const QDateTime read(QDate(shown->year, shown->month, shown->day),
                         QTime(shown->hour, shown->minute, shown->second));
    EXPECT_GE(set.secsTo(read), 0);
    EXPECT_LE(set.secsTo(read), 60);
    EXPECT_EQ(States(*main), kAllEnabled);
    EXPECT_TRUE(boxes_.boxes.empty());

    RestoreSettings(gamma);
}

TEST_F(GuiWizard, ARefusedAndAnUnansweredWriteShowTheirMessagesAndTheWizardStillAdvances) {
    const LanDevice& stubborn = ByName("NAS-Stubborn");
    ASSERT_TRUE(stubborn.config.faults.refuse.Has(protocol::CMD_SET_SYSTEM_INFO));
    ASSERT_TRUE(stubborn.config.faults.silent.Has(protocol::CMD_SET_NETWORK_INFO));
    auto main = OpenMain();
    ClickEntry(*main, "NAS-Stubborn");

    std::vector<std::vector<std::string>> messages;
    std::vector<int> pages;
    auto seen = WhenActive<WizardDialog>(
        [&](WizardDialog* wizard) {
            EndOnExit end(wizard);
            Type(*wizard->GetPage(0), SystemPage::DESCRIPTION_EDIT, "Not taken");
            Click(*wizard, WizardDialog::NEXT_BUTTON);
            messages.push_back(boxes_.Texts());
            pages.push_back(wizard->CurrentPage());
            auto* gateway =
                wizard->GetPage(1)->ControlAs<ui::qt::QtIpAddressControl>(NetworkPage::GATEWAY);
            EXPECT_TRUE(gateway->SetAddress("10.77.0.99"));
            Click(*wizard, WizardDialog::NEXT_BUTTON);  // about 20 s without an answer
            messages.push_back(boxes_.Texts());
            pages.push_back(wizard->CurrentPage());
            Click(*wizard, WizardDialog::NEXT_BUTTON);
        },
        kWizardWaitMs, armed_.get());
    Click(*main, app::IDC_SETUP_WIZARD);
    ASSERT_TRUE(*seen) << "the wizard did not open";
    const std::string refused(protocol::MSG_SET_SYSTEM_FAILED);
    const std::string timedOut(protocol::MSG_TIMEOUT_SET_NETWORK);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], std::vector<std::string>{refused});
    EXPECT_EQ(messages[1], (std::vector<std::string>{refused, timedOut}));
    EXPECT_EQ(pages, (std::vector<int>{1, 2}));
    for (const auto& box : boxes_.boxes) {
        EXPECT_FALSE(box.information);  // the standard box
    }
    ExpectListRebuilt(*main);

    // Neither write was taken.
    boxes_.boxes.clear();
    ClickEntry(*main, "NAS-Stubborn");
    EXPECT_EQ(FieldText(*main, app::IDC_DESCRIPTION), Q(stubborn.config.system.description.view()));
    EXPECT_EQ(main->SelectedDevice()->gateway.view(), stubborn.config.network.gateway.view());
    EXPECT_TRUE(boxes_.boxes.empty());
}

}  // namespace
}  // namespace halvo::e2e
