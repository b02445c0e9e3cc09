// SPDX-License-Identifier: GPL-3.0-or-later
// Dialog templates and their parser.
//
// A template describes one dialog exactly as the program lays it out: title, size in dialog
// units, font, frame kind and its controls in template order (which is also the tab order). Every
// control has an identifier (0 for none), a kind, a text, style flags and a rectangle in dialog
// units; combo boxes may carry initial rows; a control may carry an accessible name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Geometry.h"

namespace halvo::ui {

enum class ControlKind {
    pushButton,
    defPushButton,
    checkBox,
    groupBox,
    label,
    valueField,   // static text with a sunken border, showing data literally
    etchedLine,   // horizontal separator
    etchedFrame,  // empty sunken rectangle (the wizard's page area)
    listBox,
    listView,  // report mode
    comboBox,  // style dropDown (editable field) or dropDownList
    edit,
    datePicker,
    timePicker,
    ipAddress,
    picture,  // a bitmap resource
    icon,     // an icon resource
};

// Style flags of controls and of dialogs; the data files name them in lowerCamelCase.
enum Style : std::uint32_t {
    styleTabStop = 1u << 0,
    styleGroup = 1u << 1,
    styleDisabled = 1u << 2,
    styleBorder = 1u << 3,
    styleVScroll = 1u << 4,
    styleHScroll = 1u << 5,
    styleAutoHScroll = 1u << 6,
    stylePassword = 1u << 7,
    styleNoPrefix = 1u << 8,
    styleCenter = 1u << 9,
    styleRight = 1u << 10,
    styleSunken = 1u << 11,
    styleNotify = 1u << 12,
    styleNoIntegralHeight = 1u << 13,
    styleDropDown = 1u << 14,
    styleDropDownList = 1u << 15,
    styleReport = 1u << 16,
    styleSingleSel = 1u << 17,
    styleShowSelAlways = 1u << 18,
    styleShortDate = 1u << 19,
    styleUpDown = 1u << 20,
    styleAuto = 1u << 21,
    // Dialog styles.
    styleSysMenu = 1u << 24,
    styleMinimizeBox = 1u << 25,
    styleAppWindow = 1u << 26,
    styleClientEdge = 1u << 27,
    styleControlParent = 1u << 28,
};

enum class FrameKind { modal, child };

struct FontSpec {
    std::string face;  // UTF-8: "宋体" or "MS Sans Serif"
    int pointSize = 9;
};

struct ControlTemplate {
    int id = 0;  // 0: no identifier (plain labels and frames)
    ControlKind kind = ControlKind::label;
    std::string text;  // UTF-8
    std::uint32_t styles = 0;
    Rect rect;                       // dialog units
    int image = 0;                   // picture/icon: resource id
    std::vector<std::string> items;  // combo box: initial rows, in order
    // What assistive technology calls the control where no label stands beside it in template
    // order (ui/AccessibleNames.h); empty: the label rule names it.
    std::string name;

    bool Has(Style s) const { return (styles & s) != 0; }
};

struct DialogTemplate {
    int id = 0;
    std::string title;
    Size size;  // client area, dialog units
    FontSpec font;
    FrameKind frame = FrameKind::modal;
    std::uint32_t styles = 0;
    std::vector<ControlTemplate> controls;  // template order = tab order

    bool Has(Style s) const { return (styles & s) != 0; }
    // The control with this identifier, or null. Identifier 0 never matches.
    const ControlTemplate* Find(int controlId) const;
};

// Parses one template. On a malformed file returns nothing and sets `error` to a message that
// names `origin`, the offending control (by position and id) and the field.
std::optional<DialogTemplate> ParseDialogTemplate(std::string_view json, const std::string& origin,
                                                  std::string* error);

const char* ControlKindName(ControlKind kind);

}  // namespace halvo::ui
