// SPDX-License-Identifier: GPL-3.0-or-later
// The share mapping dialog on scripted drives: what it lists at opening, how Map, Unmap and
// Unmap all reach the drives and what they leave on screen, and the check in front of it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/testing/FakeNetworkDrives.h"
#include "platform/testing/RecordingMessageBoxes.h"
#include "platform/testing/RecordingShell.h"
#include "shares/ShareMappingDialog.h"
#include "tests/platform/TestCodec.h"
#include "ui/qt/QtBackend.h"
#include "ui/testing/BuiltInResources.h"
#include "ui/testing/GuiTest.h"

namespace halvo::shares {
namespace {

using platform::testing::FakeNetworkDrives;
using Op = FakeNetworkDrives::Op;
using Row = std::pair<QString, QString>;
using ui::testing::BuiltInResources;

class ShareMappingTest : public ::testing::Test {
  protected:
    ShareMappingTest() {
        record.ipAddress.Assign("192.168.1.1");
        for (const char* name : {"disk1", "disk2"}) {
            record.shares.push_back({});
            record.shares.back().name.Assign(name);
        }
    }

    ShareMappingDialog& Open() { return Open(context); }
    ShareMappingDialog& Open(const ShareMappingContext& with) {
        dialog = std::make_unique<ShareMappingDialog>(with);
        dialog->SetDevice(&record);
        dialog->Create();
        return *dialog;
    }

    ui::qt::QtComboBox* ShareCombo() const {
        return dialog->ControlAs<ui::qt::QtComboBox>(IDC_SHARE_COMBO);
    }
    ui::qt::QtComboBox* DriveCombo() const {
        return dialog->ControlAs<ui::qt::QtComboBox>(IDC_DRIVE_COMBO);
    }
    ui::qt::QtListView* List() const {
        return dialog->ControlAs<ui::qt::QtListView>(IDC_MAPPED_LIST);
    }
    ui::qt::QtEdit* Edit(int id) const { return dialog->ControlAs<ui::qt::QtEdit>(id); }
    void Click(int id) const { dialog->ControlAs<QPushButton>(id)->click(); }

    QStringList DriveEntries() const {
        QStringList entries;
        for (int i = 0; i < DriveCombo()->GetCount(); ++i) {
            entries << QString::fromStdString(DriveCombo()->GetLBText(i));
        }
        return entries;
    }
    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        for (int i = 0; i < List()->GetItemCount(); ++i) {
            rows.emplace_back(QString::fromStdString(List()->GetItemText(i, 0)),
                              QString::fromStdString(List()->GetItemText(i, 1)));
        }
        return rows;
    }
    // Map with the given field texts.
    void Map(const QString& share, const QString& drive, const QString& user = {},
             const QString& password = {}) {
        ShareCombo()->SetWindowText(share.toStdString());
        DriveCombo()->SetWindowText(drive.toStdString());
        Edit(IDC_USER_NAME)->SetWindowText(user.toStdString());
        Edit(IDC_PASSWORD)->SetWindowText(password.toStdString());
        Click(IDC_MAP);
    }
    std::size_t Count(Op op) const { return drives.CallsOf(op).size(); }

