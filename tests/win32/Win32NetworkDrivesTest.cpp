// SPDX-License-Identifier: GPL-3.0-or-later
// The network-drive calls as far as wine answers them: the letters in use, a letter's type, and
// a connection refused with "no network" that leaves nothing behind. On Windows the same calls
// connect a real letter; wine has no SMB client behind them.
#include "platform/win32/Win32NetworkDrives.h"

#include <gtest/gtest.h>

#include <string>

namespace halvo::platform {
namespace {

constexpr unsigned DRIVE_FIXED_TYPE = 3;

// The last letter not in use, as a share would be mapped to; empty when all are taken.
std::string FreeLetter(std::uint32_t inUse) {
    for (int i = 25; i >= 3; --i) {
        if ((inUse & (1u << i)) == 0) {
            return std::string(1, static_cast<char>('A' + i)) + ":";
        }
    }
    return {};
}

TEST(Win32NetworkDrives, LettersInUseAndTheirTypesComeFromTheSystem) {
    Win32NetworkDrives drives;
    const std::uint32_t inUse = drives.GetLogicalDrives();
    EXPECT_NE(inUse & (1u << 2), 0u);  // C:, the prefix's drive
    EXPECT_EQ(drives.GetDriveType("C:"), DRIVE_FIXED_TYPE);
    const std::string free = FreeLetter(inUse);
    ASSERT_FALSE(free.empty());
    EXPECT_EQ(drives.GetDriveType(free), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(drives.GetConnection(free), "");
    EXPECT_EQ(drives.GetConnection("C:"), "");  // a local disk has no remote name
}

TEST(Win32NetworkDrives, AFailedConnectionLeavesTheLetterFree) {
    Win32NetworkDrives drives;
    const std::string free = FreeLetter(drives.GetLogicalDrives());
    ASSERT_FALSE(free.empty());
    // Nothing serves SMB on loopback here: wine fails the call with "no network" (1222), a
    // Windows with a network with "network path not found".
    const int rc = drives.AddConnection(free, "\\\\127.0.0.1\\public", "alpha", "alpha-p1");
    EXPECT_NE(rc, NO_ERROR_RESULT);
    EXPECT_EQ(drives.GetDriveType(free), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(drives.GetConnection(free), "");
    EXPECT_NE(drives.CancelConnection(free), NO_ERROR_RESULT);  // nothing to cancel
}

}  // namespace
}  // namespace halvo::platform
