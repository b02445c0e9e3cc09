// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/drives/DriveTable.h"

#include <gtest/gtest.h>

#include <string>

namespace halvo::platform {
namespace {

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

}  // namespace
}  // namespace halvo::platform
