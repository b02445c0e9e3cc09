// SPDX-License-Identifier: GPL-3.0-or-later
// Whether every text a dialog shows is seen whole: each control whose kind shows a text that
// must be whole (ControlTraits::wholeText) has its texts measured by the backend, with the
// toolkit's own text metrics and the control's font, against the room the control leaves for
// them. A text wider or taller than its room is cut. Texts are never shortened to fit: the room
// grows with the scale, the texts stay.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Geometry.h"

namespace halvo::ui {

class Dialog;

// One text of a control as the backend measured it, in the window's pixels.
struct TextRoom {
    std::string part;  // which text of the control: "" for its caption, "heading 2" for a column
    std::string text;  // as shown: without mnemonic marks
    Size need;         // what the text takes in the control's font (wrapped where it wraps)
    Size room;         // what the control leaves for it (its edges, box, margins taken off)
    bool Fits() const { return need.width <= room.width && need.height <= room.height; }
};

struct TextCut {
    std::string dialog;
    int controlId = 0;
    int index = 0;  // in template order
    std::string kind;
    TextRoom text;            // the text that does not fit
    bool unmeasured = false;  // the backend gave no measure for a control that shows text
};

struct TextFitReport {
    int controls = 0;  // controls checked
    int texts = 0;     // texts measured
    std::vector<TextCut> cuts;
    // Of the texts that fit, the one with the least room to spare across (none when none fit).
    std::optional<TextCut> tightest;
    // Controls with at least one cut.
    int CutControls() const;
};

// Checks every visible control of `dialog`'s window (created) whose kind shows a whole text,
// under the name `name`. A control the backend gives no measure for counts as cut.
TextFitReport CheckTextFit(const Dialog& dialog, std::string_view name);

// "main: control 1081 (listView, #20) heading 4 \"Free Space\": text 67 px wide, room 60 px"
std::string Describe(const TextCut& cut);
std::ostream& operator<<(std::ostream& out, const TextCut& cut);

}  // namespace halvo::ui