    FakeNetworkDrives drives;
    platform::testing::RecordingMessageBoxes boxes;
    ShareMappingContext context{drives, boxes, BuiltInResources(), ui::testing::QtUi(),
                                platform::testing::TestCodec()};
    protocol::DeviceRecord record;
    std::unique_ptr<ShareMappingDialog> dialog;
};

// Every free letter alone, Z down to A, with `connected` in their places instead.
QStringList Letters(const std::map<char, QString>& connected, const std::string& localDrives) {
    QStringList entries;
    for (char letter = 'Z'; letter >= 'A'; --letter) {
        const QString local = QString(QChar(letter)) + ':';
        if (auto found = connected.find(letter); found != connected.end()) {
            entries << local + "  " + found->second;
        } else if (localDrives.find(letter) == std::string::npos) {
            entries << local;
        }
    }
    return entries;
}

// ---------------------------------------------------------------- opening

TEST_F(ShareMappingTest, OpensWithTheDeviceSharesAndAnEmptyChoice) {
    protocol::ShareEntry full;
    full.name.Assign(std::string(36, 's'));  // fills its field: no terminator on the wire
    record.shares.push_back(full);
    Open();
    ASSERT_EQ(ShareCombo()->GetCount(), 3);
    EXPECT_EQ(ShareCombo()->GetLBText(0), "disk1");
    EXPECT_EQ(ShareCombo()->GetLBText(1), "disk2");
    EXPECT_EQ(ShareCombo()->GetLBText(2), QString(36, 's'));
    EXPECT_EQ(ShareCombo()->GetCurSel(), -1);
    EXPECT_EQ(ShareCombo()->GetWindowText(), "");

    EXPECT_EQ(List()->GetColumnHeading(0), "Share name");
    EXPECT_EQ(List()->GetColumnWidth(0), 240);
    EXPECT_EQ(List()->GetColumnHeading(1), "Location");
    EXPECT_EQ(List()->GetColumnWidth(1), 208);
    EXPECT_TRUE(List()->IsFullRowSelect());
}

TEST_F(ShareMappingTest, SharesOfCodePage936AreListedAndMappedByTheirNames) {
    const ShareMappingContext gbk{drives, boxes, BuiltInResources(), ui::testing::QtUi(),
                                  platform::testing::TestCodec(936)};
    record.shares.clear();
    for (const char* name : {"\xb9\xb2\xcf\xed\xce\xc4\xbc\xfe", "\xb1\xb8\xb7\xdd"}) {
        record.shares.push_back({});
        record.shares.back().name.Assign(name);  // 共享文件, 备份
    }
    Open(gbk);
    ASSERT_EQ(ShareCombo()->GetCount(), 2);
    EXPECT_EQ(ShareCombo()->GetLBText(0), "共享文件");
    EXPECT_EQ(ShareCombo()->GetLBText(1), "备份");

    Map(QString::fromUtf8("共享文件"), "Z:", QString::fromUtf8("财务"), "pw");
    ASSERT_EQ(Count(Op::AddConnection), 1u);
    const auto call = drives.CallsOf(Op::AddConnection).front();
    // The server names its shares in UTF-8, and so does the workstation's SMB client.
    EXPECT_EQ(call.remoteName, "\\\\192.168.1.1\\共享文件");
    EXPECT_EQ(call.userName, "财务");
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ShareMappingTest, TheAccountIsLimitedInBytesAndMustFitTheCodePage) {
    const ShareMappingContext gbk{drives, boxes, BuiltInResources(), ui::testing::QtUi(),
                                  platform::testing::TestCodec(936)};
    Open(gbk);
    ui::qt::QtEdit* user = Edit(IDC_USER_NAME);
    user->setFocus();
    for (int i = 0; i < 17; ++i) {  // 财: two bytes each, typed as an input method delivers it
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x8D22)));
        QApplication::sendEvent(user, &press);
    }
    EXPECT_EQ(user->text(), QString(16, QChar(0x8D22)));

    Map("disk1", "Z:", QString::fromUtf8("ก"), "pw");  // no place in 936
    EXPECT_EQ(Count(Op::AddConnection), 0u);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find("code page 936 cannot write"), std::string::npos);
}

TEST_F(ShareMappingTest, RecordWithoutSharesLeavesTheShareComboEmpty) {
    record.shares.clear();
    Open();
    EXPECT_EQ(ShareCombo()->GetCount(), 0);
}

TEST_F(ShareMappingTest, DriveComboOffersFreeAndConnectedLettersButNoLocalDrive) {
    drives.SetLocal('C');
    drives.SetLocal('D');
    drives.SetRemote('Y', "\\\\192.168.1.1\\disk1");
    drives.SetRemote('B', "\\\\10.0.0.9\\other", /*inMask=*/false);  // connected, bit clear
    drives.SetRemote('K', "");  // connected, its remote name unreadable
    Open();
    EXPECT_EQ(
        DriveEntries(),
        Letters({{'Y', "\\\\192.168.1.1\\disk1"}, {'K', ""}, {'B', "\\\\10.0.0.9\\other"}}, "CD"));
}

