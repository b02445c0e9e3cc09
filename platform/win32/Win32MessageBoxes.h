// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes on MessageBoxW: the program's name as the caption of the standard box, the icon
// each kind of message asks for.
#pragma once

#include <string>

#include "platform/MessageBoxes.h"

namespace halvo::platform {

class Win32MessageBoxes final : public MessageBoxes {
  public:
    // `programName` (UTF-8) captions every warning; by default the executable's file name
    // without its extension, as the system's own boxes name a program.
    Win32MessageBoxes();
    explicit Win32MessageBoxes(std::string programName) : programName_(std::move(programName)) {}

    void ShowWarning(std::string_view text) override;
    // `owner` is the owning window's HWND, or null.
    void ShowInformation(WindowHandle owner, std::string_view caption,
                         std::string_view text) override;

  private:
    std::string programName_;
};

}  // namespace halvo::platform
