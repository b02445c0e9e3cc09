// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win32/Win32Shell.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/WideText.h"

namespace halvo::platform {

bool Win32Shell::Open(std::string_view address) {
    // Some handlers are COM objects: the calling thread needs COM, as ShellExecute asks.
    const HRESULT com =
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::wstring target = win32::Widen(address);
    const HINSTANCE rc =
        ::ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (SUCCEEDED(com)) {
        ::CoUninitialize();
    }
    // Values above 32 mean success.
    return reinterpret_cast<INT_PTR>(rc) > 32;
}

}  // namespace halvo::platform
