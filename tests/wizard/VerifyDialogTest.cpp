// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/QtBackend.h"
#include "wizard/VerifyDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "GuiSupport.h"
#include "WizardTestSupport.h"
#include "platform/testing/RecordingMessageBoxes.h"
#include "platform/testing/RecordingShell.h"
#include "protocol/device/DeviceReplies.h"
#include "protocol/testing/FakeNetwork.h"
#include "tests/platform/TestCodec.h"
#include "ui/testing/GuiTest.h"

namespace halvo::wizard {
namespace {

using namespace std::chrono_literals;
using protocol::CMD_VERIFY_ADMIN;
using testing::BuiltInResources;
using testing::MakeRecord;
using testing::PressOnFocus;
using testing::RunModalWith;
using testing::TEST_MAC;

class VerifyDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { dialog.SetDevice(&record); }

    // A device that knows admin / secret.
    protocol::testing::FakeDevice& ServeAdmin() {
        protocol::testing::DeviceProfile profile;
        profile.adminName = "admin";
        profile.adminPassword = "secret";
        return net.AddDevice(TEST_MAC).Serve(profile);
    }

    ui::qt::QtEdit* Name() { return dialog.ControlAs<ui::qt::QtEdit>(VERIFY_NAME_EDIT); }
    ui::qt::QtEdit* Password() { return dialog.ControlAs<ui::qt::QtEdit>(VERIFY_PASSWORD_EDIT); }
    QPushButton* Ok() { return dialog.ControlAs<QPushButton>(VERIFY_OK_BUTTON); }
    QPushButton* Cancel() { return dialog.ControlAs<QPushButton>(ui::IDCANCEL); }
    int Focused() { return dialog.FocusedControlId(); }

    void Type(const QString& name, const QString& password) {
        Name()->setText(name);
        Password()->setText(password);
    }
    std::vector<std::uint8_t> Credentials(std::size_t request = 0) {
        const auto& bytes = net.sent().at(request).bytes;
        return {bytes.begin() + 12, bytes.end()};
    }

