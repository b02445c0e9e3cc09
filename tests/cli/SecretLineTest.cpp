// SPDX-License-Identifier: GPL-3.0-or-later
// The password line both systems' sources read, from bytes handed over one at a time.
#include "cli/SecretLine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace halvo::cli {
namespace {

// Reads `input` a byte at a time, as a pipe would; how many bytes it handed out is kept.
struct StringBytes {
    std::string input;
    std::size_t next = 0;
    int operator()(char& c, std::string&) {
        if (next == input.size()) {
            return 0;
        }
        c = input[next++];
        return 1;
    }
};

TEST(SecretLine, ALineIsReadUpToItsBreakWithoutItsCarriageReturn) {
    const struct {
        std::string input;
        bool read;
        std::string secret;    // when read
        std::string problem;   // when not
        std::size_t consumed;  // bytes taken from the input
    } cases[] = {
        {"s3cret\r\nnext\n", true, "s3cret", "", 8},
        {"last\r", true, "last", "", 5},
        {"\n", true, "", "", 1},
        {"", false, "", "no password given (end of input)", 0},
        {std::string(Secret::CAPACITY, 'x') + "\n", true, std::string(Secret::CAPACITY, 'x'), "",
         Secret::CAPACITY + 1},
        {std::string(Secret::CAPACITY + 1, 'x') + "\nlast", false, "",
         "the password line is too long", Secret::CAPACITY + 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        StringBytes bytes{c.input};
        Secret secret;
        secret.Assign("left over");
        std::string problem;
        EXPECT_EQ(ReadSecretLine(std::ref(bytes), secret, problem), c.read);
        EXPECT_EQ(secret.view(), c.secret);
        EXPECT_EQ(problem, c.problem);
        EXPECT_EQ(bytes.next, c.consumed);
    }
}

TEST(SecretLine, AReadErrorIsNamedAndNothingIsKept) {
    int calls = 0;
    const auto failing = [&calls](char& c, std::string& why) {
        if (calls++ < 3) {
            c = 'p';
            return 1;
        }
        why = "input/output error";
        return -1;
    };
    Secret secret;
    std::string problem;
    EXPECT_FALSE(ReadSecretLine(failing, secret, problem));
    EXPECT_EQ(secret.size(), 0u);
    EXPECT_EQ(problem, "cannot read the password: input/output error");
}

TEST(SecretLine, AConsoleLineMustEndAndAnOverlongOneStillEndsAtItsBreak) {
    SecretLine typed;
    for (const char c : std::string("pass")) {
        typed.Take(c);
    }
    std::string problem;
    EXPECT_FALSE(typed.Finish(problem, true));
    EXPECT_EQ(problem, "no password given (end of input)");

    SecretLine overlong;
    for (std::size_t i = 0; i <= Secret::CAPACITY; ++i) {
        overlong.Take('x');
    }
    EXPECT_TRUE(overlong.Overlong());
    EXPECT_FALSE(overlong.Ended());
    overlong.Take('\n');
    EXPECT_TRUE(overlong.Ended());
    EXPECT_FALSE(overlong.Finish(problem, true));
    EXPECT_EQ(problem, "the password line is too long");
}

}  // namespace
}  // namespace halvo::cli
