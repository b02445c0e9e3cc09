// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/drives/DriveLetters.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/drives/TempFolder.h"

namespace halvo::platform {
namespace {

using halvo::testing::ReadFile;
using halvo::testing::TempFolder;
using halvo::testing::WriteFile;

// The desktop's mounts, simulated: a list of mounted shares and scripted outcomes.
class ScriptedMounter : public ShareMounter {
  public:
    struct MountCall {
        ShareLocation share;
        UserName user;
        std::string password;
    };

    std::vector<ShareLocation> mounted;
    std::deque<MountOutcome> outcomes;  // next Mount results; Mounted when empty
    bool unmountSucceeds = true;
    std::vector<MountCall> mountCalls;
    std::vector<ShareLocation> unmountCalls;
    std::function<void()> duringMount;  // runs while a mount is under way

    MountOutcome Mount(const ShareLocation& share, const UserName& user,
                       std::string_view password) override {
        mountCalls.push_back({share, user, std::string(password)});
        if (duringMount) {
            duringMount();
        }
        MountOutcome outcome = MountOutcome::Mounted;
        if (!outcomes.empty()) {
            outcome = outcomes.front();
            outcomes.pop_front();
        }
        if (outcome == MountOutcome::Mounted && !IsMounted(share)) {
            mounted.push_back(share);
        }
        return outcome;
    }
    bool Unmount(const ShareLocation& share) override {
        unmountCalls.push_back(share);
        if (!unmountSucceeds) {
            return false;
        }
        std::erase_if(mounted, [&](const ShareLocation& s) { return SameShare(s, share); });
        return true;
    }
    std::vector<ShareLocation> MountedShares() override { return mounted; }
    std::string LocalFolder(const ShareLocation& share) override {
        return "/nonexistent/gvfs/smb-share:server=" + share.server + ",share=" + share.share;
    }
    bool IsMounted(const ShareLocation& share) const {
        for (const ShareLocation& s : mounted) {
            if (SameShare(s, share)) {
                return true;
            }
        }
        return false;
    }
};

const std::string DATA = "\\\\10.0.0.2\\data";
const ShareLocation DATA_SHARE{"10.0.0.2", "data"};

class DriveLettersTest : public ::testing::Test {
  protected:
    TempFolder temp;
    std::filesystem::path folder = temp.Path() / "halvo-drives";
    ScriptedMounter mounter;
    DriveTableFile file{folder};
    std::vector<std::string> problems;
    DriveLetters drives{mounter, file, [this](const std::string& p) { problems.push_back(p); }};

