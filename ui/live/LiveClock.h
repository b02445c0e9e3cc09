// SPDX-License-Identifier: GPL-3.0-or-later
// The system clock as the windows use it: a sleep runs a local event loop (EventWait) for its
// length, so the windows keep painting and input waits its turn.
#pragma once

#include "platform/Clock.h"
#include "ui/live/EventWait.h"

namespace halvo::ui {

class LiveClock final : public platform::Clock {
  public:
    // `inner` tells the time; it must be a real clock, since the sleep takes real time.
    LiveClock(platform::Clock& inner, EventWait& wait) : inner_(inner), wait_(wait) {}

    TimePoint Now() override { return inner_.Now(); }
    void Sleep(std::chrono::milliseconds duration) override;

  private:
    platform::Clock& inner_;
    EventWait& wait_;
};

}  // namespace halvo::ui
