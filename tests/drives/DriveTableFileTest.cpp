// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/drives/DriveTableFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/drives/TempFolder.h"

namespace halvo::platform {
namespace {

using halvo::testing::ReadFile;
using halvo::testing::TempFolder;
using halvo::testing::WriteFile;

class DriveTableFileTest : public ::testing::Test {
  protected:
    TempFolder temp;
    std::filesystem::path folder = temp.Path() / "halvo-drives";
    DriveTableFile file{folder};
};

TEST_F(DriveTableFileTest, DefaultFolderPrefersTheRuntimeFolder) {
    EXPECT_EQ(DriveTableFile::DefaultFolder("/run/user/1000", "/c", "/home/u"),
              "/run/user/1000/halvo-drives");
    EXPECT_EQ(DriveTableFile::DefaultFolder("relative", "/c", "/home/u"), "/c/halvo-drives");
    EXPECT_EQ(DriveTableFile::DefaultFolder(nullptr, nullptr, "/home/u"),
              "/home/u/.cache/halvo-drives");
    EXPECT_EQ(DriveTableFile::DefaultFolder(nullptr, nullptr, nullptr), "");
}

TEST_F(DriveTableFileTest, SavesAtomicallyWithPrivateModes) {
    ASSERT_TRUE(file.Prepare());
    DriveTable table;
    table.Set(25, DriveEntry{"\\\\10.0.0.2\\data", MountUri({"10.0.0.2", "data"})});
    ASSERT_TRUE(file.Save(table));

    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    ASSERT_EQ(::stat((folder / "drives").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    // Only the table and the lock file: no temporary is left behind.
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        const std::string name = item.path().filename().string();
        EXPECT_TRUE(name == "drives") << name;
    }
    const DriveTableFile::Loaded loaded = file.Load();
    EXPECT_TRUE(loaded.problem.empty());
    EXPECT_TRUE(loaded.writable);
    EXPECT_EQ(loaded.table.Mask(), 1u << 25);
}

TEST_F(DriveTableFileTest, PrepareRefusesAFolderThatIsNotPlainlyOurs) {
    std::filesystem::create_directories(temp.Path() / "elsewhere");
    std::filesystem::create_directory_symlink(temp.Path() / "elsewhere", folder);
    EXPECT_FALSE(file.Prepare());
    EXPECT_FALSE(DriveTableFile({}).Prepare());
}

TEST_F(DriveTableFileTest, ADamagedFileIsSetAsideWholeAndItsValidEntriesKept) {
    ASSERT_TRUE(file.Prepare());
    const std::string damaged =
        "halvo-drives 1\n"
        "Z\t\\\\10.0.0.2\\data\tsmb://10.0.0.2/data\town\n"
        "this line is not an entry\n"
        "Y\t\\\\10.0.0.2\\two\tsmb://10.0.0.2/two\tfound\n";
    WriteFile(folder / "drives", damaged);

    const DriveTableFile::Loaded loaded = file.Load();
    EXPECT_TRUE(loaded.writable);
    EXPECT_EQ(loaded.table.Mask(), (1u << 25) | (1u << 24));
    EXPECT_NE(loaded.problem.find("line 3: not a drive entry"), std::string::npos)
        << loaded.problem;
    EXPECT_NE(loaded.problem.find("drives.damaged-1"), std::string::npos) << loaded.problem;
    EXPECT_NE(loaded.problem.find("2 valid entries kept"), std::string::npos) << loaded.problem;
    EXPECT_EQ(ReadFile(folder / "drives.damaged-1"), damaged);

    // The table file now holds the valid entries only, and reads clean.
    const DriveTableFile::Loaded again = file.Load();
    EXPECT_TRUE(again.problem.empty()) << again.problem;
    EXPECT_EQ(again.table.Mask(), (1u << 25) | (1u << 24));
    EXPECT_FALSE(again.table.At(24)->ownMount);

    // A second damage does not overwrite the first copy.
    WriteFile(folder / "drives", std::string("\x00\x01junk", 6));
    const DriveTableFile::Loaded junk = file.Load();
    EXPECT_NE(junk.problem.find("drives.damaged-2"), std::string::npos) << junk.problem;
    EXPECT_EQ(ReadFile(folder / "drives.damaged-1"), damaged);
    EXPECT_EQ(junk.table.Mask(), 0u);
}

TEST_F(DriveTableFileTest, AnOversizedFileIsDamagedNotTruncatedSilently) {
    ASSERT_TRUE(file.Prepare());
    std::string big = "halvo-drives 1\nZ\t\\\\h\\s\tsmb://h/s\town\n";
    big += std::string((1 << 20) + 10, '#');
    WriteFile(folder / "drives", big);
    const DriveTableFile::Loaded loaded = file.Load();
    EXPECT_NE(loaded.problem.find("larger than"), std::string::npos) << loaded.problem;
    EXPECT_EQ(loaded.table.Mask(), 1u << 25);
    EXPECT_EQ(std::filesystem::file_size(folder / "drives.damaged-1"), big.size());
}

TEST_F(DriveTableFileTest, AnUnreadableTableIsLeftAloneAndNotWritable) {
    ASSERT_TRUE(file.Prepare());
    std::filesystem::create_directory(folder / "drives");  // read() fails on it
    const DriveTableFile::Loaded loaded = file.Load();
    EXPECT_FALSE(loaded.writable);
    EXPECT_NE(loaded.problem.find("cannot be read"), std::string::npos) << loaded.problem;
    EXPECT_TRUE(std::filesystem::is_directory(folder / "drives"));
}

TEST_F(DriveTableFileTest, LinksPointAtTheMountFolderWithoutTouchingIt) {
    ASSERT_TRUE(file.Prepare());
    // The target need not exist (nor be reachable): only the link is written.
    ASSERT_TRUE(file.Link(25, "/nonexistent/gvfs/smb-share:server=h,share=s"));
    EXPECT_EQ(std::filesystem::read_symlink(folder / "Z"),
              "/nonexistent/gvfs/smb-share:server=h,share=s");
    ASSERT_TRUE(file.Link(25, "/nonexistent/other"));
    EXPECT_EQ(std::filesystem::read_symlink(folder / "Z"), "/nonexistent/other");
    file.Unlink(25);
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "Z"));

    // Something of the user's under a letter's name is not ours to remove.
    WriteFile(folder / "Y", "notes");
    file.Unlink(24);
    EXPECT_EQ(ReadFile(folder / "Y"), "notes");
}

}  // namespace
}  // namespace halvo::platform
