// SPDX-License-Identifier: GPL-3.0-or-later
// The busy cursor over the program's windows while an exchange has gone unanswered for a moment.
#pragma once

#include <chrono>

#include "platform/Clock.h"
#include "ui/live/EventWait.h"

namespace halvo::ui {

inline constexpr std::chrono::milliseconds BUSY_AFTER{100};

class BusyCursor {
  public:
    // `wait` is the toolkit's, whose cursor this turns.
    BusyCursor(platform::Clock& clock, EventWait& wait) : clock_(clock), wait_(wait) {}
    ~BusyCursor() { Hide(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    // An exchange starts: the cursor turns busy once it has waited BUSY_AFTER.
    void Start();
    // The exchange is over, however it ended: the cursor is restored.
    void Stop();
    // Called while the exchange waits: shows the cursor when its moment has come.
    void Waiting();
    // How long the exchange may still wait before the cursor turns busy; negative when it is
    // already busy or no exchange runs.
    std::chrono::milliseconds Remaining();
    // The moment Remaining() named has come (a timer may fire a little early): busy now.
    void Due() {
        if (running_ && !shown_) {
            Show();
        }
    }
    // A message box is about to be shown: the user answers it with the ordinary cursor. Waiting
    // afterwards turns it busy again.
    void Lift() { Hide(); }

    bool Shown() const { return shown_; }
    EventWait& eventWait() { return wait_; }

  private:
    void Show();
    void Hide();

    platform::Clock& clock_;
    EventWait& wait_;
    bool running_ = false;
    bool shown_ = false;
    platform::Clock::TimePoint start_{};
};

}  // namespace halvo::ui
