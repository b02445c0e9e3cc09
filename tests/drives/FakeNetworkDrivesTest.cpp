// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/testing/FakeNetworkDrives.h"

#include <gtest/gtest.h>

namespace halvo::platform::testing {
namespace {

using Op = FakeNetworkDrives::Op;

TEST(FakeNetworkDrives, BehavesLikeTheRealLettersWhenNothingIsScripted) {
    FakeNetworkDrives drives;
    drives.SetLocal('C');
    drives.SetRemote('X', "\\\\10.0.0.9\\old", false);
    EXPECT_EQ(drives.GetLogicalDrives(), 1u << 2);
    EXPECT_EQ(drives.GetDriveType("C:"), DRIVE_FIXED);
    EXPECT_EQ(drives.GetDriveType("X:"), DRIVE_REMOTE);
    EXPECT_EQ(drives.GetConnection("X:"), "\\\\10.0.0.9\\old");

    EXPECT_EQ(drives.AddConnection("Y:", "\\\\10.0.0.2\\data", "bob", "pw"), 0);
    EXPECT_EQ(drives.GetDriveType("Y:"), DRIVE_REMOTE);
    EXPECT_EQ(drives.RemoteOf('Y'), "\\\\10.0.0.2\\data");
    EXPECT_EQ(drives.GetLogicalDrives(), (1u << 2) | (1u << 24));
    EXPECT_NE(drives.AddConnection("Y:", "\\\\10.0.0.2\\other", "", ""), 0);  // taken
    EXPECT_NE(drives.AddConnection("C:", "\\\\10.0.0.2\\other", "", ""), 0);  // local drive

    EXPECT_EQ(drives.CancelConnection("Y:"), 0);
    EXPECT_FALSE(drives.RemoteOf('Y'));
    EXPECT_NE(drives.CancelConnection("Y:"), 0);  // not connected any more
}

TEST(FakeNetworkDrives, ScriptedResultsComeInOrderAndOnlyZeroChangesLetters) {
    FakeNetworkDrives drives;
    drives.ScriptAdd(1326);
    drives.ScriptAdd(0);
    EXPECT_EQ(drives.AddConnection("Z:", "\\\\h\\s", "", ""), 1326);
    EXPECT_FALSE(drives.RemoteOf('Z'));
    EXPECT_EQ(drives.AddConnection("Z:", "\\\\h\\s", "", ""), 0);
    EXPECT_EQ(drives.RemoteOf('Z'), "\\\\h\\s");

    drives.SetRemote('W', "\\\\h\\w");
    drives.FailCancelOf("W:", 2401);
    drives.ScriptCancel(5);
    EXPECT_EQ(drives.CancelConnection("W:"), 2401);  // the per-letter failure wins
    EXPECT_EQ(drives.CancelConnection("Z:"), 5);
    EXPECT_EQ(drives.RemoteOf('Z'), "\\\\h\\s");
    EXPECT_EQ(drives.CancelConnection("Z:"), 0);
    EXPECT_EQ(drives.RemoteOf('W'), "\\\\h\\w");
}

TEST(FakeNetworkDrives, RecordsCallsButPasswordsOnlyWhenAsked) {
    FakeNetworkDrives drives;
    drives.AddConnection("Z:", "\\\\h\\s", "bob", "hunter2");
    drives.RecordPasswords(true);
    drives.AddConnection("Y:", "\\\\h\\s", "", "");
    drives.AddConnection("X:", "\\\\h\\s", "amy", "12345678");
    drives.GetDriveType("Z:");

    const auto adds = drives.CallsOf(Op::AddConnection);
    ASSERT_EQ(adds.size(), 3u);
    EXPECT_EQ(adds[0].userName, "bob");
    EXPECT_EQ(adds[0].password, "");
    EXPECT_EQ(adds[0].passwordLength, 7u);
    EXPECT_EQ(adds[1].password, "");
    EXPECT_EQ(adds[1].passwordLength, 0u);
    EXPECT_EQ(adds[2].password, "12345678");
    EXPECT_EQ(adds[2].remoteName, "\\\\h\\s");
    ASSERT_EQ(drives.Calls().size(), 4u);
    EXPECT_EQ(drives.Calls().back().op, Op::GetDriveType);
    EXPECT_EQ(drives.Calls().back().localName, "Z:");
    drives.ClearCalls();
    EXPECT_TRUE(drives.Calls().empty());
}

}  // namespace
}  // namespace halvo::platform::testing
