#include "platform/drives/DriveTable.h"

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

TEST(RemoteName, SplitsServerAndShare) {
    const auto location = ParseRemoteName("\\\\192.168.0.7\\disk1");
    ASSERT_TRUE(location);
    EXPECT_EQ(location->server, "192.168.0.7");
    EXPECT_EQ(location->share, "disk1");

    const auto named = ParseRemoteName("\\\\nas-1.local\\my files #2");
    ASSERT_TRUE(named);
    EXPECT_EQ(named->server, "nas-1.local");
    EXPECT_EQ(named->share, "my files #2");
}

TEST(RemoteName, RefusesNamesThatAddressSomethingElse) {
    for (const char* bad : {
             "",
             "\\\\server",               // no share
             "\\\\server\\",             // empty share
             "\\server\\share",          // one backslash
             "//server/share",           // other separators
             "\\\\server\\share\\sub",   // a folder inside a share
             "\\\\server\\share\\",      // trailing separator
             "\\\\server\\a/b",          // '/' would be a folder in the URI
             "\\\\server\\.",            // resolved away in the URI
             "\\\\server\\..",           // likewise
             "\\\\ser ver\\share",       // not a host name
             "\\\\user@server\\share",   // credentials smuggled into the URI
             "\\\\server:445\\share",    // a port is not a server name
             "\\\\server\\line\nbreak",  // control character
             "\\\\\\share",              // empty server
         }) {
        EXPECT_FALSE(ParseRemoteName(bad)) << bad;
    }
}

TEST(MountUri, EscapesEverythingButUnreservedCharacters) {
    EXPECT_EQ(MountUri({"10.0.0.2", "disk1"}), "smb://10.0.0.2/disk1");
    EXPECT_EQ(MountUri({"10.0.0.2", "my files"}), "smb://10.0.0.2/my%20files");
    EXPECT_EQ(MountUri({"h", "100%"}), "smb://h/100%25");
    EXPECT_EQ(MountUri({"h", "a#b?c;d@e"}), "smb://h/a%23b%3Fc%3Bd%40e");
    EXPECT_EQ(MountUri({"h", "caf\xc3\xa9"}), "smb://h/caf%C3%A9");
}

TEST(MountUri, ParsesWhatGvfsReportsBack) {
    for (const char* share : {"disk1", "my files", "100%", "a#b?c;d@e", "caf\xc3\xa9", "..."}) {
        const auto parsed = ParseMountUri(MountUri({"10.0.0.2", share}) + "/");
        ASSERT_TRUE(parsed) << share;
        EXPECT_EQ(parsed->share, share);
        EXPECT_EQ(parsed->server, "10.0.0.2");
    }
    const auto withUser = ParseMountUri("smb://WORKGROUP;bob@10.0.0.2:445/data/");
    ASSERT_TRUE(withUser);
    EXPECT_EQ(withUser->server, "10.0.0.2");
    EXPECT_EQ(withUser->share, "data");
    EXPECT_TRUE(MountUriHasUser("smb://WORKGROUP;bob@10.0.0.2:445/data/"));
    EXPECT_FALSE(MountUriHasUser("smb://10.0.0.2/a%40b/"));

    EXPECT_FALSE(ParseMountUri("sftp://10.0.0.2/data/"));
    EXPECT_FALSE(ParseMountUri("smb://10.0.0.2/data/sub/"));
    EXPECT_FALSE(ParseMountUri("smb://10.0.0.2/bad%2"));
    EXPECT_FALSE(ParseMountUri("smb://10.0.0.2/a%2Fb"));  // an escaped '/' is still refused
    EXPECT_FALSE(ParseMountUri("smb://10.0.0.2"));
}

TEST(MountUri, SameShareIgnoresCase) {
    EXPECT_TRUE(SameShare({"NAS", "Data"}, {"nas", "data"}));
    EXPECT_FALSE(SameShare({"nas", "data"}, {"nas", "data2"}));
}

TEST(DriveIndex, AcceptsOnlyALetterAndAColon) {
    EXPECT_EQ(DriveIndex("A:"), 0);
    EXPECT_EQ(DriveIndex("z:"), 25);
    EXPECT_FALSE(DriveIndex("Z"));
    EXPECT_FALSE(DriveIndex("Z:\\"));
    EXPECT_FALSE(DriveIndex("1:"));
    EXPECT_FALSE(DriveIndex(""));
}

TEST(UserName, SplitsDomainAtTheFirstBackslash) {
    const UserName plain = SplitUserName("bob");
    EXPECT_EQ(plain.domain, "");
    EXPECT_EQ(plain.user, "bob");
    const UserName domain = SplitUserName("WORKGROUP\\bob");
    EXPECT_EQ(domain.domain, "WORKGROUP");
    EXPECT_EQ(domain.user, "bob");
}

