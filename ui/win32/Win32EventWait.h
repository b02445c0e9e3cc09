// SPDX-License-Identifier: GPL-3.0-or-later
// The live wait on Win32: the thread sleeps in MsgWaitForMultipleObjectsEx on the sockets' event
// and on the messages that are not input, and runs only those; the system's wait cursor, which
// the windows keep while it shows.
#pragma once

#include "ui/live/EventWait.h"

namespace halvo::ui::win32 {

class Win32EventWait final : public EventWait {
  public:
    void ShowWaitCursor() override;
    void HideWaitCursor() override;
    // While it shows, the windows answer WM_SETCURSOR with it.
    bool WaitCursorShown() const { return waitCursor_; }

  private:
    bool RunLoop(std::intptr_t handle, std::chrono::milliseconds timeout,
                 std::chrono::milliseconds tickAfter, const std::function<void()>& tick,
                 const std::function<bool()>& ready) override;
    void RunPending() override;

    bool waitCursor_ = false;
};

}  // namespace halvo::ui::win32
