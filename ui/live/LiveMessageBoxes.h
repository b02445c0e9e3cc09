// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes shown during an exchange get the ordinary cursor: the busy cursor is lifted
// before each box and comes back if the exchange goes on waiting.
#pragma once

#include "platform/MessageBoxes.h"
#include "ui/live/BusyCursor.h"

namespace halvo::ui {

class LiveMessageBoxes final : public platform::MessageBoxes {
  public:
    LiveMessageBoxes(platform::MessageBoxes& inner, BusyCursor& busy)
        : inner_(inner), busy_(busy) {}

    void ShowWarning(std::string_view text) override {
        busy_.Lift();
        inner_.ShowWarning(text);
    }
    void ShowInformation(platform::WindowHandle owner, std::string_view caption,
                         std::string_view text) override {
        busy_.Lift();
        inner_.ShowInformation(owner, caption, text);
    }

  private:
    platform::MessageBoxes& inner_;
    BusyCursor& busy_;
};

}  // namespace halvo::ui
