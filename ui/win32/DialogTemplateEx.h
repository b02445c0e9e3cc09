// SPDX-License-Identifier: GPL-3.0-or-later
// A dialog template as the Windows dialog manager reads it from memory: the extended form
// (DLGTEMPLATEEX followed by one DLGITEMTEMPLATEEX per control), little-endian, UTF-16 texts,
// every item starting on a DWORD boundary. Standard C++, so that the layout is tested in every
// build; the Win32 backend hands the bytes to CreateDialogIndirectParamW.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/DialogTemplate.h"

namespace halvo::ui::win32 {

// The class and window styles a control of the template gets.
struct ControlClass {
    std::u16string name;          // registered class name; empty for a predefined atom
    std::uint16_t atom = 0;       // 0x0080 button … 0x0085 combo box; 0 with a name
    std::uint32_t style = 0;      // WS_… | class styles
    std::uint32_t exStyle = 0;    // WS_EX_…
    bool hasText = false;         // the template's text is the window text
};

ControlClass ClassOf(const ControlTemplate& control);

// The window styles of the dialog itself: a modal frame or a child page.
struct DialogStyles {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
};
DialogStyles StylesOf(const DialogTemplate& dialogTemplate, bool child);

// The whole in-memory template. Images and combo rows are not in it: the backend sets them once
// the controls exist. The result's size is a multiple of 4.
std::vector<std::uint8_t> BuildDialogTemplateEx(const DialogTemplate& dialogTemplate, bool child);

// The window identifier of control `index`: its template identifier, or, for a control without
// one, a number of its own above every identifier the templates use, so that each control's
// window can be found by identifier.
inline constexpr int kUnnumberedBase = 0xE000;
int WindowIdOf(const DialogTemplate& dialogTemplate, int index);

// UTF-8 to UTF-16; an ill-formed sequence becomes U+FFFD.
std::u16string ToUtf16(std::string_view utf8);

}  // namespace halvo::ui::win32
