// SPDX-License-Identifier: GPL-3.0-or-later
// The dpi of a window, for the lengths this backend gives in pixels (ui::ScaleForDpi): the
// program declares itself per-monitor aware, so Windows scales none of them for it.
#pragma once

#include "ui/win32/Windows.h"

namespace halvo::ui::win32 {

// The window's dpi (GetDpiForWindow, Windows 10 1607 and later); 96 where the system has no
// such call or the window none.
int WindowDpi(HWND window);

// A system metric (SM_CXICON, SM_CXSMICON...) at `dpi`: GetSystemMetricsForDpi where the
// system has it, else the system's one metric.
int SystemMetricForDpi(int index, int dpi);

}  // namespace halvo::ui::win32
