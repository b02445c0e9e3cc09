// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemClock.h"

#include <windows.h>

namespace halvo::platform {

namespace {

long long CounterFrequency() {
    LARGE_INTEGER f{};
    ::QueryPerformanceFrequency(&f);  // never fails from Windows XP on
    return f.QuadPart;
}

}  // namespace

Clock::TimePoint SystemClock::Now() {
    static const long long frequency = CounterFrequency();
    LARGE_INTEGER c{};
    ::QueryPerformanceCounter(&c);
    // Whole seconds and the rest apart, so that the product cannot overflow.
    const long long seconds = c.QuadPart / frequency;
    const long long rest = c.QuadPart % frequency;
    const auto ns = std::chrono::seconds(seconds) +
                    std::chrono::nanoseconds(rest * 1'000'000'000LL / frequency);
    return TimePoint(std::chrono::duration_cast<Duration>(ns));
}

void SystemClock::Sleep(std::chrono::milliseconds duration) {
    if (duration.count() <= 0) {
        return;
    }
    // INFINITE is 0xFFFFFFFF: stop one short of it.
    const auto ms =
        duration.count() >= 0xFFFFFFFELL ? 0xFFFFFFFEUL : static_cast<DWORD>(duration.count());
    ::Sleep(ms);
}

}  // namespace halvo::platform
