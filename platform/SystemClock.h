// SPDX-License-Identifier: GPL-3.0-or-later
// The system's monotonic clock and its sleep: one class, built from each system's folder
// (platform/posix: CLOCK_MONOTONIC; platform/win32: the performance counter).
#pragma once

#include "platform/Clock.h"

namespace halvo::platform {

class SystemClock final : public Clock {
  public:
    TimePoint Now() override;
    void Sleep(std::chrono::milliseconds duration) override;
};

}  // namespace halvo::platform
