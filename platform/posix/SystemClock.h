// SPDX-License-Identifier: GPL-3.0-or-later
// The system's monotonic clock and its sleep.
#pragma once

#include "platform/Clock.h"

namespace halvo::platform {

class SystemClock final : public Clock {
  public:
    TimePoint Now() override;
    void Sleep(std::chrono::milliseconds duration) override;
};

}  // namespace halvo::platform
