// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemTimeZone.h"
#include "ui/qt/QtBackend.h"
#include "wizard/WizardDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include "GuiSupport.h"
#include "WizardTestSupport.h"
#include "platform/testing/RecordingMessageBoxes.h"
#include "platform/testing/RecordingShell.h"
#include "protocol/device/DeviceReplies.h"
#include "protocol/testing/FakeNetwork.h"
#include "tests/platform/TestCodec.h"
#include "ui/testing/GuiTest.h"
#include "wizard/VerifyDialog.h"
#include "wizard/WizardPages.h"

namespace halvo::wizard {
namespace {

using platform::UtcTimeZone;
using protocol::CMD_SET_NETWORK_INFO;
using protocol::CMD_SET_SYSTEM_INFO;
using testing::BuiltInResources;
using testing::MakeRecord;
using testing::RunModalWith;
using testing::TEST_MAC;

class WizardDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { device = &net.AddDevice(TEST_MAC).Serve({}); }

    // Builds the frame with its three pages as the "Setup wizard" button does, and runs it.
    int Run(const std::function<void()>& steps) {
        wizard = std::make_unique<WizardDialog>(context);
        wizard->SetDevice(&record);
        system = std::make_unique<SystemPage>(ui::testing::QtUi(), BuiltInResources(), *pageCodec);
        network =
            std::make_unique<NetworkPage>(ui::testing::QtUi(), BuiltInResources(), *pageCodec);
        finish = std::make_unique<FinishPage>(ui::testing::QtUi(), BuiltInResources());
        wizard->AddPage(system.get(), SYSTEM_PAGE_TEMPLATE);
        wizard->AddPage(network.get(), NETWORK_PAGE_TEMPLATE);
        wizard->AddPage(finish.get(), FINISH_PAGE_TEMPLATE);
        return RunModalWith(*wizard, steps);
    }

    QPushButton* Button(int id) { return wizard->ControlAs<QPushButton>(id); }
    void Next() { Button(WizardDialog::NEXT_BUTTON)->click(); }
    void Back() { Button(WizardDialog::BACK_BUTTON)->click(); }
    void Skip() { Button(WizardDialog::SKIP_BUTTON)->click(); }

    // The page on show, Back, and the Next caption, as the user sees them.
    void ExpectState(int page, bool back, const QString& caption) {
        EXPECT_EQ(wizard->CurrentPage(), page);
        const std::array<ui::Dialog*, 3> pages{system.get(), network.get(), finish.get()};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(pages[static_cast<std::size_t>(i)]->IsWindowVisible(), i == page)
                << "page " << i;
        }
        EXPECT_EQ(Button(WizardDialog::BACK_BUTTON)->isEnabled(), back);
        EXPECT_EQ(Button(WizardDialog::NEXT_BUTTON)->text(), caption);
        EXPECT_TRUE(Button(WizardDialog::SKIP_BUTTON)->isEnabled());
        EXPECT_TRUE(Button(ui::IDCANCEL)->isEnabled());
    }

    template <class T>
    T* SystemControl(int id) {
        return system->ControlAs<T>(id);
    }
    template <class T>
    T* NetworkControl(int id) {
        return network->ControlAs<T>(id);
    }
    ui::qt::QtIpAddressControl* Address(int id) {
        return NetworkControl<ui::qt::QtIpAddressControl>(id);
    }

    int Sent(std::uint16_t command) const {
        int n = 0;
        for (auto c : net.SentCommands()) {
            n += c == command ? 1 : 0;
        }
        return n;
    }
    protocol::SystemInfoBlock LastSystem() const {
        return device->lastSystemInfo().value_or(protocol::SystemInfoBlock{});
    }
    protocol::NetworkInfoBlock LastNetwork() const {
        return device->lastNetworkInfo().value_or(protocol::NetworkInfoBlock{});
    }

