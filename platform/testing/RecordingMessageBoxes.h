// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes that only record what the program asked to show and never open a window, so no
// nested event loop runs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/MessageBoxes.h"

namespace halvo::platform::testing {

class RecordingMessageBoxes final : public MessageBoxes {
  public:
    struct Box {
        bool information = false;  // false: the standard warning box
        WindowHandle owner = nullptr;
        std::string caption;  // empty for the standard box (the program's name)
        std::string text;
    };

    void ShowWarning(std::string_view text) override {
        boxes.push_back(Box{false, nullptr, std::string(), std::string(text)});
    }
    void ShowInformation(WindowHandle owner, std::string_view caption,
                         std::string_view text) override {
        boxes.push_back(Box{true, owner, std::string(caption), std::string(text)});
    }

    // The texts of all boxes, in order.
    std::vector<std::string> Texts() const {
        return TextsOf([](const Box&) { return true; });
    }
    // The texts of the standard boxes, in order.
    std::vector<std::string> Warnings() const {
        return TextsOf([](const Box& box) { return !box.information; });
    }
    // The information boxes, in order.
    std::vector<Box> Informations() const {
        std::vector<Box> found;
        for (const Box& box : boxes) {
            if (box.information) {
                found.push_back(box);
            }
        }
        return found;
    }
    std::size_t Count() const { return boxes.size(); }
    void Clear() { boxes.clear(); }

    std::vector<Box> boxes;

  private:
    template <class Keep>
    std::vector<std::string> TextsOf(Keep keep) const {
        std::vector<std::string> texts;
        for (const Box& box : boxes) {
            if (keep(box)) {
                texts.push_back(box.text);
            }
        }
        return texts;
    }
};

}  // namespace halvo::platform::testing