TEST_F(ShareMappingTest, MappedListMatchesTheAddressAsSubstring) {
    drives.SetRemote('Z', "\\\\192.168.1.1\\disk1");
    drives.SetRemote('Y', "\\\\192.168.1.10\\a");
    drives.SetRemote('X', "\\\\192.168.1.100\\b", /*inMask=*/false);
    drives.SetRemote('W', "\\\\192.168.1.2\\c");
    drives.SetRemote('V', "\\\\storebox\\disk1");  // the device under a server name
    drives.SetRemote('K', "");                     // remote name unreadable
    drives.SetLocal('C');
    Open();
    EXPECT_EQ(Rows(), (std::vector<Row>{{"\\\\192.168.1.1\\disk1", "Z:"},
                                        {"\\\\192.168.1.10\\a", "Y:"},
                                        {"\\\\192.168.1.100\\b", "X:"}}));
}

TEST_F(ShareMappingTest, EmptyAddressListsNothingSoUnmapAllLeavesOtherServersAlone) {
    record.ipAddress.Clear();
    drives.SetRemote('Z', "\\\\10.0.0.9\\other");
    Open();
    EXPECT_TRUE(Rows().empty());
    Click(IDC_UNMAP_ALL);
    EXPECT_EQ(Count(Op::CancelConnection), 0u);
    EXPECT_TRUE(drives.RemoteOf('Z').has_value());
}

// ---------------------------------------------------------------- Map

TEST_F(ShareMappingTest, MapConnectsAddsARowAndShowsTheLetterAsConnected) {
    Open();
    ShareCombo()->SetCurSel(0);
    DriveCombo()->SetCurSel(1);  // Y:
    Edit(IDC_USER_NAME)->SetWindowText("admin");
    Edit(IDC_PASSWORD)->SetWindowText("secret");
    drives.RecordPasswords(true);
    Click(IDC_MAP);

    const auto adds = drives.CallsOf(Op::AddConnection);
    ASSERT_EQ(adds.size(), 1u);
    EXPECT_EQ(adds[0].localName, "Y:");
    EXPECT_EQ(adds[0].remoteName, "\\\\192.168.1.1\\disk1");
    EXPECT_EQ(adds[0].userName, "admin");
    EXPECT_EQ(adds[0].password, "secret");
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(Rows(), (std::vector<Row>{{"\\\\192.168.1.1\\disk1", "Y:"}}));
    EXPECT_EQ(DriveEntries(), Letters({{'Y', "\\\\192.168.1.1\\disk1"}}, ""));
    EXPECT_EQ(DriveEntries().at(1), "Y:  \\\\192.168.1.1\\disk1");
    EXPECT_EQ(DriveCombo()->GetWindowText(), "Y:");  // only the list is rebuilt
}

TEST_F(ShareMappingTest, TakenLetterChosenFromTheComboFailsAndChangesNothing) {
    drives.SetRemote('Y', "\\\\192.168.1.1\\disk2");
    Open();
    ShareCombo()->SetCurSel(0);
    DriveCombo()->SetCurSel(1);  // "Y:  \\192.168.1.1\disk2"
    Edit(IDC_USER_NAME)->SetWindowText("admin");
    Edit(IDC_PASSWORD)->SetWindowText("pw");
    const std::vector<Row> rowsBefore = Rows();
    const std::size_t fillsBefore = Count(Op::GetLogicalDrives);
    Click(IDC_MAP);

    ASSERT_EQ(drives.CallsOf(Op::AddConnection).size(), 1u);
    EXPECT_EQ(drives.CallsOf(Op::AddConnection)[0].localName, "Y:");
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Map failed!"});
    EXPECT_FALSE(boxes.boxes[0].information);
    EXPECT_EQ(Rows(), rowsBefore);
    EXPECT_EQ(Count(Op::GetLogicalDrives), fillsBefore);
    EXPECT_EQ(ShareCombo()->GetWindowText(), "disk1");
    EXPECT_EQ(DriveCombo()->GetWindowText(), "Y:  \\\\192.168.1.1\\disk2");
    EXPECT_EQ(Edit(IDC_USER_NAME)->GetWindowText(), "admin");
    EXPECT_EQ(Edit(IDC_PASSWORD)->GetWindowText(), "pw");
}

