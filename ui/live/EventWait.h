// SPDX-License-Identifier: GPL-3.0-or-later
// Waiting inside a handler without freezing the windows: a local event loop that keeps painting,
// timers and window-manager requests going while keyboard and mouse input stays queued for the
// window system to deliver once the handler has returned. Each toolkit's backend gives one
// (QtBackend::eventWait(), Win32Backend::eventWait()); the live layers in this folder use it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace halvo::ui {

class EventWait {
  public:
    virtual ~EventWait() = default;

    // Runs the loop until `handle` (what the socket layer's NotifierHandle gives: a descriptor
    // to watch on POSIX, an event selected on the sockets on Win32; -1 for none) signals or
    // `timeout` has passed. `tick`, when given, runs once after `tickAfter` (the busy cursor's
    // moment). `ready`, when given, asks the sockets themselves; a loop that cannot trust its
    // handle alone to tell of what came before the wait (Win32 under some systems) asks it every
    // round. True when the handle signalled or `ready` said yes.
    bool WaitLive(std::intptr_t handle, std::chrono::milliseconds timeout,
                  std::chrono::milliseconds tickAfter = std::chrono::milliseconds(-1),
                  const std::function<void()>& tick = {}, const std::function<bool()>& ready = {}) {
        const Inside inside(*this);
        return RunLoop(handle, timeout, tickAfter, tick, ready);
    }

    // One pass over what is pending (paints, due timers, posted calls), user input left queued.
    void PumpPending() {
        const Inside inside(*this);
        RunPending();
    }

    // True while a WaitLive or PumpPending runs: anything that runs then runs inside a wait.
    bool InsideWait() const { return depth_ > 0; }

    // The toolkit's wait cursor over every window of the program, and back to the ordinary one.
    virtual void ShowWaitCursor() = 0;
    virtual void HideWaitCursor() = 0;

  protected:
    EventWait() = default;
    EventWait(const EventWait&) = delete;
    EventWait& operator=(const EventWait&) = delete;

    // The toolkit's loop and pass, as WaitLive and PumpPending describe them.
    virtual bool RunLoop(std::intptr_t handle, std::chrono::milliseconds timeout,
                         std::chrono::milliseconds tickAfter, const std::function<void()>& tick,
                         const std::function<bool()>& ready) = 0;
    virtual void RunPending() = 0;

  private:
    class Inside {
      public:
        explicit Inside(EventWait& wait) : wait_(wait) { ++wait_.depth_; }
        ~Inside() { --wait_.depth_; }
        Inside(const Inside&) = delete;
        Inside& operator=(const Inside&) = delete;

      private:
        EventWait& wait_;
    };

    int depth_ = 0;
};

}  // namespace halvo::ui