    std::string TableText() { return ReadFile(folder / "drives"); }
};

TEST_F(DriveLettersTest, AMappedLetterIsRemoteAndEveryOtherLetterFree) {
    EXPECT_EQ(drives.GetLogicalDrives(), 0u);
    ASSERT_EQ(drives.AddConnection("Z:", DATA, "WORKGROUP\\bob", "secret"), NO_ERROR_RESULT);

    EXPECT_EQ(drives.GetLogicalDrives(), 1u << 25);
    EXPECT_EQ(drives.GetDriveType("Z:"), DRIVE_REMOTE);
    EXPECT_EQ(drives.GetConnection("Z:"), DATA);
    for (char letter = 'A'; letter < 'Z'; ++letter) {
        const std::string local{letter, ':'};
        EXPECT_NE(drives.GetDriveType(local), DRIVE_REMOTE) << local;
        EXPECT_EQ(drives.GetConnection(local), "") << local;
    }
    // Case of the letter does not matter; other shapes are no letter.
    EXPECT_EQ(drives.GetDriveType("z:"), DRIVE_REMOTE);
    EXPECT_NE(drives.GetDriveType("Z"), DRIVE_REMOTE);
    EXPECT_NE(drives.GetDriveType("Z:\\"), DRIVE_REMOTE);

    ASSERT_EQ(mounter.mountCalls.size(), 1u);
    EXPECT_EQ(mounter.mountCalls[0].user.domain, "WORKGROUP");
    EXPECT_EQ(mounter.mountCalls[0].user.user, "bob");
    EXPECT_EQ(mounter.mountCalls[0].password, "secret");
    EXPECT_NE(TableText().find("Z\t" + DATA + "\tsmb://10.0.0.2/data\town\n"), std::string::npos);
    EXPECT_EQ(std::filesystem::read_symlink(folder / "Z"),
              "/nonexistent/gvfs/smb-share:server=10.0.0.2,share=data");
    EXPECT_EQ(TableText().find("secret"), std::string::npos);
}

TEST_F(DriveLettersTest, AMappingOutlivesTheObjectThatMadeIt) {
    ASSERT_EQ(drives.AddConnection("Q:", DATA, "", ""), NO_ERROR_RESULT);
    DriveTableFile otherFile(folder);
    DriveLetters other(mounter, otherFile);
    EXPECT_EQ(other.GetDriveType("Q:"), DRIVE_REMOTE);
    EXPECT_EQ(other.CancelConnection("Q:"), NO_ERROR_RESULT);
    EXPECT_NE(drives.GetDriveType("Q:"), DRIVE_REMOTE);
}

TEST_F(DriveLettersTest, RefusesBadLettersNamesAndTakenLettersBeforeMounting) {
    ASSERT_EQ(drives.AddConnection("Z:", DATA, "", ""), NO_ERROR_RESULT);
    mounter.mountCalls.clear();

    EXPECT_EQ(drives.AddConnection("Z:", "\\\\10.0.0.2\\other", "", ""), ERROR_ALREADY_ASSIGNED);
    EXPECT_EQ(drives.AddConnection("Z", DATA, "", ""), ERROR_BAD_DEVICE);
    EXPECT_EQ(drives.AddConnection("", DATA, "", ""), ERROR_BAD_DEVICE);
    EXPECT_EQ(drives.AddConnection("Y:", "\\\\10.0.0.2\\a/b", "", ""), ERROR_BAD_NET_NAME);
    EXPECT_EQ(drives.AddConnection("Y:", "\\\\10.0.0.2\\a\\b", "", ""), ERROR_BAD_NET_NAME);
    EXPECT_EQ(drives.AddConnection("Y:", "\\\\10.0.0.2\\..", "", ""), ERROR_BAD_NET_NAME);
    EXPECT_TRUE(mounter.mountCalls.empty());
    EXPECT_EQ(drives.GetConnection("Z:"), DATA);
}

TEST_F(DriveLettersTest, AFailedMountLeavesTheLetterFree) {
    // Each way a mount fails, as the number Windows gives for the same failure.
    const std::pair<MountOutcome, int> failures[] = {
        {MountOutcome::Refused, ERROR_LOGON_FAILURE},
        {MountOutcome::TimedOut, ERROR_BAD_NETPATH},
        {MountOutcome::Unreachable, ERROR_BAD_NETPATH},
        {MountOutcome::NoSuchShare, ERROR_BAD_NET_NAME},
        {MountOutcome::Smb1Only, ERROR_NOT_SUPPORTED},
        {MountOutcome::Failed, ERROR_BAD_NET_NAME},
    };
    for (const auto& [outcome, number] : failures) {
        mounter.outcomes = {outcome};
        EXPECT_EQ(drives.AddConnection("Z:", DATA, "bob", "pw"), number);
    }
    EXPECT_EQ(drives.GetLogicalDrives(), 0u);
    EXPECT_FALSE(std::filesystem::exists(folder / "Z"));
}

TEST_F(DriveLettersTest, ALongSharePathIsUsedWhole) {
    const std::string share(80, 's');
    const std::string remote = "\\\\192.168.100.100\\" + share;
    ASSERT_GT(remote.size(), 63u);
    ASSERT_EQ(drives.AddConnection("L:", remote, "", ""), NO_ERROR_RESULT);
    EXPECT_EQ(mounter.mountCalls.at(0).share.share, share);
    EXPECT_EQ(drives.GetConnection("L:"), remote);
}

TEST_F(DriveLettersTest, OneShareOnSeveralLettersKeepsItsMountUntilTheLastGoes) {
    ASSERT_EQ(drives.AddConnection("Z:", DATA, "bob", "pw"), NO_ERROR_RESULT);
    // Mounting what is already mounted is no failure.
    ASSERT_EQ(drives.AddConnection("Y:", "\\\\10.0.0.2\\DATA", "bob", "pw"), NO_ERROR_RESULT);
    EXPECT_EQ(drives.GetLogicalDrives(), (1u << 25) | (1u << 24));
    EXPECT_EQ(drives.GetConnection("Y:"), "\\\\10.0.0.2\\DATA");

    ASSERT_EQ(drives.CancelConnection("Z:"), NO_ERROR_RESULT);
    EXPECT_TRUE(mounter.unmountCalls.empty());
    EXPECT_TRUE(mounter.IsMounted(DATA_SHARE));
    EXPECT_EQ(drives.GetDriveType("Y:"), DRIVE_REMOTE);
    EXPECT_NE(drives.GetDriveType("Z:"), DRIVE_REMOTE);
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "Z"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "Y"));

