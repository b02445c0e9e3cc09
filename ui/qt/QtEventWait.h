// SPDX-License-Identifier: GPL-3.0-or-later
// The live wait on Qt: a local QEventLoop that leaves user input queued, woken by a socket
// notifier on the descriptor; the override cursor for the busy one.
#pragma once

#include "ui/live/EventWait.h"

namespace halvo::ui::qt {

class QtEventWait final : public EventWait {
  public:
    void ShowWaitCursor() override;
    void HideWaitCursor() override;

  private:
    bool RunLoop(std::intptr_t handle, std::chrono::milliseconds timeout,
                 std::chrono::milliseconds tickAfter, const std::function<void()>& tick,
                 const std::function<bool()>& ready) override;
    void RunPending() override;
};

}  // namespace halvo::ui::qt
