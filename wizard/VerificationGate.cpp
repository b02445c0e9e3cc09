// SPDX-License-Identifier: GPL-3.0-or-later
#include "wizard/VerificationGate.h"

namespace halvo::wizard {

namespace {
constexpr int CANCELLED = 2;
}

GateOutcome RunVerificationGate(const protocol::DeviceRecord& record, VerifyPrompt& prompt) {
    if (record.passwordRequired == 0) {
        return GateOutcome::Skipped;
    }
    return prompt.Run(record) == CANCELLED ? GateOutcome::Cancelled : GateOutcome::Passed;
}

}  // namespace halvo::wizard
