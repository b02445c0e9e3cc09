// Test doubles for the message box and shell seams: they record what the program asked for and
// never open a window, so no nested event loop runs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/MessageBoxes.h"
#include "platform/Shell.h"

namespace halvo::ui::testing {

class RecordingMessageBoxes : public platform::MessageBoxes {
  public:
    struct Box {
        bool information = false;  // false: the standard warning box
        platform::WindowHandle owner = nullptr;
        std::string caption;  // empty for the standard box (the program's name)
        std::string text;
    };

    void ShowWarning(std::string_view text) override {
        boxes.push_back(Box{false, nullptr, std::string(), std::string(text)});
    }
    void ShowInformation(platform::WindowHandle owner, std::string_view caption,
                         std::string_view text) override {
        boxes.push_back(Box{true, owner, std::string(caption), std::string(text)});
    }

    // The texts of all boxes, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Box& box : boxes) {
            texts.push_back(box.text);
        }
        return texts;
    }

    std::vector<Box> boxes;
};

class RecordingShell : public platform::Shell {
  public:
    bool Open(std::string_view address) override {
        opened.emplace_back(address);
        return result;
    }

    std::vector<std::string> opened;
    bool result = true;  // what Open answers
};

}  // namespace halvo::ui::testing