    protocol::testing::FakeNetwork net;
    platform::testing::RecordingMessageBoxes boxes;
    const UtcTimeZone zone;
    WizardContext context{BuiltInResources(),
                          ui::testing::QtUi(),
                          {net, net, boxes},
                          zone,
                          platform::testing::TestCodec()};
    protocol::DeviceRecord record = MakeRecord();
    protocol::testing::FakeDevice* device = nullptr;
    // The code page of the settings pages.
    const platform::TextCodec* pageCodec = &platform::testing::TestCodec();
    // The frame before its pages: the pages go first.
    std::unique_ptr<WizardDialog> wizard;
    std::unique_ptr<SystemPage> system;
    std::unique_ptr<NetworkPage> network;
    std::unique_ptr<FinishPage> finish;
};

// ---- Opening
// ---------------------------------------------------------------------------------------

TEST_F(WizardDialogTest, OpensOnTheSystemPageFilledFromTheRecord) {
    Run([&] {
        EXPECT_EQ(ui::qt::WindowOf(*wizard)->windowTitle(), "Wizard");
        ExpectState(0, false, "Next >>");
        const ui::Rect area = wizard->ControlRect(WizardDialog::PAGE_AREA);
        EXPECT_EQ(ui::qt::WindowOf(*system)->geometry(), area);
        EXPECT_EQ(ui::qt::WindowOf(*network)->geometry(), area);
        EXPECT_EQ(ui::qt::WindowOf(*finish)->geometry(), area);
        EXPECT_EQ(ui::qt::WindowOf(*system)->parentWidget(), ui::qt::WindowOf(*wizard));

        EXPECT_FALSE(SystemControl<QCheckBox>(SystemPage::PASSWORD_CHECK)->isChecked());
        EXPECT_EQ(SystemControl<ui::qt::QtComboBox>(SystemPage::TIMEZONE_COMBO)->GetCurSel(), 20);
        EXPECT_EQ(SystemControl<ui::qt::QtEdit>(SystemPage::DESCRIPTION_EDIT)->text(),
                  "Office store");
        EXPECT_EQ(SystemControl<ui::qt::QtDatePicker>(SystemPage::DATE_PICKER)->date(),
                  QDate(2006, 3, 5));
        EXPECT_EQ(SystemControl<ui::qt::QtTimePicker>(SystemPage::TIME_PICKER)->time(),
                  QTime(14, 7, 9));

        auto* protocol = NetworkControl<ui::qt::QtComboBox>(NetworkPage::PROTOCOL_COMBO);
        EXPECT_EQ(protocol->GetCurSel(), 0);
        EXPECT_EQ(protocol->GetWindowText(), "Static IP");
        EXPECT_EQ(Address(NetworkPage::IP_ADDRESS)->GetAddress(), "192.168.1.20");
        EXPECT_EQ(Address(NetworkPage::SUBNET_MASK)->GetAddress(), "255.255.255.0");
        EXPECT_EQ(Address(NetworkPage::GATEWAY)->GetAddress(), "192.168.1.1");
        EXPECT_EQ(Address(NetworkPage::PRIMARY_DNS)->GetAddress(), "192.168.1.2");
        EXPECT_EQ(Address(NetworkPage::SECONDARY_DNS)->GetAddress(), "192.168.1.3");
        EXPECT_TRUE(Address(NetworkPage::IP_ADDRESS)->isEnabled());
        EXPECT_TRUE(net.sent().empty());
    });
}

