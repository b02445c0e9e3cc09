// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win32/Win32MessageBoxes.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace halvo::platform {

void Win32MessageBoxes::ShowWarning(std::string_view text) {
    ::MessageBoxW(nullptr, win32::Widen(text).c_str(), win32::Widen(programName_).c_str(),
                  MB_OK | MB_ICONEXCLAMATION);
}

void Win32MessageBoxes::ShowInformation(WindowHandle owner, std::string_view caption,
                                        std::string_view text) {
    ::MessageBoxW(static_cast<HWND>(owner), win32::Widen(text).c_str(),
                  win32::Widen(caption).c_str(), MB_OK | MB_ICONINFORMATION);
}

}  // namespace halvo::platform
