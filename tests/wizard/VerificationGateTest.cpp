// SPDX-License-Identifier: GPL-3.0-or-later
#include "wizard/VerificationGate.h"

#include <gtest/gtest.h>

#include "WizardTestSupport.h"

namespace halvo::wizard {
namespace {

class ScriptedPrompt final : public VerifyPrompt {
  public:
    explicit ScriptedPrompt(int result) : result_(result) {}
    int Run(const protocol::DeviceRecord& record) override {
        ++runs;
        seen = &record;
        return result_;
    }
    int runs = 0;
    const protocol::DeviceRecord* seen = nullptr;

  private:
    int result_;
};

TEST(VerificationGate, SkippedWhenTheDeviceDoesNotAsk) {
    auto record = testing::MakeRecord();
    record.passwordRequired = 0;
    ScriptedPrompt prompt(2);
    EXPECT_EQ(RunVerificationGate(record, prompt), GateOutcome::Skipped);
    EXPECT_EQ(prompt.runs, 0);
    EXPECT_TRUE(MayGoOn(GateOutcome::Skipped));
}

TEST(VerificationGate, AnyNonZeroFlagRunsTheDialogForThatRecord) {
    auto record = testing::MakeRecord();
    for (const std::uint8_t flag : {1, 2, 255}) {
        record.passwordRequired = flag;
        ScriptedPrompt prompt(1);
        EXPECT_EQ(RunVerificationGate(record, prompt), GateOutcome::Passed);
        EXPECT_EQ(prompt.runs, 1);
        EXPECT_EQ(prompt.seen, &record);
    }
}

TEST(VerificationGate, OnlyCancelStopsTheCaller) {
    const auto record = testing::MakeRecord();
    ScriptedPrompt cancelled(2);
    EXPECT_EQ(RunVerificationGate(record, cancelled), GateOutcome::Cancelled);
    EXPECT_FALSE(MayGoOn(GateOutcome::Cancelled));
    for (const int result : {0, 1, 3, -1}) {
        ScriptedPrompt prompt(result);
        EXPECT_EQ(RunVerificationGate(record, prompt), GateOutcome::Passed) << result;
    }
}

}  // namespace
}  // namespace halvo::wizard