TEST_F(WizardDialogTest, TimezoneRowsAreShownLiterally) {
    record.timezoneIndex = 4;
    Run([&] {
        auto* combo = SystemControl<ui::qt::QtComboBox>(SystemPage::TIMEZONE_COMBO);
        ASSERT_EQ(combo->GetCount(), 75);
        const std::vector<std::string> fromTemplate =
            BuiltInResources().FindTemplate(130)->Find(1062)->items;
        ASSERT_EQ(fromTemplate.size(), 75u);
        for (int i = 0; i < 75; ++i) {
            EXPECT_EQ(combo->GetLBText(i), fromTemplate[static_cast<std::size_t>(i)]) << i;
        }
        EXPECT_EQ(combo->GetLBText(9), "(GMT-06:00) Central Time (US &amp; Canda) ");
        EXPECT_EQ(combo->GetLBText(74), "(GMT+13:00) Nuku'alofa");
        EXPECT_EQ(combo->GetWindowText(), "(GMT-08:00) Pacific Time (US &amp; Canada); Tijuana ");
    });
}

TEST_F(WizardDialogTest, DateBeyond2038IsShownAndSentAsIs) {
    record.date.Assign("20400101");
    record.time.Assign("000001");
    Run([&] {
        EXPECT_EQ(SystemControl<ui::qt::QtDatePicker>(SystemPage::DATE_PICKER)->date(),
                  QDate(2040, 1, 1));
        Next();
    });
    EXPECT_EQ(LastSystem().date.view(), "20400101");
    EXPECT_EQ(LastSystem().time.view(), "000001");
}

TEST_F(WizardDialogTest, ThePickersOfferOnly1970To9999) {
    Run([&] {
        auto* picker = SystemControl<ui::qt::QtDatePicker>(SystemPage::DATE_PICKER);
        EXPECT_EQ(picker->minimumDate(), QDate(1970, 1, 1));
        EXPECT_EQ(picker->maximumDate(), QDate(9999, 12, 31));
        picker->SetDate({1969, 7, 20});
        EXPECT_EQ(picker->date(), QDate(1970, 1, 1));
    });
}

TEST_F(WizardDialogTest, EmptyDateKeepsTheWorkstationsNowAndSendsIt) {
    record.date.Clear();
    record.time.Clear();
    const QDate before = QDate::currentDate();
    Run([&] {
        const QDate shown = SystemControl<ui::qt::QtDatePicker>(SystemPage::DATE_PICKER)->date();
        EXPECT_GE(shown, before);
        EXPECT_LE(shown, QDate::currentDate());
        Next();
        EXPECT_EQ(LastSystem().date.str(), shown.toString("yyyyMMdd").toStdString());
        const QTime time = SystemControl<ui::qt::QtTimePicker>(SystemPage::TIME_PICKER)->time();
        EXPECT_EQ(LastSystem().time.str(), time.toString("HHmmss").toStdString());
    });
}

TEST_F(WizardDialogTest, TheFinishPageCentresItsText) {
    Run([&] {
        const auto labels = ui::qt::WindowOf(*finish)->findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(labels[0]->text(), "The end of Halvo!");
        EXPECT_TRUE(labels[0]->alignment() & Qt::AlignHCenter);
    });
}

// ---- The system page's Next
// ------------------------------------------------------------------------

TEST_F(WizardDialogTest, UntouchedSystemPageSendsTheStoredValuesBack) {
    Run([&] { Next(); });
    EXPECT_EQ(Sent(CMD_SET_SYSTEM_INFO), 1);
    const auto sent = LastSystem();
    EXPECT_EQ(sent.passwordRequired, 1);
    EXPECT_EQ(sent.name.view(), "NAS-Storage-0001");
    EXPECT_EQ(sent.description.view(), "Office store");
    EXPECT_EQ(sent.date.view(), "20060305");
    EXPECT_EQ(sent.time.view(), "140709");
    EXPECT_EQ(sent.timezoneIndex, 20);
}

