// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end: "Share mapping" on the LAN, through the real drive letters (GVfs under this test's
// own session bus) against the SMB servers of the boxes: map, use the letter's folder, see the
// row again in a new dialog, unmap; and a wrong password that maps nothing.
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "GuiLanSupport.h"
#include "shares/ShareMappingDialog.h"
#include "ui/qt/QtBackend.h"

namespace halvo::e2e {
namespace {

using shares::ShareMappingDialog;

constexpr int kMapWaitMs = 30000;

std::uint32_t Bit(char letter) {
    return 1u << (letter - 'A');
}

std::string ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "(cannot open " + path.toStdString() + ")";
    }
    return file.readAll().toStdString();
}

bool WriteFile(const QString& path, const std::string& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(text.data(), static_cast<qint64>(text.size())) ==
               static_cast<qint64>(text.size());
}

// The SMB mounts of this session, as GVfs lists them.
int SmbMounts() {
    QProcess gio;
    gio.start("gio", {"mount", "-l"});
    if (!gio.waitForFinished(10000)) {
        ADD_FAILURE() << "gio mount -l did not finish";
        return -1;
    }
    return static_cast<int>(QString::fromUtf8(gio.readAllStandardOutput()).count("-> smb://"));
}

QStringList Rows(ui::qt::QtListView* list) {
    QStringList rows;
    for (int row = 0; row < list->GetItemCount(); ++row) {
        rows << QString::fromStdString(list->GetItemText(row, 0) + " | " +
                                       list->GetItemText(row, 1));
    }
    return rows;
}

class GuiShares : public GuiLanBase {
  protected:
    void SetUp() override {
        GuiLanBase::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            << "needs a session bus of its own (run-on-lan.sh --session)";
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        ASSERT_NE(runtime, nullptr);
        letters_ = QString::fromLocal8Bit(runtime) + "/halvo-drives/";
        // The SMB servers' folders, by device host.
        const QString lanFolder = QFileInfo(std::getenv("HALVO_LAN_HOSTS")).absolutePath();
        std::ifstream smbHosts((lanFolder + "/smb-hosts").toStdString());
        std::string line;
        while (std::getline(smbHosts, line)) {
            std::istringstream fields(line);
            int index = 0;
            std::string address, folder;
            fields >> index >> address >> folder;
            serverFolders_[address] = QString::fromStdString(folder);
        }
        ASSERT_EQ(TestDrives().GetLogicalDrives(), 0u) << "a letter is left from before";
    }

    void TearDown() override {
        GuiLanBase::TearDown();
        if (IsSkipped()) {
            return;
        }
        // Whatever a failed test left mapped.
        platform::NetworkDrives& drives = TestDrives();
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            const std::string local{letter, ':'};
            if (drives.GetDriveType(local) == platform::DRIVE_REMOTE) {
                EXPECT_EQ(drives.CancelConnection(local), 0) << local;
            }
        }
    }

    ui::qt::QtComboBox* Combo(ShareMappingDialog* dialog, int id) {
        return dialog->ControlAs<ui::qt::QtComboBox>(id);
    }
    ui::qt::QtListView* MappedList(ShareMappingDialog* dialog) {
        return dialog->ControlAs<ui::qt::QtListView>(shares::IDC_MAPPED_LIST);
    }

    // Fills the dialog's fields as the user would and presses Map.
    void Map(ShareMappingDialog* dialog, const QString& share, const QString& drive,
             const QString& user, const QString& password) {
        Type(*dialog, shares::IDC_USER_NAME, user);
        Type(*dialog, shares::IDC_PASSWORD, password);
        ASSERT_TRUE(Choose(Combo(dialog, shares::IDC_SHARE_COMBO), share)) << share.toStdString();
        ASSERT_TRUE(Choose(Combo(dialog, shares::IDC_DRIVE_COMBO), drive)) << drive.toStdString();
        Click(*dialog, shares::IDC_MAP);
    }

    QString letters_;
    std::map<std::string, QString> serverFolders_;
};

