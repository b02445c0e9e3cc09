// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TextFit.h"

#include <ostream>
#include <set>
#include <sstream>

#include "ui/ControlRules.h"
#include "ui/Dialog.h"

namespace halvo::ui {

int TextFitReport::CutControls() const {
    std::set<int> cut;
    for (const TextCut& each : cuts) {
        cut.insert(each.index);
    }
    return static_cast<int>(cut.size());
}

TextFitReport CheckTextFit(const Dialog& dialog, std::string_view name) {
    TextFitReport report;
    const Window* window = dialog.GetWindow();
    if (window == nullptr) {
        return report;
    }
    for (int i = 0; i < dialog.ControlCount(); ++i) {
        const Control* control = dialog.ControlAt(i);
        if (!TraitsOf(control->Kind()).wholeText || !control->IsVisible()) {
            continue;
        }
        ++report.controls;
        const TextCut where{
            std::string(name), control->Id(), i, TraitsOf(control->Kind()).name, {}, false};
        const std::vector<TextRoom> texts = window->MeasureTexts(i);
        if (texts.empty()) {
            TextCut cut = where;
            cut.unmeasured = true;
            report.cuts.push_back(cut);
            continue;
        }
        for (const TextRoom& text : texts) {
            ++report.texts;
            TextCut measured = where;
            measured.text = text;
            if (!text.Fits()) {
                report.cuts.push_back(measured);
            } else if (!report.tightest ||
                       text.room.width - text.need.width <
                           report.tightest->text.room.width - report.tightest->text.need.width) {
                report.tightest = measured;
            }
        }
    }
    return report;
}

std::string Describe(const TextCut& cut) {
    std::ostringstream out;
    out << cut.dialog << ": control " << cut.controlId << " (" << cut.kind << ", #" << cut.index
        << ")";
    if (cut.unmeasured) {
        out << ": shows text but was not measured";
        return out.str();
    }
    if (!cut.text.part.empty()) {
        out << ' ' << cut.text.part;
    }
    out << " \"" << cut.text.text << "\": text " << cut.text.need.width << " px wide, room "
        << cut.text.room.width << " px";
    if (cut.text.need.height > cut.text.room.height) {
        out << "; " << cut.text.need.height << " px high, room " << cut.text.room.height << " px";
    }
    return out.str();
}

std::ostream& operator<<(std::ostream& out, const TextCut& cut) {
    return out << Describe(cut);
}

}  // namespace halvo::ui