TEST_F(WizardDialogTest, EditedSystemPageSendsTheEdits) {
    Run([&] {
        SystemControl<QCheckBox>(SystemPage::PASSWORD_CHECK)->click();
        SystemControl<ui::qt::QtEdit>(SystemPage::DESCRIPTION_EDIT)->setText("Cellar box_2");
        SystemControl<ui::qt::QtComboBox>(SystemPage::TIMEZONE_COMBO)->SetCurSel(74);
        SystemControl<ui::qt::QtDatePicker>(SystemPage::DATE_PICKER)->setDate(QDate(2012, 2, 29));
        SystemControl<ui::qt::QtTimePicker>(SystemPage::TIME_PICKER)->setTime(QTime(23, 59, 58));
        Next();
        ExpectState(1, true, "Next >>");
    });
    const auto sent = LastSystem();
    EXPECT_EQ(sent.passwordRequired, 0);
    EXPECT_EQ(sent.description.view(), "Cellar box_2");
    EXPECT_EQ(sent.timezoneIndex, 74);
    EXPECT_EQ(sent.date.view(), "20120229");
    EXPECT_EQ(sent.time.view(), "235958");
}

TEST_F(WizardDialogTest, InvalidDescriptionShowsTheNoteAndStays) {
    Run([&] {
        SystemControl<ui::qt::QtEdit>(SystemPage::DESCRIPTION_EDIT)->setText("Office, 2nd floor.");
        Next();
        ExpectState(0, false, "Next >>");
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_TRUE(boxes.boxes[0].information);
        EXPECT_EQ(boxes.boxes[0].owner, static_cast<QWidget*>(ui::qt::WindowOf(*wizard)));
        EXPECT_EQ(boxes.boxes[0].caption, "Note");
        EXPECT_EQ(boxes.boxes[0].text, std::string(MSG_DESCRIPTION_INVALID));
        EXPECT_EQ(SystemControl<ui::qt::QtEdit>(SystemPage::DESCRIPTION_EDIT)->text(),
                  "Office, 2nd floor.");
    });
    EXPECT_TRUE(net.sent().empty());
}

TEST_F(WizardDialogTest, DescriptionTakes64CharactersOfWhichOnly63AreRead) {
    Run([&] {
        auto* edit = SystemControl<ui::qt::QtEdit>(SystemPage::DESCRIPTION_EDIT);
        edit->setText(QString(70, QLatin1Char('x')));
        EXPECT_EQ(edit->text().size(), 64);
        edit->setText(QString(63, QLatin1Char('x')) + QLatin1Char('.'));
        Next();
        EXPECT_TRUE(boxes.boxes.empty());
    });
    EXPECT_EQ(LastSystem().description.str(), std::string(63, 'x'));
}

TEST_F(WizardDialogTest, ANameThatDoesNotDecodeGoesBackAsTheBoxsOwnBytes) {
    pageCodec = &platform::testing::TestCodec(936);
    // 0xFF begins no character in 936: shown as U+FFFD, sent as it came.
    record.name.Assign("NAS-\xFF\xB2\xC6");
    Run([&] {
        EXPECT_EQ(SystemControl<ui::qt::QtEdit>(SystemPage::DESCRIPTION_EDIT)->text(),
                  "Office store");
        Next();
    });
    EXPECT_EQ(Sent(CMD_SET_SYSTEM_INFO), 1);
    EXPECT_EQ(LastSystem().name.view(), "NAS-\xFF\xB2\xC6");
    EXPECT_EQ(LastSystem().description.view(), "Office store");
}

TEST_F(WizardDialogTest, TheDescriptionIsLimitedInBytesAndOnlyAsciiIsSent) {
    pageCodec = &platform::testing::TestCodec(936);
    Run([&] {
        auto* edit = SystemControl<ui::qt::QtEdit>(SystemPage::DESCRIPTION_EDIT);
        edit->clear();
        edit->setFocus();
        // 33 two-byte characters: 32 fill the 64 bytes, the last is refused whole.
        testing::TypeCharacters(edit, QString(33, QChar(0x5171)));  // 共
        EXPECT_EQ(edit->text(), QString(32, QChar(0x5171)));
        Next();
        // The check allows ASCII only, as before; nothing went out.
        ExpectState(0, false, "Next >>");
        edit->setText(QString::fromUtf8("Büro ก"));  // the Thai letter has no place in 936
        Next();
        ExpectState(0, false, "Next >>");
    });
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>(2, std::string(MSG_DESCRIPTION_INVALID)));
    EXPECT_TRUE(net.sent().empty());
}

