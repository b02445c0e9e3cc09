// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/live/LiveClock.h"

namespace halvo::ui {

void LiveClock::Sleep(std::chrono::milliseconds duration) {
    // A timer may end the loop a little early; the rest is slept the plain way.
    const auto end = inner_.Now() + duration;
    wait_.WaitLive(-1, duration);
    const auto now = inner_.Now();
    if (now < end) {
        inner_.Sleep(std::chrono::ceil<std::chrono::milliseconds>(end - now));
    }
}

}  // namespace halvo::ui
