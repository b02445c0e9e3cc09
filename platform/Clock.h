// SPDX-License-Identifier: GPL-3.0-or-later
// Time as the exchanges see it: a monotonic now and a millisecond sleep. Tests pass a virtual
// clock so that waits of seconds take no real time.
#pragma once

#include <chrono>

namespace halvo::platform {

class Clock {
  public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint Now() = 0;
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

}  // namespace halvo::platform