TEST_F(GuiShares, AShareMappedToZCarriesFilesAndIsListedUntilUnmapped) {
    const LanDevice& alpha = ByName("NAS-Alpha");
    const QString path = "\\\\" + Q(alpha.hostAddress) + "\\public";
    ASSERT_EQ(serverFolders_.count(alpha.hostAddress), 1u) << "no SMB server for NAS-Alpha";
    const QString serverFile = serverFolders_[alpha.hostAddress] + "/shares/public/hello.txt";
    auto main = OpenMain();
    ClickEntry(*main, "NAS-Alpha");

    // Map public to Z:, then write and read a file through the letter's folder.
    QStringList shareRows, rowsAfterMap;
    std::vector<std::string> messages;
    std::string readBack;
    bool wrote = false;
    auto first = WhenActive<ShareMappingDialog>(
        [&](ShareMappingDialog* dialog) {
            EndOnExit end(dialog);
            ui::qt::QtComboBox* shareCombo = Combo(dialog, shares::IDC_SHARE_COMBO);
            for (int row = 0; row < shareCombo->GetCount(); ++row) {
                shareRows << QString::fromStdString(shareCombo->GetLBText(row));
            }
            EXPECT_EQ(MappedList(dialog)->GetItemCount(), 0);
            Map(dialog, "public", "Z:", Q(alpha.config.smbUser), Q(alpha.config.smbPassword));
            messages = boxes_.Texts();
            rowsAfterMap = Rows(MappedList(dialog));
            wrote = WriteFile(letters_ + "Z/hello.txt", "written through Z:\n");
            readBack = ReadFile(letters_ + "Z/hello.txt");
            Click(*dialog, ui::IDOK);
        },
        kMapWaitMs, armed_.get());
    Click(*main, app::IDC_SHARE_MAPPING);
    ASSERT_TRUE(*first) << "the share mapping dialog did not open";
    EXPECT_EQ(shareRows, QStringList({"public", "media", "backup"}));
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(rowsAfterMap, QStringList({path + " | Z:"}));
    EXPECT_TRUE(wrote);
    EXPECT_EQ(readBack, "written through Z:\n");
    EXPECT_EQ(ReadFile(serverFile), "written through Z:\n");  // on the server itself
    EXPECT_EQ(TestDrives().GetConnection("Z:"), path.toStdString());
    // The main window is as it was.
    EXPECT_EQ(DeviceList(*main)->GetCurSel(), Entries(*main).indexOf("NAS-Alpha"));
    EXPECT_EQ(States(*main), kAllEnabled);

    // A new dialog lists the letter; Unmap frees it again.
    QStringList rowsAtOpen, rowsAfterUnmap;
    bool zOfferedFree = false;
    auto second = WhenActive<ShareMappingDialog>(
        [&](ShareMappingDialog* dialog) {
            EndOnExit end(dialog);
            ui::qt::QtListView* list = MappedList(dialog);
            rowsAtOpen = Rows(list);
            ASSERT_EQ(list->GetItemCount(), 1);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->topLevelItem(0)).center());
            Click(*dialog, shares::IDC_UNMAP);
            rowsAfterUnmap = Rows(list);
            ui::qt::QtComboBox* drives = Combo(dialog, shares::IDC_DRIVE_COMBO);
            zOfferedFree = drives->GetCount() > 0 && drives->GetLBText(0) == "Z:";
            Click(*dialog, ui::IDCANCEL);
        },
        kMapWaitMs, armed_.get());
    Click(*main, app::IDC_SHARE_MAPPING);
    ASSERT_TRUE(*second);
    EXPECT_EQ(rowsAtOpen, QStringList({path + " | Z:"}));
    EXPECT_TRUE(rowsAfterUnmap.isEmpty());
    EXPECT_TRUE(zOfferedFree);
    EXPECT_TRUE(boxes_.boxes.empty()) << boxes_.Texts().front();
    EXPECT_EQ(TestDrives().GetLogicalDrives() & Bit('Z'), 0u);
    EXPECT_NE(TestDrives().GetDriveType("Z:"), platform::DRIVE_REMOTE);
    EXPECT_FALSE(QFileInfo(letters_ + "Z").isSymLink());
    EXPECT_EQ(SmbMounts(), 0);
    // The file stays on the share.
    EXPECT_EQ(ReadFile(serverFile), "written through Z:\n");
}

