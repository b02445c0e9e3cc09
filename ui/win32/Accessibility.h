// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader hears a control called. The dialog layer names every control from its
// template (ui/AccessibleNames.h); here a control's window answers assistive technology's
// WM_GETOBJECT with the system's own accessible object for it, with that name in place of the
// system's guess (the static text before it, or its window text, which for an address control
// is its value). The address control's four fields are named as its parts: "1 of 4" and so on.
#pragma once

#include "ui/win32/Windows.h"

#include <string>

namespace halvo::ui::win32 {

// `control` answers with `name` (UTF-8) from now until it is destroyed.
void SetAccessibleName(HWND control, const std::string& name);

// Names the address control `address` and its fields.
void NameAddressParts(HWND address, const std::string& name);

// The calendar of date picker `picker`, as it drops down (`opened`) or moves to another day: named
// as the picker, with the selected day in the user's long date format as its value. While it is
// on show, assistive technology is told that it has the focus (`opened`) or a new value.
void AnnounceCalendar(HWND picker, bool opened);

}  // namespace halvo::ui::win32