    ASSERT_EQ(drives.CancelConnection("Y:"), NO_ERROR_RESULT);
    ASSERT_EQ(mounter.unmountCalls.size(), 1u);
    EXPECT_FALSE(mounter.IsMounted(DATA_SHARE));
    EXPECT_EQ(drives.GetLogicalDrives(), 0u);
}

TEST_F(DriveLettersTest, AMountThatWasThereBeforeIsLeftToWhoeverMadeIt) {
    mounter.mounted.push_back(DATA_SHARE);  // e.g. the file manager's
    ASSERT_EQ(drives.AddConnection("Z:", DATA, "", ""), NO_ERROR_RESULT);
    ASSERT_EQ(drives.AddConnection("Y:", DATA, "", ""), NO_ERROR_RESULT);
    EXPECT_NE(TableText().find("\tfound\n"), std::string::npos);
    ASSERT_EQ(drives.CancelConnection("Z:"), NO_ERROR_RESULT);
    ASSERT_EQ(drives.CancelConnection("Y:"), NO_ERROR_RESULT);
    EXPECT_TRUE(mounter.unmountCalls.empty());
    EXPECT_TRUE(mounter.IsMounted(DATA_SHARE));
}

TEST_F(DriveLettersTest, ALetterWhoseMountVanishedIsDroppedNotReportedConnected) {
    ASSERT_EQ(drives.AddConnection("Z:", DATA, "", ""), NO_ERROR_RESULT);
    ASSERT_EQ(drives.AddConnection("X:", "\\\\10.0.0.2\\other", "", ""), NO_ERROR_RESULT);
    // Unmounted elsewhere, or the session bus that held the mounts has gone.
    std::erase_if(mounter.mounted, [](const ShareLocation& s) { return s.share == "data"; });

    EXPECT_EQ(drives.GetLogicalDrives(), 1u << 23);
    EXPECT_NE(drives.GetDriveType("Z:"), DRIVE_REMOTE);
    EXPECT_EQ(drives.GetConnection("Z:"), "");
    EXPECT_EQ(TableText().find("\\data"), std::string::npos);
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "Z"));
    EXPECT_EQ(drives.GetDriveType("X:"), DRIVE_REMOTE);
    EXPECT_TRUE(problems.empty());

    mounter.mounted.clear();
    // Cancelling a letter that has just gone this way is a success: it is gone.
    EXPECT_EQ(drives.CancelConnection("X:"), NO_ERROR_RESULT);
    EXPECT_TRUE(mounter.unmountCalls.empty());
    EXPECT_EQ(drives.CancelConnection("X:"), ERROR_NOT_CONNECTED);
}

