// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/drives/ShareNames.h"

#include <gtest/gtest.h>

#include <string>

namespace halvo::platform {
namespace {

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

}  // namespace
}  // namespace halvo::platform
