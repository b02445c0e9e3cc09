// SPDX-License-Identifier: GPL-3.0-or-later
// <windows.h> for the code of the dialog layer: the few macros that would hide the dialog
// layer's constants of the same names and values (ui/Dialog.h) are taken back.
#pragma once

#include <windows.h>

#undef IDOK
#undef IDCANCEL
#undef SC_MINIMIZE
#undef SC_CLOSE
