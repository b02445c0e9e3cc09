// SPDX-License-Identifier: GPL-3.0-or-later
// What assistive technology calls each control of a dialog, from the template alone, so every
// backend announces the same names: a control's explicit "name" when the template gives one;
// a button's or check box's own text; a list's group box title; anything else the static text or
// group box just before it in template order. Mnemonic marks and a trailing colon are dropped.
#pragma once

#include <string>
#include <string_view>

#include "ui/DialogTemplate.h"

namespace halvo::ui {

// Controls the user works with (and a screen reader must name).
bool IsInteractive(ControlKind kind);

// The name of control `index` of `dialogTemplate`; empty when nothing names it.
std::string AccessibleName(const DialogTemplate& dialogTemplate, int index);

// The index of the static text that labels control `index` (its mnemonic moves the focus there),
// or -1. Group boxes and lists' titles do not count: they label a region, not one control.
int LabelIndex(const DialogTemplate& dialogTemplate, int index);

// What the part `part` (from 0) of an address control of `parts` fields is called: "1 of 4".
std::string AddressPartName(int part, int parts);

// `text` as read out: "&x" gives "x", "&&" gives "&"; spaces and a colon at the end go.
std::string SpokenText(std::string_view text);

}  // namespace halvo::ui
