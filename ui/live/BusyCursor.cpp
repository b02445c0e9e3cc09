// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/live/BusyCursor.h"

namespace halvo::ui {

void BusyCursor::Start() {
    running_ = true;
    start_ = clock_.Now();
}

void BusyCursor::Stop() {
    running_ = false;
    Hide();
}

void BusyCursor::Waiting() {
    if (running_ && !shown_ && clock_.Now() - start_ >= BUSY_AFTER) {
        Show();
    }
}

std::chrono::milliseconds BusyCursor::Remaining() {
    if (!running_ || shown_) {
        return std::chrono::milliseconds(-1);
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(start_ + BUSY_AFTER - clock_.Now());
    return left.count() < 0 ? std::chrono::milliseconds(0) : left;
}

void BusyCursor::Show() {
    wait_.ShowWaitCursor();
    shown_ = true;
}

void BusyCursor::Hide() {
    if (shown_) {
        wait_.HideWaitCursor();
        shown_ = false;
    }
}

}  // namespace halvo::ui
