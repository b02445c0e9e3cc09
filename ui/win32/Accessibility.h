// SPDX-License-Identifier: GPL-3.0-or-later
// Names for assistive technology where the dialog manager's own rule (the static text before a
// control in tab order names it) has nothing to go by: a control the template names explicitly,
// and the four fields of an address control. Set as annotations of the controls' accessible
// objects, so the screen reader asks the control as usual and gets the name.
#pragma once

#include "ui/win32/Windows.h"

#include <string>

namespace halvo::ui::win32 {

// Names `control`'s accessible object `name` (UTF-8). False when the system has no annotation
// service.
bool AnnotateName(HWND control, const std::string& name);

// Names the fields of the address control `address` "1 of 4" … "4 of 4", the whole control
// `name` when given.
void NameAddressParts(HWND address, const std::string& name);

}  // namespace halvo::ui::win32
