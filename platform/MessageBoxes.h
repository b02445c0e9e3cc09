// SPDX-License-Identifier: GPL-3.0-or-later
// Modal message boxes. Every failure is shown at once in one of these and never logged.
#pragma once

#include <string_view>

namespace halvo::platform {

// The native window that owns a box (a QWidget* under Qt, an HWND under Win32), null for no
// owner.
using WindowHandle = void*;

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // The standard box: one OK button, the exclamation icon, the program's name as caption.
    virtual void ShowWarning(std::string_view text) = 0;
    // One OK button, the information icon and a caption of its own, owned by `owner`.
    virtual void ShowInformation(WindowHandle owner, std::string_view caption,
                                 std::string_view text) = 0;
};

}  // namespace halvo::platform
