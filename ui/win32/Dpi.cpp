// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/win32/Dpi.h"

#include "ui/DialogUnits.h"

namespace halvo::ui::win32 {

namespace {

// A user32 function by name, looked up once: older systems lack the dpi calls, and a program
// that imported them would not start there.
template <class Function>
Function User32(const char* name) {
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 != nullptr
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
               : nullptr;
}

}  // namespace

int WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32<GetDpiForWindowFn>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow != nullptr && window != nullptr ? getDpiForWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : kDesignDpi;
}

int SystemMetricForDpi(int index, int dpi) {
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    static const auto forDpi = User32<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi != nullptr) {
        return forDpi(index, static_cast<UINT>(dpi > 0 ? dpi : kDesignDpi));
    }
    return ::GetSystemMetrics(index);  // such a system has one dpi for every window
}

}  // namespace halvo::ui::win32
