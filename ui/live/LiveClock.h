// SPDX-License-Identifier: GPL-3.0-or-later
// The system clock as the windows use it: a sleep runs a local event loop (EventWait) for its
// length, so the windows keep painting and input waits its turn.
#pragma once

#include "platform/Clock.h"

namespace halvo::ui {

class LiveClock final : public platform::Clock {
  public:
    // `inner` tells the time; it must be a real clock, since the sleep takes real time.
    explicit LiveClock(platform::Clock& inner) : inner_(inner) {}

    TimePoint Now() override { return inner_.Now(); }
    void Sleep(std::chrono::milliseconds duration) override;

  private:
    platform::Clock& inner_;
};

}  // namespace halvo::ui
