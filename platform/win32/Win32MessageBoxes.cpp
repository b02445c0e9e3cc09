// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win32/Win32MessageBoxes.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace halvo::platform {

namespace {

std::string ExecutableName() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    name = name.substr(0, name.find_last_of(L'.'));
    return name.empty() ? std::string("halvo") : win32::Narrow(name);
}

}  // namespace

Win32MessageBoxes::Win32MessageBoxes() : programName_(ExecutableName()) {}

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