TEST_F(ShareMappingTest, TypedTextsReachTheDrivesUnchanged) {
    drives.RecordPasswords(true);
    Open();
    const QString user32(32, 'u');
    Map("never-reported", "Q", user32, "");  // unknown share, one-letter drive, empty password
    Map("disk1", "P:", "", "pw");            // empty user name
    const auto adds = drives.CallsOf(Op::AddConnection);
    ASSERT_EQ(adds.size(), 2u);
    EXPECT_EQ(adds[0].remoteName, "\\\\192.168.1.1\\never-reported");
    EXPECT_EQ(adds[0].localName, "Q");
    EXPECT_EQ(adds[0].userName, user32.toStdString());
    EXPECT_EQ(adds[0].password, "");
    EXPECT_EQ(adds[1].userName, "");
    EXPECT_EQ(adds[1].password, "pw");
    // "Q" is no drive letter: the drives refuse it; "P:" is connected.
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Map failed!"});
    EXPECT_EQ(Rows(), (std::vector<Row>{{"\\\\192.168.1.1\\disk1", "P:"}}));
}

TEST_F(ShareMappingTest, EditsHoldAtMost32And8Characters) {
    Open();
    Edit(IDC_USER_NAME)->setText(QString(40, 'u'));
    Edit(IDC_PASSWORD)->setText(QString(12, 'p'));
    EXPECT_EQ(Edit(IDC_USER_NAME)->GetWindowText(), QString(32, 'u'));
    EXPECT_EQ(Edit(IDC_PASSWORD)->GetWindowText(), QString(8, 'p'));
    EXPECT_TRUE(Edit(IDC_PASSWORD)->echoMode() == QLineEdit::Password);
}

TEST_F(ShareMappingTest, SameShareOnTwoLettersGivesTwoRows) {
    Open();
    Map("disk1", "Z:");
    Map("disk1", "X:");
    EXPECT_EQ(Rows(), (std::vector<Row>{{"\\\\192.168.1.1\\disk1", "Z:"},
                                        {"\\\\192.168.1.1\\disk1", "X:"}}));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ShareMappingTest, LongSharePathIsUsedWhole) {
    Open();
    const std::string share(60, 'n');  // the path comes to 74 characters
    Map(QString::fromStdString(share), "W:");
    const std::string path = "\\\\192.168.1.1\\" + share;
    ASSERT_EQ(Count(Op::AddConnection), 1u);
    EXPECT_EQ(drives.CallsOf(Op::AddConnection)[0].remoteName, path);
    EXPECT_EQ(drives.RemoteOf('W'), path);
    EXPECT_EQ(Rows(), (std::vector<Row>{{QString::fromStdString(path), "W:"}}));
    EXPECT_TRUE(DriveEntries().contains("W:  " + QString::fromStdString(path)));
}

TEST_F(ShareMappingTest, MapWithAnEmptyFieldDoesNothing) {
    Open();
    Map("", "Z:");
    Map("disk1", "");
    EXPECT_EQ(Count(Op::AddConnection), 0u);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(Rows().empty());
}

// ---------------------------------------------------------------- Unmap

TEST_F(ShareMappingTest, UnmapCancelsTheSelectedRowOnly) {
    drives.SetRemote('Z', "\\\\192.168.1.1\\disk1");
    drives.SetRemote('Y', "\\\\192.168.1.1\\disk2");
    Open();
    Click(IDC_UNMAP);  // nothing selected
    EXPECT_EQ(Count(Op::CancelConnection), 0u);
    EXPECT_TRUE(boxes.boxes.empty());

    List()->SetSelectedRow(1);
    Click(IDC_UNMAP);
    ASSERT_EQ(Count(Op::CancelConnection), 1u);
    EXPECT_EQ(drives.CallsOf(Op::CancelConnection)[0].localName, "Y:");
    EXPECT_EQ(Rows(), (std::vector<Row>{{"\\\\192.168.1.1\\disk1", "Z:"}}));
    EXPECT_EQ(DriveEntries(), Letters({{'Z', "\\\\192.168.1.1\\disk1"}}, ""));
}

