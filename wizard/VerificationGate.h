// SPDX-License-Identifier: GPL-3.0-or-later
// The administrator check in front of the wizard and the share mapping: skipped when the device
// does not ask for it, otherwise the verification dialog runs and a cancel stops the caller.
#pragma once

#include "protocol/Protocol.h"

namespace halvo::wizard {

// Runs the verification dialog for one device, modally.
class VerifyPrompt {
  public:
    virtual ~VerifyPrompt() = default;
    // 1 when the device accepted the name and password, 2 when the user cancelled.
    virtual int Run(const protocol::DeviceRecord& record) = 0;
};

enum class GateOutcome {
    Skipped,    // passwordRequired is 0: no dialog was shown
    Passed,     // the dialog ended with anything but 2
    Cancelled,  // the dialog ended with 2: the caller does nothing more
};

GateOutcome RunVerificationGate(const protocol::DeviceRecord& record, VerifyPrompt& prompt);

inline bool MayGoOn(GateOutcome outcome) {
    return outcome != GateOutcome::Cancelled;
}

}  // namespace halvo::wizard
