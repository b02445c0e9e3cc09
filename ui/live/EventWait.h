// SPDX-License-Identifier: GPL-3.0-or-later
// Waiting inside a handler without freezing the windows: a local event loop that keeps painting,
// timers and window-manager requests going while keyboard and mouse input stays queued for the
// window system to deliver once the handler has returned. Each toolkit implements these
// (ui/qt/QtEventWait.cpp, ui/win32/Win32EventWait.cpp); the live layers in this folder are shared.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace halvo::ui {

// Runs the loop until `handle` (what the socket layer's NotifierHandle gives: a descriptor to
// watch on POSIX, an event selected on the sockets on Win32; -1 for none) signals or `timeout`
// has passed. `tick`, when given, runs once after `tickAfter` (the busy cursor's moment).
// `ready`, when given, asks the sockets themselves; a loop that cannot trust its handle alone to
// tell of what came before the wait (Win32 under some systems) asks it every round. True when
// the handle signalled or `ready` said yes.
bool WaitLive(std::intptr_t handle, std::chrono::milliseconds timeout,
              std::chrono::milliseconds tickAfter = std::chrono::milliseconds(-1),
              const std::function<void()>& tick = {}, const std::function<bool()>& ready = {});

// One pass over what is pending (paints, due timers, posted calls), user input left queued.
void PumpPending();

// True while a WaitLive or PumpPending runs: anything that runs then runs inside a wait.
bool InsideWait();

// The toolkit's wait cursor over every window of the program, and back to the ordinary one.
void ShowWaitCursor();
void HideWaitCursor();

}  // namespace halvo::ui