DriveEntry EntryFor(const std::string& server, const std::string& share, bool own = true) {
    return DriveEntry{"\\\\" + server + "\\" + share, MountUri({server, share}), own};
}

TEST(DriveTable, RoundTripsEveryEntryWhole) {
    DriveTable table;
    // A share path well beyond 63 characters is kept whole.
    const std::string longShare(90, 'x');
    table.Set(25, EntryFor("192.168.100.100", longShare));
    table.Set(0, EntryFor("10.0.0.2", "my files", false));
    table.Set(12, EntryFor("10.0.0.2", "100%"));

    const DriveTable::Parsed parsed = DriveTable::Parse(table.Serialize());
    EXPECT_TRUE(parsed.problems.empty());
    EXPECT_EQ(parsed.table.Mask(), (1u << 25) | (1u << 12) | 1u);
    ASSERT_TRUE(parsed.table.At(25));
    EXPECT_EQ(parsed.table.At(25)->remoteName, "\\\\192.168.100.100\\" + longShare);
    EXPECT_GT(parsed.table.At(25)->remoteName.size(), 63u);
    ASSERT_TRUE(parsed.table.At(0));
    EXPECT_FALSE(parsed.table.At(0)->ownMount);
    EXPECT_EQ(parsed.table.At(0)->mountUri, "smb://10.0.0.2/my%20files");
    EXPECT_TRUE(parsed.table.At(12)->ownMount);
}

TEST(DriveTable, TellsWhetherAShareIsUsedByAnotherLetter) {
    DriveTable table;
    table.Set(25, EntryFor("10.0.0.2", "data", false));
    table.Set(24, EntryFor("10.0.0.2", "data", true));
    table.Set(23, EntryFor("10.0.0.2", "other"));
    const std::string uri = MountUri({"10.0.0.2", "DATA"});
    EXPECT_TRUE(table.ShareUsedElsewhere(uri, 25));
    EXPECT_TRUE(table.ShareMountedByLetter(uri, 25));
    EXPECT_FALSE(table.ShareMountedByLetter(uri, 24));  // Z: found the mount, it did not make it
    table.Erase(24);
    EXPECT_FALSE(table.ShareUsedElsewhere(uri, 25));
    EXPECT_TRUE(table.ShareUsedElsewhere(uri, 0));
}

TEST(DriveTable, ParseKeepsEveryValidLineAndNamesTheRest) {
    const std::string text =
        "halvo-drives 1\n"
        "Z\t\\\\10.0.0.2\\data\tsmb://10.0.0.2/data\town\n"
        "garbage \x01\x02\xff\n"
        "Y\t\\\\10.0.0.2\\data\tsmb://10.0.0.3/data\town\n"      // URI of another server
        "X\t\\\\10.0.0.2\\data\tsmb://bob@10.0.0.2/data\town\n"  // a user in the URI
        "W\t\\\\10.0.0.2\\data\tsmb://10.0.0.2/data\tmaybe\n"    // unknown owner
        "Z\t\\\\10.0.0.2\\other\tsmb://10.0.0.2/other\town\n"    // Z: again
        "\n"
        "V\t\\\\10.0.0.2\\my files\tsmb://10.0.0.2/my%20files\tfound\n"
        "U\t\\\\10.0.0.2\\cut\tsmb://10.0.0.2/cut\tow";  // last line cut short
    const DriveTable::Parsed parsed = DriveTable::Parse(text);
    EXPECT_EQ(parsed.table.Mask(), (1u << 25) | (1u << 21));
    EXPECT_EQ(parsed.table.At(25)->remoteName, "\\\\10.0.0.2\\data");
    EXPECT_EQ(parsed.table.At(21)->remoteName, "\\\\10.0.0.2\\my files");
    ASSERT_EQ(parsed.problems.size(), 7u);
    EXPECT_EQ(parsed.problems[0], "line 3: not a drive entry");
    EXPECT_EQ(parsed.problems[4].rfind("line 7: repeats drive Z:", 0), 0u) << parsed.problems[4];
    EXPECT_EQ(parsed.problems[6], "line 10: cut short (no line end)");
}

TEST(DriveTable, ParseWithoutTheHeaderStillKeepsValidLines) {
    const DriveTable::Parsed parsed =
        DriveTable::Parse("halvo-drives 9\nZ\t\\\\h\\s\tsmb://h/s\town\n");
    EXPECT_EQ(parsed.table.Mask(), 1u << 25);
    ASSERT_EQ(parsed.problems.size(), 1u);
    EXPECT_EQ(parsed.problems[0].rfind("line 1: not the header", 0), 0u);

    EXPECT_TRUE(DriveTable::Parse("").problems.empty());
    EXPECT_EQ(DriveTable::Parse("").table.Mask(), 0u);
}

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
    table.Set(25, EntryFor("10.0.0.2", "data"));
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