    protocol::testing::FakeNetwork net;
    platform::testing::RecordingMessageBoxes boxes;
    protocol::ProtocolContext context{net, net, boxes};
    protocol::DeviceRecord record = MakeRecord();
    VerifyDialog dialog{ui::testing::QtUi(), BuiltInResources(), context,
                        platform::testing::TestCodec()};
};

// ---- Enter in each control ---------------------------------------------------------------------

TEST_F(VerifyDialogTest, StartsEmptyWithTheFocusInTheName) {
    RunModalWith(dialog, [&] {
        EXPECT_EQ(dialog.GetWindowText(), "Verify");
        EXPECT_EQ(Focused(), VERIFY_NAME_EDIT);
        EXPECT_TRUE(Name()->text().isEmpty());
        EXPECT_TRUE(Password()->text().isEmpty());
        EXPECT_EQ(Password()->echoMode(), QLineEdit::Password);
    });
}

TEST_F(VerifyDialogTest, EnterInTheNameOnlyMovesToThePassword) {
    ServeAdmin();
    const int result = RunModalWith(dialog, [&] {
        Type("admin", "secret");
        PressOnFocus(Qt::Key_Return);
        EXPECT_EQ(Focused(), VERIFY_PASSWORD_EDIT);
        EXPECT_TRUE(net.sent().empty());
        EXPECT_TRUE(ui::qt::WindowOf(dialog)->isVisible());
    });
    EXPECT_EQ(result, 2);
}

TEST_F(VerifyDialogTest, EnterInThePasswordSendsAndMovesToOk) {
    ServeAdmin();
    const int result = RunModalWith(dialog, [&] {
        Type("admin", "wrong");
        Password()->setFocus();
        PressOnFocus(Qt::Key_Enter);  // the keypad's Enter counts too
        ASSERT_EQ(net.sent().size(), 1u);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Verify failed!"});
        EXPECT_EQ(Focused(), VERIFY_OK_BUTTON);
        EXPECT_TRUE(ui::qt::WindowOf(dialog)->isVisible());
    });
    EXPECT_EQ(result, 2);
}

TEST_F(VerifyDialogTest, EnterOnOkVerifiesAndAcceptanceEndsWithOne) {
    ServeAdmin();
    const int result = RunModalWith(dialog, [&] {
        Type("admin", "secret");
        Ok()->setFocus();
        PressOnFocus(Qt::Key_Return);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(net.sent().size(), 1u);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(VerifyDialogTest, ClickingOkVerifiesToo) {
    ServeAdmin();
    EXPECT_EQ(RunModalWith(dialog,
                           [&] {
                               Type("admin", "secret");
                               Ok()->click();
                           }),
              1);
}

TEST_F(VerifyDialogTest, EnterOnCancelCancelsWithoutSending) {
    ServeAdmin();
    const int result = RunModalWith(dialog, [&] {
        Type("admin", "secret");
        Cancel()->setFocus();
        PressOnFocus(Qt::Key_Return);
    });
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(net.sent().empty());
}

TEST_F(VerifyDialogTest, EscapeCloseBoxAndCancelButtonReturnTwo) {
    ServeAdmin();
    EXPECT_EQ(RunModalWith(dialog, [&] { PressOnFocus(Qt::Key_Escape); }), 2);
    VerifyDialog second(ui::testing::QtUi(), BuiltInResources(), context,
                        platform::testing::TestCodec());
    second.SetDevice(&record);
    EXPECT_EQ(RunModalWith(second, [&] { ui::qt::WindowOf(second)->close(); }), 2);
    VerifyDialog third(ui::testing::QtUi(), BuiltInResources(), context,
                       platform::testing::TestCodec());
    third.SetDevice(&record);
    EXPECT_EQ(RunModalWith(third, [&] { third.ControlAs<QPushButton>(ui::IDCANCEL)->click(); }), 2);
    EXPECT_TRUE(net.sent().empty());
}

TEST_F(VerifyDialogTest, TheGenericOkCommandDoesNotAccept) {
    ServeAdmin();
    const int result = RunModalWith(dialog, [&] {
        Type("admin", "secret");
        ui::qt::WindowOf(dialog)->accept();
        EXPECT_TRUE(ui::qt::WindowOf(dialog)->isVisible());
        EXPECT_TRUE(net.sent().empty());
    });
    EXPECT_EQ(result, 2);
}

// ---- What is sent ------------------------------------------------------------------------------

TEST_F(VerifyDialogTest, EmptyNameAndPasswordAreSentAsZeros) {
    ServeAdmin();
    RunModalWith(dialog, [&] { Ok()->click(); });
    ASSERT_EQ(net.sent().size(), 1u);
    const auto& bytes = net.sent()[0].bytes;
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(bytes[0], CMD_VERIFY_ADMIN);
    EXPECT_EQ(bytes[4], 32);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 6, bytes.begin() + 12),
              std::vector<std::uint8_t>(TEST_MAC.begin(), TEST_MAC.end()));
    EXPECT_EQ(Credentials(), std::vector<std::uint8_t>(32, 0));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Verify failed!"});
}

TEST_F(VerifyDialogTest, InCodePage936TheLimitsCountBytesAndNoCharacterIsCut) {
    ServeAdmin();
    VerifyDialog gbk{ui::testing::QtUi(), BuiltInResources(), context,
                     platform::testing::TestCodec(936)};
    gbk.SetDevice(&record);
    RunModalWith(gbk, [&] {
        auto* name = gbk.ControlAs<ui::qt::QtEdit>(VERIFY_NAME_EDIT);
        auto* password = gbk.ControlAs<ui::qt::QtEdit>(VERIFY_PASSWORD_EDIT);
        name->setFocus();
        // "A" and seven two-byte characters take 15 bytes; the eighth would end at byte 17.
        testing::TypeCharacters(name, QString::fromUtf8("A财务部的存储盒共"));
        EXPECT_EQ(name->text(), QString::fromUtf8("A财务部的存储盒"));
        QTest::keyClicks(name, "B");  // one byte still fits
        testing::TypeCharacters(password, QString::fromUtf8("密码12345"));
        EXPECT_EQ(password->text(), QString::fromUtf8("密码1234"));
        gbk.ControlAs<QPushButton>(VERIFY_OK_BUTTON)->click();
    });
    ASSERT_EQ(net.sent().size(), 1u);
    const auto credentials = Credentials();
    EXPECT_EQ(std::string(credentials.begin(), credentials.begin() + 24),
              "A\xB2\xC6\xCE\xF1\xB2\xBF\xB5\xC4\xB4\xE6\xB4\xA2\xBA\xD0"
              "B\xC3\xDC\xC2\xEB"
              "1234");
}

TEST_F(VerifyDialogTest, ATextTheCodePageCannotWriteIsNotSent) {
    ServeAdmin();
    VerifyDialog western{ui::testing::QtUi(), BuiltInResources(), context,
                         platform::testing::TestCodec(1252)};
    western.SetDevice(&record);
    const int result = RunModalWith(western, [&] {
        western.ControlAs<ui::qt::QtEdit>(VERIFY_NAME_EDIT)->setText(QString::fromUtf8("管理员"));
        western.ControlAs<ui::qt::QtEdit>(VERIFY_PASSWORD_EDIT)->setText("secret");
        western.ControlAs<QPushButton>(VERIFY_OK_BUTTON)->click();
        EXPECT_TRUE(ui::qt::WindowOf(western)->isVisible());
        western.ControlAs<QPushButton>(ui::IDCANCEL)->click();
    });
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(net.sent().empty());
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0],
              "The name holds characters that code page 1252 cannot write. Nothing was sent: use "
              "characters of that code page.");
}

