// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AccessibleNames.h"

#include "ui/ControlRules.h"

namespace halvo::ui {

namespace {

bool Contains(const Rect& outer, const Rect& inner) {
    return inner.x >= outer.x && inner.y >= outer.y &&
           inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

bool IsList(ControlKind kind) {
    return TraitsOf(kind).namedByGroup;
}

bool NamedByOwnText(ControlKind kind) {
    return TraitsOf(kind).namedByOwnText;
}

// The smallest group box around the control: the title of a list's frame, wherever the box
// stands in template order.
const ControlTemplate* EnclosingGroup(const DialogTemplate& t, const ControlTemplate& control) {
    const ControlTemplate* best = nullptr;
    for (const ControlTemplate& c : t.controls) {
        if (c.kind == ControlKind::groupBox && &c != &control && Contains(c.rect, control.rect) &&
            (best == nullptr ||
             c.rect.width * c.rect.height < best->rect.width * best->rect.height)) {
            best = &c;
        }
    }
    return best;
}

}  // namespace

bool IsInteractive(ControlKind kind) {
    return TraitsOf(kind).interactive;
}

std::string SpokenText(std::string_view text) {
    std::string out = StripMnemonics(text);
    while (!out.empty() && (out.back() == ' ' || out.back() == ':')) {
        out.pop_back();
    }
    return out;
}

int LabelIndex(const DialogTemplate& t, int index) {
    if (index <= 0 || index >= static_cast<int>(t.controls.size())) {
        return -1;
    }
    const ControlKind kind = t.controls[static_cast<std::size_t>(index)].kind;
    if (!IsInteractive(kind) || NamedByOwnText(kind) || IsList(kind)) {
        return -1;
    }
    const ControlTemplate& before = t.controls[static_cast<std::size_t>(index - 1)];
    return before.kind == ControlKind::label && !SpokenText(before.text).empty() ? index - 1 : -1;
}

std::string AccessibleName(const DialogTemplate& t, int index) {
    if (index < 0 || index >= static_cast<int>(t.controls.size())) {
        return {};
    }
    const ControlTemplate& control = t.controls[static_cast<std::size_t>(index)];
    if (!control.name.empty()) {
        return control.name;
    }
    if (NamedByOwnText(control.kind)) {
        return SpokenText(control.text);
    }
    if (IsList(control.kind)) {
        if (const ControlTemplate* group = EnclosingGroup(t, control)) {
            return SpokenText(group->text);
        }
    }
    if (index > 0) {
        const ControlTemplate& before = t.controls[static_cast<std::size_t>(index - 1)];
        if (before.kind == ControlKind::label || before.kind == ControlKind::groupBox) {
            return SpokenText(before.text);
        }
    }
    return {};
}

std::string AddressPartName(int part, int parts) {
    return std::to_string(part + 1) + " of " + std::to_string(parts);
}

}  // namespace halvo::ui