TEST_F(WizardDialogTest, UnknownTimezoneLeavesTheFieldEmptyAndSends255) {
    record.timezoneIndex = 75;
    Run([&] {
        auto* combo = SystemControl<ui::qt::QtComboBox>(SystemPage::TIMEZONE_COMBO);
        EXPECT_EQ(combo->GetCurSel(), -1);
        EXPECT_TRUE(combo->GetWindowText().empty());
        Next();
    });
    EXPECT_EQ(LastSystem().timezoneIndex, 255);
}

TEST_F(WizardDialogTest, RefusalAndSilenceStillMoveToTheNetworkPage) {
    device->Reply(CMD_SET_SYSTEM_INFO, protocol::EncodeStatusReply(CMD_SET_SYSTEM_INFO, 9));
    device->Silent(CMD_SET_NETWORK_INFO);
    Run([&] {
        Next();
        ExpectState(1, true, "Next >>");
        Next();
        ExpectState(2, true, "&Finished");
    });
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{"Set system info failed!", "Time out:Set network info!"}));
}

TEST_F(WizardDialogTest, NoSocketLayerKeepsThePage) {
    net.FailStartup(10091);
    Run([&] {
        Next();
        ExpectState(0, false, "Next >>");
        Skip();
        Next();
        ExpectState(1, true, "Next >>");
    });
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{"Network communication failed with error 10091\n",
                                        "Network communication failed with error 10091\n"}));
    EXPECT_TRUE(net.sent().empty());
}

// ---- The network page --------------------------------------------------------------------------

TEST_F(WizardDialogTest, DhcpDeviceShowsItsAddressesDisabledAndSendsThemAll) {
    record.ipMode = 1;
    Run([&] {
        Skip();
        EXPECT_EQ(NetworkControl<ui::qt::QtComboBox>(NetworkPage::PROTOCOL_COMBO)->GetWindowText(),
                  "DHCP");
        for (int id : {1050, 1051, 1052, 1053, 1054}) {
            EXPECT_FALSE(Address(id)->isEnabled()) << id;
        }
        EXPECT_EQ(Address(NetworkPage::GATEWAY)->GetAddress(), "192.168.1.1");
        Next();
    });
    EXPECT_EQ(Sent(CMD_SET_SYSTEM_INFO), 0);
    EXPECT_EQ(Sent(CMD_SET_NETWORK_INFO), 1);
    const auto sent = LastNetwork();
    EXPECT_EQ(sent.ipMode, 1);
    EXPECT_EQ(sent.ipAddress.view(), "192.168.1.20");
    EXPECT_EQ(sent.subnetMask.view(), "255.255.255.0");
    EXPECT_EQ(sent.gateway.view(), "192.168.1.1");
    EXPECT_EQ(sent.primaryDns.view(), "192.168.1.2");
    EXPECT_EQ(sent.secondaryDns.view(), "192.168.1.3");
}

TEST_F(WizardDialogTest, AnyOtherIpModeShowsDhcp) {
    record.ipMode = 2;
    Run([&] {
        EXPECT_EQ(NetworkControl<ui::qt::QtComboBox>(NetworkPage::PROTOCOL_COMBO)->GetCurSel(), 1);
        EXPECT_FALSE(Address(NetworkPage::IP_ADDRESS)->isEnabled());
    });
}