TEST_F(ShareMappingTest, FailedUnmapKeepsTheRow) {
    drives.SetRemote('Z', "\\\\192.168.1.1\\disk1");
    drives.FailCancelOf("Z:", 2404);  // files open on the drive
    Open();
    const QStringList entries = DriveEntries();
    List()->SetSelectedRow(0);
    Click(IDC_UNMAP);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Unmap failed!"});
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_EQ(DriveEntries(), entries);
}

TEST_F(ShareMappingTest, UnmapAllOnAnEmptyListOnlyRebuildsTheDriveCombo) {
    Open();
    drives.SetRemote('M', "\\\\10.0.0.9\\elsewhere");  // connected after opening
    Click(IDC_UNMAP_ALL);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(Count(Op::CancelConnection), 0u);
    EXPECT_EQ(Count(Op::GetLogicalDrives), 2u);
    EXPECT_TRUE(DriveEntries().contains("M:  \\\\10.0.0.9\\elsewhere"));
}

TEST_F(ShareMappingTest, UnmapAllGoesOnPastAFailure) {
    drives.SetRemote('Z', "\\\\192.168.1.1\\disk1");
    drives.SetRemote('Y', "\\\\192.168.1.1\\disk2");
    drives.SetRemote('X', "\\\\192.168.1.1\\disk3");
    drives.FailCancelOf("Y:", 2404);
    Open();
    Click(IDC_UNMAP_ALL);
    const auto cancels = drives.CallsOf(Op::CancelConnection);
    ASSERT_EQ(cancels.size(), 3u);
    EXPECT_EQ(cancels[0].localName, "X:");  // last row first
    EXPECT_EQ(cancels[1].localName, "Y:");
    EXPECT_EQ(cancels[2].localName, "Z:");
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Unmap failed!"});
    EXPECT_EQ(Rows(), (std::vector<Row>{{"\\\\192.168.1.1\\disk2", "Y:"}}));
    EXPECT_EQ(Count(Op::GetLogicalDrives), 2u);  // opening, then once after the walk
    EXPECT_EQ(DriveEntries(), Letters({{'Y', "\\\\192.168.1.1\\disk2"}}, ""));
}

// ---------------------------------------------------------------- entry point

TEST_F(ShareMappingTest, CancelledCheckOpensNothing) {
    record.passwordRequired = 1;
    int asked = 0;
    const VerificationGate refuse = [&](const protocol::DeviceRecord& r) {
        EXPECT_EQ(&r, &record);
        ++asked;
        return false;
    };
    EXPECT_FALSE(RunShareMapping(context, record, refuse, nullptr));
    EXPECT_FALSE(RunShareMapping(context, record, VerificationGate(), nullptr));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(drives.Calls().empty());
}

TEST_F(ShareMappingTest, PassedCheckRunsTheDialogAndItsConnectionsOutliveIt) {
    ui::Dialog owner(ui::testing::QtUi(), BuiltInResources(), 100);
    ASSERT_TRUE(owner.Create());
    bool checked = false;
    const VerificationGate pass = [&](const protocol::DeviceRecord&) {
        checked = true;
        return true;
    };
    auto acted = ui::testing::WhenActive<ShareMappingDialog>([&](ShareMappingDialog* open) {
        EXPECT_EQ(ui::qt::WindowOf(*open)->parentWidget(), ui::qt::WindowOf(owner));
        EXPECT_EQ(open->GetWindowText(), "Share Mapping");
        EXPECT_EQ(open->FocusedControlId(), ui::IDOK);
        open->ControlAs<ui::qt::QtComboBox>(IDC_SHARE_COMBO)->SetCurSel(1);
        open->ControlAs<ui::qt::QtComboBox>(IDC_DRIVE_COMBO)->SetCurSel(0);  // Z:
        open->ControlAs<QPushButton>(IDC_MAP)->click();
        open->ControlAs<QPushButton>(ui::IDOK)->click();
    });
    EXPECT_TRUE(RunShareMapping(context, record, pass, &owner));
    EXPECT_TRUE(*acted);
    EXPECT_TRUE(checked);
    EXPECT_EQ(drives.RemoteOf('Z'), "\\\\192.168.1.1\\disk2");
    EXPECT_EQ(record.ipAddress.str(), "192.168.1.1");
    EXPECT_EQ(record.shares.size(), 2u);
}

}  // namespace
}  // namespace halvo::shares
