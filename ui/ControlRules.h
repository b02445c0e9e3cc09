// SPDX-License-Identifier: GPL-3.0-or-later
// What every backend obeys about its controls, written once: one row of traits per control kind,
// and the rules of their texts and values (mnemonic marks, dotted addresses, date ranges, byte
// limits). A backend asks here; it never restates a rule.
//
// A new control kind is one row in kControlTraits (ControlRules.cpp), one interface in
// ui/Controls.h and one class per backend.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/TextCodec.h"
#include "ui/Controls.h"
#include "ui/DialogTemplate.h"

namespace halvo::ui {

struct ControlTraits {
    ControlKind kind;
    const char* name;        // as the template files spell the kind
    bool interactive;        // the user works with it: it takes the focus, a screen reader names it
    bool namedByOwnText;     // a screen reader says its own caption (which the dialog may change)
    bool namedByGroup;       // a list: named by the group box around it, not the text before it
    bool takesTemplateName;  // the backend gives it the name AccessibleName finds
    bool drawnBehind;        // a frame: drawn under what it surrounds, never takes the mouse
    bool hasImage;           // shows the template's "image"
    bool hasItems;           // takes the template's "items" as its first rows
    bool wholeText;          // shows a text (caption, title, value, headings) that must be whole
};

// The row of `kind`; every kind has one.
const ControlTraits& TraitsOf(ControlKind kind);
// The kind a template file names `name`; none for an unknown name.
std::optional<ControlKind> KindNamed(std::string_view name);

// `text` as a label shows it: "&x" gives x, "&&" gives "&".
std::string StripMnemonics(std::string_view text);
// The text a label or value field shows for its template: without mnemonic marks unless the
// template has the noPrefix style.
std::string ShownText(const ControlTemplate& control);

// The four parts of a dotted address "a.b.c.d", each 0..255 of one to three digits (leading
// zeros allowed); none for anything else.
std::optional<std::array<int, 4>> AddressParts(std::string_view dotted);
std::string AddressText(const std::array<int, 4>& parts);
// True when an address field may hold `field` as typed: one to three digits, no leading zero,
// at most 255.
bool AddressFieldTakes(std::string_view field);

// `value` moved into [first, last]; an open end does not clamp.
Date ClampDate(const Date& value, const std::optional<Date>& first,
               const std::optional<Date>& last);

// True when `text` takes at most `limit` bytes in `codec`'s code page. A text the code page cannot
// hold fits: the dialog says so when it reads it. The encoded copy is wiped (a password may be
// checked).
bool FitsByteLimit(const platform::TextCodec& codec, std::size_t limit, std::string_view text);

}  // namespace halvo::ui