TEST_F(VerifyDialogTest, FullWidthTextsFillTheirFieldsAndLongerOnesCannotBeTyped) {
    ServeAdmin();
    RunModalWith(dialog, [&] {
        Name()->setFocus();
        QTest::keyClicks(Name(), "ABCDEFGHIJKLMNOPQ");  // 17 typed, 16 kept
        QTest::keyClicks(Password(), "123456789");      // 9 typed, 8 kept
        EXPECT_EQ(Name()->text(), "ABCDEFGHIJKLMNOP");
        EXPECT_EQ(Password()->text(), "12345678");
        Ok()->click();
    });
    ASSERT_EQ(net.sent().size(), 1u);
    const auto credentials = Credentials();
    EXPECT_EQ(std::string(credentials.begin(), credentials.begin() + 24),
              "ABCDEFGHIJKLMNOP12345678");
    EXPECT_EQ(std::vector<std::uint8_t>(credentials.begin() + 24, credentials.end()),
              std::vector<std::uint8_t>(8, 0));
}

TEST_F(VerifyDialogTest, OneExchangeOnSocketLayerOneOneWithOkDisabledMeanwhile) {
    std::optional<bool> okEnabledWhileSending;
    net.AddDevice(TEST_MAC).OnCommand(CMD_VERIFY_ADMIN, [&](std::span<const std::uint8_t>) {
        okEnabledWhileSending = Ok()->isEnabled();
        return protocol::EncodeStatusReply(CMD_VERIFY_ADMIN, 0);
    });
    EXPECT_EQ(RunModalWith(dialog, [&] { Ok()->click(); }), 1);
    ASSERT_TRUE(okEnabledWhileSending);
    EXPECT_FALSE(*okEnabledWhileSending);
    EXPECT_EQ(net.startupVersions(), std::vector<std::uint16_t>{platform::SOCKET_VERSION_1_1});
    EXPECT_EQ(net.OpenSockets(), 0);
    EXPECT_EQ(net.LayerUses(), 0);
}

// ---- Failures keep the dialog open with its texts
// ------------------------------------------------

TEST_F(VerifyDialogTest, RefusalTimeoutAndStrayReplyKeepTheDialogOpen) {
    auto& device = net.AddDevice(TEST_MAC);
    const int result = RunModalWith(dialog, [&] {
        Type("admin", "pw");

        device.Reply(CMD_VERIFY_ADMIN, protocol::EncodeStatusReply(CMD_VERIFY_ADMIN, 5));
        Ok()->click();
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Verify failed!"});

        device.Silent(CMD_VERIFY_ADMIN);
        const auto before = net.Elapsed();
        Ok()->click();
        EXPECT_EQ(boxes.Texts().back(), "Time out:Verify name & password!");
        // 20 slots of 200 ms.
        EXPECT_GE(net.Elapsed() - before, 4000ms);
        EXPECT_LT(net.Elapsed() - before, 4200ms);

        device.Reply(CMD_VERIFY_ADMIN,
                     protocol::EncodeStatusReply(protocol::CMD_SET_SYSTEM_INFO, 0));
        Ok()->click();
        EXPECT_EQ(boxes.boxes.size(), 2u);  // the stray reply says nothing

        EXPECT_EQ(net.sent().size(), 3u);
        EXPECT_TRUE(ui::qt::WindowOf(dialog)->isVisible());
        EXPECT_TRUE(Ok()->isEnabled());
        EXPECT_EQ(Name()->text(), "admin");
        EXPECT_EQ(Password()->text(), "pw");
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(net.OpenSockets(), 0);
}

TEST_F(VerifyDialogTest, NoSocketIsReportedAndTheDialogStays) {
    net.FailOpen(platform::SocketType::Datagram);
    const int result = RunModalWith(dialog, [&] {
        Type("admin", "pw");
        Ok()->click();
        EXPECT_EQ(boxes.Texts(),
                  std::vector<std::string>{"Network communication failed with error 0\n"});
        EXPECT_TRUE(Ok()->isEnabled());
        EXPECT_TRUE(ui::qt::WindowOf(dialog)->isVisible());
    });
    EXPECT_EQ(result, 2);
    EXPECT_TRUE(net.sent().empty());
}

TEST_F(VerifyDialogTest, ThePasswordIsGoneWhenTheDialogEnds) {
    ServeAdmin();
    EXPECT_EQ(RunModalWith(dialog,
                           [&] {
                               Type("admin", "secret");
                               Ok()->click();
                           }),
              1);
    EXPECT_TRUE(Password()->text().isEmpty());
    EXPECT_FALSE(Password()->isUndoAvailable());
    EXPECT_EQ(Name()->text(), "admin");
}

// ---- The gate's dialog
// ---------------------------------------------------------------------------

TEST(DialogVerifyPrompt, RunsOneDialogForTheRecord) {
    protocol::testing::FakeNetwork net;
    platform::testing::RecordingMessageBoxes boxes;
    protocol::ProtocolContext context{net, net, boxes};
    const auto record = MakeRecord();
    DialogVerifyPrompt prompt(ui::testing::QtUi(), BuiltInResources(), context,
                              platform::testing::TestCodec(), nullptr);
    const auto answered = ui::testing::WhenActive<VerifyDialog>(
        [](VerifyDialog* shown) { shown->ControlAs<QPushButton>(ui::IDCANCEL)->click(); });
    EXPECT_EQ(RunVerificationGate(record, prompt), GateOutcome::Cancelled);
    EXPECT_TRUE(*answered);
}

}  // namespace
}  // namespace halvo::wizard