TEST_F(WizardDialogTest, ChoosingTheProtocolEnablesOrDisablesTheAddresses) {
    record.ipMode = 1;
    Run([&] {
        Skip();
        auto* combo = NetworkControl<ui::qt::QtComboBox>(NetworkPage::PROTOCOL_COMBO);
        combo->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), combo);
        QTest::keyClick(combo, Qt::Key_Up);  // the user picks "Static IP"
        EXPECT_EQ(combo->GetCurSel(), 0);
        for (int id : {1050, 1051, 1052, 1053, 1054}) {
            EXPECT_TRUE(Address(id)->isEnabled()) << id;
        }
        Address(NetworkPage::IP_ADDRESS)->SetAddress("10.1.2.3");
        QTest::keyClick(combo, Qt::Key_Down);  // and "DHCP" again
        EXPECT_EQ(combo->GetCurSel(), 1);
        for (int id : {1050, 1051, 1052, 1053, 1054}) {
            EXPECT_FALSE(Address(id)->isEnabled()) << id;
        }
        EXPECT_EQ(Address(NetworkPage::IP_ADDRESS)->GetAddress(), "10.1.2.3");
        Next();
    });
    EXPECT_EQ(LastNetwork().ipMode, 1);
    EXPECT_EQ(LastNetwork().ipAddress.view(), "10.1.2.3");
}

TEST_F(WizardDialogTest, FifteenCharacterMaskFillsItsFieldWithoutNul) {
    record.subnetMask.Assign("255.255.255.255");
    Run([&] {
        Skip();
        Next();
    });
    const auto& bytes = net.sent().back().bytes;
    ASSERT_EQ(bytes.size(), 88u);
    EXPECT_EQ(std::string(bytes.begin() + 28, bytes.begin() + 43), "255.255.255.255");
    EXPECT_EQ(bytes[43], '1');  // the gateway follows at once
}

// ---- The frame's states
// --------------------------------------------------------------------------

