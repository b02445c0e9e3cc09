// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemClock.h"

#include <thread>

namespace halvo::platform {

Clock::TimePoint SystemClock::Now() {
    return std::chrono::steady_clock::now();
}

void SystemClock::Sleep(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

}  // namespace halvo::platform