TEST_F(GuiShares, AWrongPasswordGivesMapFailedAndMountsNothing) {
    const LanDevice& beta = ByName("NAS-Beta");
    auto main = OpenMain();
    ClickEntry(*main, "NAS-Beta");

    std::vector<std::string> messages;
    QStringList rows;
    bool yStillFree = false;
    int mounts = -1;
    QString userKept;
    auto seen = WhenActive<ShareMappingDialog>(
        [&](ShareMappingDialog* dialog) {
            EndOnExit end(dialog);
            Map(dialog, "projects", "Y:", Q(beta.config.smbUser), "wrong-pw");
            messages = boxes_.Texts();
            rows = Rows(MappedList(dialog));
            yStillFree = (TestDrives().GetLogicalDrives() & Bit('Y')) == 0;
            mounts = SmbMounts();
            userKept = dialog->ControlAs<ui::qt::QtEdit>(shares::IDC_USER_NAME)->text();
            Click(*dialog, ui::IDCANCEL);
        },
        kMapWaitMs, armed_.get());
    Click(*main, app::IDC_SHARE_MAPPING);
    ASSERT_TRUE(*seen) << "the share mapping dialog did not open";
    EXPECT_EQ(messages, std::vector<std::string>{std::string(shares::MSG_MAP_FAILED)});
    EXPECT_TRUE(rows.isEmpty());
    EXPECT_TRUE(yStillFree);
    EXPECT_EQ(mounts, 0);
    EXPECT_EQ(userKept, Q(beta.config.smbUser));  // the inputs stay for another try
    EXPECT_FALSE(QFileInfo(letters_ + "Y").exists());
    EXPECT_EQ(TestDrives().GetLogicalDrives(), 0u);
}

// The box of a simplified-Chinese workstation reports its shares in code page 936; the server
// holds them by their UTF-8 names. Runs under zh_CN.UTF-8, whose code page is 936.
TEST_F(GuiShares, AChineseShareMapsByItsName) {
    ASSERT_EQ(WorkstationCodec().CodePage(), 936u);
    const LanDevice& box = ByName("财务部的存储盒子");
    ASSERT_EQ(box.config.codePage, 936u);
    ASSERT_EQ(serverFolders_.count(box.hostAddress), 1u) << "no SMB server for the 936 box";
    const QString path = "\\\\" + Q(box.hostAddress) + "\\共享文件";
    const QString serverFile = serverFolders_[box.hostAddress] + "/shares/共享文件/报告.txt";
    auto main = OpenMain();
    ClickEntry(*main, "财务部的存储盒子");

    QStringList shareRows, rowsAfterMap;
    std::vector<std::string> messages;
    bool wrote = false;
    auto seen = WhenActive<ShareMappingDialog>(
        [&](ShareMappingDialog* dialog) {
            EndOnExit end(dialog);
            ui::ComboBox* shareCombo = Combo(dialog, shares::IDC_SHARE_COMBO);
            for (int row = 0; row < shareCombo->GetCount(); ++row) {
                shareRows << QString::fromStdString(shareCombo->GetLBText(row));
            }
            Map(dialog, "共享文件", "X:", Q(box.config.smbUser), Q(box.config.smbPassword));
            messages = boxes_.Texts();
            rowsAfterMap = Rows(MappedList(dialog));
            wrote = WriteFile(letters_ + "X/报告.txt", "季度报告\n");
            Click(*dialog, ui::IDOK);
        },
        kMapWaitMs, armed_.get());
    Click(*main, app::IDC_SHARE_MAPPING);
    ASSERT_TRUE(*seen) << "the share mapping dialog did not open";
    EXPECT_EQ(shareRows, QStringList({"共享文件", "备份"}));
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(rowsAfterMap, QStringList({path + " | X:"}));
    EXPECT_EQ(TestDrives().GetConnection("X:"), path.toStdString());
    EXPECT_TRUE(wrote);
    EXPECT_EQ(ReadFile(serverFile), "季度报告\n");  // in the server's folder of that name
    EXPECT_EQ(TestDrives().CancelConnection("X:"), 0);
    EXPECT_EQ(SmbMounts(), 0);
}

}  // namespace
}  // namespace halvo::e2e