TEST_F(WizardDialogTest, EveryStateOfTheFrame) {
    const int result = Run([&] {
        ExpectState(0, false, "Next >>");
        Next();
        ExpectState(1, true, "Next >>");
        Next();
        ExpectState(2, true, "&Finished");
        Back();
        ExpectState(1, true, "&Next >>");
        Back();
        ExpectState(0, false, "&Next >>");
        Skip();
        ExpectState(1, true, "&Next >>");
        Skip();
        ExpectState(2, true, "&Finished");
        EXPECT_EQ(Sent(CMD_SET_SYSTEM_INFO), 1);
        EXPECT_EQ(Sent(CMD_SET_NETWORK_INFO), 1);
        Next();  // Finished
        EXPECT_FALSE(ui::qt::WindowOf(*wizard)->isVisible());
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(net.sent().size(), 2u);
    EXPECT_FALSE(system->IsCreated());
    EXPECT_FALSE(network->IsCreated());
    EXPECT_FALSE(finish->IsCreated());
}

TEST_F(WizardDialogTest, SkipAndFinishedNeverSend) {
    EXPECT_EQ(Run([&] {
                  Skip();
                  Skip();
                  Skip();
              }),
              1);
    EXPECT_TRUE(net.sent().empty());
}

TEST_F(WizardDialogTest, BackAndNextAgainSendsTheEditedValuesAgain) {
    Run([&] {
        Next();
        Back();
        SystemControl<ui::qt::QtEdit>(SystemPage::DESCRIPTION_EDIT)->setText("Second try");
        Next();
        Next();
        Back();
        Address(NetworkPage::GATEWAY)->SetAddress("192.168.1.254");
        Next();
    });
    EXPECT_EQ(Sent(CMD_SET_SYSTEM_INFO), 2);
    EXPECT_EQ(Sent(CMD_SET_NETWORK_INFO), 2);
    EXPECT_EQ(LastSystem().description.view(), "Second try");
    EXPECT_EQ(LastNetwork().gateway.view(), "192.168.1.254");
}

TEST_F(WizardDialogTest, CancelAfterTheFirstNextKeepsWhatWasSent) {
    const int result = Run([&] {
        Next();
        Button(ui::IDCANCEL)->click();
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(net.SentCommands(), std::vector<std::uint16_t>{CMD_SET_SYSTEM_INFO});
}

TEST_F(WizardDialogTest, TheCloseBoxIsCancel) {
    EXPECT_EQ(Run([&] {
                  Skip();
                  Skip();
                  ui::qt::WindowOf(*wizard)->close();
              }),
              2);
    EXPECT_TRUE(net.sent().empty());
}

TEST_F(WizardDialogTest, TabVisitsEachControlOnceFromTheFrameIntoThePage) {
    std::vector<int> forward;
    std::vector<int> backward;
    Run([&] {
        const auto focused = [&] {
            const int onPage = system->FocusedControlId();
            return onPage != 0 ? onPage : wizard->FocusedControlId();
        };
        forward.push_back(focused());
        for (int i = 0; i < 8; ++i) {
            testing::PressOnFocus(Qt::Key_Tab);
            forward.push_back(focused());
        }
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
            backward.push_back(focused());
        }
    });
    // Back is disabled; the pickers are left by one Tab like every other control.
    EXPECT_EQ(forward, (std::vector<int>{1022, 1070, 2, 1027, 1029, 1062, 1059, 1060, 1022}));
    EXPECT_EQ(backward, (std::vector<int>{1060, 1059, 1062}));
}

TEST_F(WizardDialogTest, EnterOnNextKeepsTheFocusThereSoEachPageIsSent) {
    const int result = Run([&] {
        EXPECT_EQ(wizard->FocusedControlId(), WizardDialog::NEXT_BUTTON);
        testing::PressOnFocus(Qt::Key_Return);
        ExpectState(1, true, "Next >>");
        // Showing a page takes no focus: a second Enter is Next again, not the frame's OK.
        EXPECT_EQ(wizard->FocusedControlId(), WizardDialog::NEXT_BUTTON);
        testing::PressOnFocus(Qt::Key_Return);
        ExpectState(2, true, "&Finished");
        testing::PressOnFocus(Qt::Key_Return);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(net.SentCommands(),
              (std::vector<std::uint16_t>{CMD_SET_SYSTEM_INFO, CMD_SET_NETWORK_INFO}));
}

TEST_F(WizardDialogTest, EnterInAPageFieldIsNextAndSendsThePageEscStillCancels) {
    // Each field of the first two pages: Enter there is the frame's default button, Next >>.
    for (const int id :
         {SystemPage::PASSWORD_CHECK, SystemPage::DESCRIPTION_EDIT, SystemPage::TIMEZONE_COMBO,
          SystemPage::DATE_PICKER, SystemPage::TIME_PICKER}) {
        const int systemBefore = Sent(CMD_SET_SYSTEM_INFO);
        const int networkBefore = Sent(CMD_SET_NETWORK_INFO);
        const int result = Run([&] {
            SystemControl<QWidget>(id)->setFocus();
            testing::PressOnFocus(Qt::Key_Return);
            ExpectState(1, true, "Next >>");
            NetworkControl<QWidget>(NetworkPage::PROTOCOL_COMBO)->setFocus();
            testing::PressOnFocus(Qt::Key_Escape);
        });
        EXPECT_EQ(result, 2) << "field " << id;
        EXPECT_EQ(Sent(CMD_SET_SYSTEM_INFO), systemBefore + 1) << "field " << id;
        EXPECT_EQ(Sent(CMD_SET_NETWORK_INFO), networkBefore) << "field " << id;
    }
    for (const int id :
         {NetworkPage::PROTOCOL_COMBO, NetworkPage::IP_ADDRESS, NetworkPage::SUBNET_MASK,
          NetworkPage::GATEWAY, NetworkPage::PRIMARY_DNS, NetworkPage::SECONDARY_DNS}) {
        const int systemBefore = Sent(CMD_SET_SYSTEM_INFO);
        const int networkBefore = Sent(CMD_SET_NETWORK_INFO);
        const int result = Run([&] {
            Next();
            NetworkControl<QWidget>(id)->setFocus();
            testing::PressOnFocus(Qt::Key_Return);
            ExpectState(2, true, "&Finished");
            Button(ui::IDCANCEL)->setFocus();
            testing::PressOnFocus(Qt::Key_Escape);
        });
        EXPECT_EQ(result, 2) << "field " << id;
        EXPECT_EQ(Sent(CMD_SET_SYSTEM_INFO), systemBefore + 1) << "field " << id;
        EXPECT_EQ(Sent(CMD_SET_NETWORK_INFO), networkBefore + 1) << "field " << id;
    }
}

TEST_F(WizardDialogTest, EnterKeepsGoingFromAFieldToTheNextPagesFirstFieldAndThenFinishes) {
    // By Enter alone, from a field: the focus goes with the page, never to "<< Back".
    const int result = Run([&] {
        SystemControl<QWidget>(SystemPage::DESCRIPTION_EDIT)->setFocus();
        testing::PressOnFocus(Qt::Key_Return);
        ExpectState(1, true, "Next >>");
        EXPECT_EQ(QApplication::focusWidget(),
                  NetworkControl<QWidget>(NetworkPage::PROTOCOL_COMBO));
        testing::PressOnFocus(Qt::Key_Return);
        ExpectState(2, true, "&Finished");  // a page without fields: the focus on Finished
        EXPECT_EQ(QApplication::focusWidget(), Button(WizardDialog::NEXT_BUTTON));
        testing::PressOnFocus(Qt::Key_Return);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(net.SentCommands(),
              (std::vector<std::uint16_t>{CMD_SET_SYSTEM_INFO, CMD_SET_NETWORK_INFO}));
}

// ---- The button's whole road
// ---------------------------------------------------------------------

class ScriptedPrompt final : public VerifyPrompt {
  public:
    explicit ScriptedPrompt(int result) : result_(result) {}
    int Run(const protocol::DeviceRecord&) override {
        ++runs;
        return result_;
    }
    int runs = 0;

  private:
    int result_;
};

TEST_F(WizardDialogTest, SetupWizardRunsWithoutVerificationWhenNotAsked) {
    record.passwordRequired = 0;
    ScriptedPrompt prompt(2);
    const auto answered = ui::testing::WhenActive<WizardDialog>(
        [](WizardDialog* shown) { shown->ControlAs<QPushButton>(ui::IDCANCEL)->click(); });
    EXPECT_TRUE(RunSetupWizard(context, record, nullptr, prompt));
    EXPECT_TRUE(*answered);
    EXPECT_EQ(prompt.runs, 0);
}

TEST_F(WizardDialogTest, CancelledVerificationOpensNoWizard) {
    ScriptedPrompt prompt(2);
    EXPECT_FALSE(RunSetupWizard(context, record, nullptr, prompt));
    EXPECT_EQ(prompt.runs, 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(net.sent().empty());
}

TEST_F(WizardDialogTest, AcceptedVerificationLeadsToTheWizardAndItsEndToARefresh) {
    ScriptedPrompt prompt(1);
    const auto answered = ui::testing::WhenActive<WizardDialog>([](WizardDialog* shown) {
        for (int i = 0; i < 3; ++i) {
            shown->ControlAs<QPushButton>(WizardDialog::SKIP_BUTTON)->click();
        }
    });
    EXPECT_TRUE(RunSetupWizard(context, record, nullptr, prompt));
    EXPECT_TRUE(*answered);
}

TEST_F(WizardDialogTest, TheRealVerificationDialogGuardsTheWizard) {
    // The device asks; the dialog is cancelled, so no wizard opens.
    const auto answered = ui::testing::WhenActive<VerifyDialog>(
        [](VerifyDialog* shown) { shown->ControlAs<QPushButton>(ui::IDCANCEL)->click(); });
    EXPECT_FALSE(RunSetupWizard(context, record, nullptr));
    EXPECT_TRUE(*answered);
}

}  // namespace
}  // namespace halvo::wizard