TEST_F(DriveLettersTest, CancelFailsAndKeepsTheLetterWhenTheShareWillNotUnmount) {
    ASSERT_EQ(drives.AddConnection("Z:", DATA, "", ""), NO_ERROR_RESULT);
    mounter.unmountSucceeds = false;
    EXPECT_EQ(drives.CancelConnection("Z:"), ERROR_OPEN_FILES);
    EXPECT_EQ(drives.GetConnection("Z:"), DATA);
    EXPECT_EQ(drives.CancelConnection("Y:"), ERROR_NOT_CONNECTED);
    EXPECT_EQ(drives.CancelConnection("?:"), ERROR_BAD_DEVICE);
}

TEST_F(DriveLettersTest, ALetterTakenWhileMountingFailsAndTheFreshMountIsUndone) {
    DriveTableFile otherFile(folder);
    DriveLetters other(mounter, otherFile);
    mounter.duringMount = [&] {
        mounter.duringMount = nullptr;
        mounter.mounted.push_back({"10.0.0.3", "elsewhere"});
        ASSERT_EQ(other.AddConnection("Z:", "\\\\10.0.0.3\\elsewhere", "", ""), NO_ERROR_RESULT);
    };
    EXPECT_EQ(drives.AddConnection("Z:", DATA, "", ""), ERROR_ALREADY_ASSIGNED);
    EXPECT_EQ(drives.GetConnection("Z:"), "\\\\10.0.0.3\\elsewhere");
    ASSERT_EQ(mounter.unmountCalls.size(), 1u);
    EXPECT_TRUE(SameShare(mounter.unmountCalls[0], DATA_SHARE));
}

TEST_F(DriveLettersTest, ADamagedTableIsReportedAndLosesNoValidEntry) {
    ASSERT_TRUE(file.Prepare());
    mounter.mounted.push_back(DATA_SHARE);
    WriteFile(folder / "drives",
              "halvo-drives 1\n\x7f\x45LF\nZ\t" + DATA + "\tsmb://10.0.0.2/data\town\n");
    EXPECT_EQ(drives.GetConnection("Z:"), DATA);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("damaged"), std::string::npos) << problems[0];
    EXPECT_EQ(drives.LastProblem(), problems[0]);
    EXPECT_TRUE(std::filesystem::exists(folder / "drives.damaged-1"));

    // Once set aside the table is sound again: no further reports.
    ASSERT_EQ(drives.AddConnection("Y:", DATA, "", ""), NO_ERROR_RESULT);
    EXPECT_EQ(drives.GetLogicalDrives(), (1u << 25) | (1u << 24));
    EXPECT_EQ(problems.size(), 1u);
}

TEST_F(DriveLettersTest, AnUnreadableTableRefusesChangesRatherThanOverwriteIt) {
    ASSERT_TRUE(file.Prepare());
    std::filesystem::create_directory(folder / "drives");
    EXPECT_EQ(drives.AddConnection("Z:", DATA, "", ""), ERROR_CANNOT_RECORD);
    EXPECT_TRUE(mounter.mountCalls.empty());
    EXPECT_EQ(drives.GetLogicalDrives(), 0u);
    EXPECT_FALSE(problems.empty());
    EXPECT_TRUE(std::filesystem::is_directory(folder / "drives"));
}

TEST_F(DriveLettersTest, NoUsableFolderMeansNoLetters) {
    TempFolder other;
    WriteFile(other.Path() / "plain-file", "x");
    DriveTableFile blocked(other.Path() / "plain-file");
    DriveLetters none(mounter, blocked);
    EXPECT_EQ(none.AddConnection("Z:", DATA, "", ""), ERROR_CANNOT_RECORD);
    EXPECT_EQ(none.GetLogicalDrives(), 0u);
    EXPECT_EQ(none.CancelConnection("Z:"), ERROR_NOT_CONNECTED);
    EXPECT_TRUE(mounter.mountCalls.empty());
}

}  // namespace
}  // namespace halvo::platform
