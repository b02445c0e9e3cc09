// Message boxes that only remember what they were asked to show.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/MessageBoxes.h"

namespace halvo::platform {

class FakeMessageBoxes final : public MessageBoxes {
  public:
    struct Information {
        WindowHandle owner;
        std::string caption;
        std::string text;
    };

    void ShowWarning(std::string_view text) override { warnings.emplace_back(text); }
    void ShowInformation(WindowHandle owner, std::string_view caption,
                         std::string_view text) override {
        informations.push_back({owner, std::string(caption), std::string(text)});
    }
    // Every box shown, warnings and informations alike.
    std::size_t Count() const { return warnings.size() + informations.size(); }

    std::vector<std::string> warnings;
    std::vector<Information> informations;
};

}  // namespace halvo::platform
