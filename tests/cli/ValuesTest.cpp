// SPDX-License-Identifier: GPL-3.0-or-later
// The checks every value passes before anything is sent, and the password buffer.
#include <gtest/gtest.h>

#include <string>

#include "cli/Secrets.h"
#include "cli/Values.h"

namespace halvo::cli {
namespace {

TEST(ValuesTest, MacAddressesTakeEitherSeparatorButNotAMixture) {
    const protocol::MacAddress mac{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
    EXPECT_EQ(ParseMac("00:1a:2b:3c:4d:5e"), mac);
    EXPECT_EQ(ParseMac("00-1A-2B-3C-4D-5E"), mac);
    EXPECT_FALSE(ParseMac("00:1a-2b:3c:4d:5e"));
    EXPECT_FALSE(ParseMac("00:1a:2b:3c:4d:5g"));
    EXPECT_FALSE(ParseMac("00:1a:2b:3c:4d"));
    EXPECT_FALSE(ParseMac("NAS-Alpha"));
}

TEST(ValuesTest, DottedQuadsHaveFourNumbersUpTo255) {
    EXPECT_TRUE(IsDottedQuad("10.77.0.11"));
    EXPECT_TRUE(IsDottedQuad("255.255.255.255"));
    EXPECT_TRUE(IsDottedQuad("0.0.0.0"));
    for (const char* bad : {"256.1.1.1", "1.2.3", "1.2.3.4.5", "1..2.3", "1.2.3.", "+1.2.3.4",
                            "1.2.3.-4", "a.b.c.d", "1.2.3.4 ", "0001.2.3.4", ""}) {
        EXPECT_FALSE(IsDottedQuad(bad)) << bad;
    }
}

TEST(ValuesTest, AddressesAskedByUnicastAreThoseOfOneBoxAndEachIsAskedOnce) {
    std::string problem;
    const auto addresses =
        ParseUnicastAddresses({"10.79.0.11", "192.168.1.20", "10.79.0.11"}, problem);
    ASSERT_TRUE(addresses);
    EXPECT_EQ(*addresses, (std::vector<std::uint32_t>{0x0A4F000B, 0xC0A80114}));
    EXPECT_EQ(ParseUnicastAddresses({}, problem), std::vector<std::uint32_t>{});
    // The limited broadcast would reach every box of a segment; the others reach none.
    for (const char* bad : {"255.255.255.255", "0.0.0.0", "127.0.0.1", "224.0.0.1", "240.0.0.1",
                            "10.79.0", "10.79.0.256", "nas.local", " 10.79.0.11", ""}) {
        problem.clear();
        EXPECT_FALSE(ParseUnicastAddresses({"10.79.0.11", bad}, problem)) << bad;
        EXPECT_NE(problem.find("--address '" + std::string(bad) + "'"), std::string::npos)
            << problem;
    }
}

TEST(ValuesTest, DatesAreCalendarDatesInThePickersRange) {
    ASSERT_TRUE(ParseDate("2000-02-29"));
    EXPECT_EQ(ParseDate("2024-12-31")->day, 31);
    for (const char* bad : {"1900-02-29", "2023-02-29", "2024-04-31", "1969-12-31", "2024-13-01",
                            "2024-00-10", "2024-1-01", "20240101", "2024-01-01x"}) {
        EXPECT_FALSE(ParseDate(bad)) << bad;
    }
    EXPECT_TRUE(ParseTime("23:59:59"));
    for (const char* bad : {"24:00:00", "12:60:00", "12:00:60", "1:00:00", "12-00-00"}) {
        EXPECT_FALSE(ParseTime(bad)) << bad;
    }
}

TEST(ValuesTest, DriveLettersAreOneLetterWithOrWithoutItsColon) {
    EXPECT_EQ(ParseDriveLetter("z"), "Z:");
    EXPECT_EQ(ParseDriveLetter("Q:"), "Q:");
    EXPECT_FALSE(ParseDriveLetter("ZZ"));
    EXPECT_FALSE(ParseDriveLetter("1:"));
    EXPECT_FALSE(ParseDriveLetter(":"));
    EXPECT_FALSE(ParseDriveLetter("\xc4"));
}

TEST(SecretTest, WipingLeavesNoByteAndMovingLeavesTheSourceEmpty) {
    Secret secret;
    ASSERT_TRUE(secret.Assign("s3cret"));
    const char* bytes = secret.view().data();
    Secret moved = std::move(secret);
    EXPECT_EQ(moved.view(), "s3cret");
    EXPECT_EQ(secret.size(), 0u);
    EXPECT_EQ(std::string(bytes, 6), std::string(6, '\0'));
    moved.Wipe();
    EXPECT_EQ(moved.size(), 0u);
    EXPECT_FALSE(secret.Assign(std::string(Secret::CAPACITY + 1, 'x')));
}

}  // namespace
}  // namespace halvo::cli
