// SPDX-License-Identifier: GPL-3.0-or-later
// The seams as the windows use them, made in one place for every program with windows: the
// socket layer and the clock wait in a local event loop, the busy cursor comes up when an
// exchange is slow, and a message box lifts it.
#pragma once

#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/SocketLayer.h"
#include "ui/live/BusyCursor.h"
#include "ui/live/EventWait.h"
#include "ui/live/LiveClock.h"
#include "ui/live/LiveMessageBoxes.h"
#include "ui/live/LiveSocketLayer.h"

namespace halvo::ui {

class LiveSeams {
  public:
    // `clock` must be a real one: the waits take real time. `wait` is the toolkit backend's.
    LiveSeams(platform::SocketLayer& sockets, platform::Clock& clock,
              platform::MessageBoxes& messages, EventWait& wait)
        : busy_(clock, wait),
          sockets_(sockets, busy_),
          clock_(clock, wait),
          messages_(messages, busy_) {}
    LiveSeams(const LiveSeams&) = delete;
    LiveSeams& operator=(const LiveSeams&) = delete;

    platform::SocketLayer& sockets() { return sockets_; }
    platform::Clock& clock() { return clock_; }
    platform::MessageBoxes& messages() { return messages_; }

  private:
    BusyCursor busy_;
    LiveSocketLayer sockets_;
    LiveClock clock_;
    LiveMessageBoxes messages_;
};

}  // namespace halvo::ui
