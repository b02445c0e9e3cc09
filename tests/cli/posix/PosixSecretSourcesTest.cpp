// SPDX-License-Identifier: GPL-3.0-or-later
// Passwords read from a descriptor, here a POSIX pipe.
#include "cli/posix/PosixSecretSources.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace halvo::cli {
namespace {

class PipeTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(::pipe(fds), 0); }
    void TearDown() override {
        ::close(fds[0]);
        if (fds[1] >= 0) {
            ::close(fds[1]);
        }
    }
    void Write(const std::string& text) {
        ASSERT_EQ(::write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void CloseWriter() {
        ::close(fds[1]);
        fds[1] = -1;
    }
    int fds[2] = {-1, -1};
};

TEST_F(PipeTest, APasswordIsOneLineAndWhatFollowsStaysUnread) {
    Write("s3cret\r\nledger-1\n");
    CloseWriter();
    FdSecretSource source(fds[0]);
    std::string problem;
    auto first = source.Read("", problem);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->view(), "s3cret");
    auto second = source.Read("", problem);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->view(), "ledger-1");
    EXPECT_FALSE(source.Read("", problem));
    EXPECT_EQ(problem, "no password given (end of input)");
}

TEST_F(PipeTest, AnOverlongLineIsRefusedAndALastLineWithoutBreakIsTaken) {
    Write(std::string(Secret::CAPACITY + 1, 'x') + "\nlast");
    CloseWriter();
    Secret secret;
    std::string problem;
    EXPECT_FALSE(ReadSecretLine(fds[0], secret, problem));
    EXPECT_EQ(secret.size(), 0u);
    EXPECT_EQ(problem, "the password line is too long");
}

}  // namespace
}  // namespace halvo::cli
