// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/testing/MemoryBackend.h"

#include <algorithm>

#include "ui/AccessibleNames.h"
#include "ui/ControlRules.h"
#include "ui/testing/MemoryControls.h"

namespace halvo::ui::testing {

namespace {

bool Reachable(const Control* control) {
    return control != nullptr && control->IsEnabled() && control->IsVisible();
}

}  // namespace

// ---------------------------------------------------------------- window

MemoryWindow::MemoryWindow(MemoryBackend& backend, const DialogTemplate& t, WindowEvents& events,
                           MemoryWindow* parent, bool child)
    : backend_(backend), template_(t), events_(events), parent_(parent), child_(child) {
    for (const ControlTemplate& control : t.controls) {
        controls_.push_back(MakeMemoryControl(control));
    }
    geometry_ = MapDialogRect(Rect{0, 0, t.size.width, t.size.height});
    if (child_ && parent_ != nullptr) {
        parent_->children_.push_back(this);
    }
}

MemoryWindow::~MemoryWindow() {
    if (backend_.focusWindow_ == this) {
        backend_.focusWindow_ = nullptr;
    }
    if (child_ && parent_ != nullptr) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

Control* MemoryWindow::ControlAt(int index) const {
    return index >= 0 && index < static_cast<int>(controls_.size())
               ? controls_[static_cast<std::size_t>(index)].get()
               : nullptr;
}

int MemoryWindow::FocusedIndex() const {
    return backend_.focusWindow_ == this ? focus_ : -1;
}

void MemoryWindow::SetFocus(int index) {
    if (ControlAt(index) == nullptr) {
        return;
    }
    // Shown means the window and, for a page, the frame holding it.
    bool shown = visible_;
    for (const MemoryWindow* w = this; shown && w->child_ && w->parent_ != nullptr;
         w = w->parent_) {
        shown = w->parent_->visible_;
    }
    if (shown) {
        backend_.focusWindow_ = this;
        focus_ = index;
    } else {
        pendingFocus_ = index;
    }
}

Rect MemoryWindow::ControlRect(int index) const {
    return index >= 0 && index < static_cast<int>(controls_.size())
               ? MapDialogRect(template_.controls[static_cast<std::size_t>(index)].rect)
               : Rect{};
}

// Every character is one average character wide, every text one line high; the room is the
// whole rectangle (a column's: its width).
std::vector<TextRoom> MemoryWindow::MeasureTexts(int index) const {
    const Control* control = ControlAt(index);
    if (control == nullptr || !TraitsOf(control->Kind()).wholeText) {
        return {};
    }
    const Rect rect = ControlRect(index);
    const auto measured = [&](std::string part, std::string text, int roomWidth) {
        const Size need{static_cast<int>(text.size()) * MEMORY_BASE_UNITS.x,
                        text.empty() ? 0 : MEMORY_BASE_UNITS.y};
        return TextRoom{std::move(part), std::move(text), need, Size{roomWidth, rect.height}};
    };
    if (const auto* list = dynamic_cast<const ListView*>(control)) {
        std::vector<TextRoom> headings;
        for (int c = 0; c < list->GetColumnCount(); ++c) {
            headings.push_back(measured("heading " + std::to_string(c), list->GetColumnHeading(c),
                                        list->GetColumnWidth(c)));
        }
        return headings;
    }
    std::string text = ShownText(control->Template());
    if (const auto* label = dynamic_cast<const StaticText*>(control)) {
        text = label->GetWindowText();
    } else if (const auto* button = dynamic_cast<const PushButton*>(control)) {
        text = StripMnemonics(button->GetWindowText());
    }
    return {measured({}, std::move(text), rect.width)};
}

void MemoryWindow::Show(bool visible) {
    visible_ = visible;
    if (visible && pendingFocus_ >= 0) {
        const int index = pendingFocus_;
        pendingFocus_ = -1;
        SetFocus(index);
    }
    if (!visible && backend_.focusWindow_ == this) {
        backend_.focusWindow_ = nullptr;
    }
}

int MemoryWindow::RunModal() {
    return backend_.Run(*this);
}

void MemoryWindow::EndModal(int result) {
    if (!running_) {
        return;
    }
    events_.OnEnded(result);
    result_ = result;
    running_ = false;
}

void MemoryWindow::Close() {
    if (events_.OnClose()) {
        Show(false);
    }
}

int MemoryWindow::TrackMenu(const std::vector<MenuItem>& items, std::optional<Point>) {
    backend_.lastMenu_ = items;
    const int choice = backend_.menuChoice_;
    backend_.menuChoice_ = 0;
    const bool offered = std::any_of(items.begin(), items.end(),
                                     [choice](const MenuItem& item) { return item.id == choice; });
    return offered ? choice : 0;
}

MemoryWindow* MemoryWindow::FocusOwner() {
    for (MemoryWindow* w = backend_.focusWindow_; w != nullptr;
         w = w->child_ ? w->parent_ : nullptr) {
        if (w == this) {
            return backend_.focusWindow_;
        }
    }
    return this;
}

// ---------------------------------------------------------------- backend

std::unique_ptr<Window> MemoryBackend::CreateDialogWindow(const DialogTemplate& dialogTemplate,
                                                          const ResourceStore&,
                                                          WindowEvents& events, Window* parent,
                                                          bool child) {
    return std::make_unique<MemoryWindow>(*this, dialogTemplate, events,
                                          dynamic_cast<MemoryWindow*>(parent), child);
}

void MemoryBackend::OnModal(int templateId, Step step) {
    steps_[templateId].push_back(std::move(step));
}

std::size_t MemoryBackend::PendingSteps() const {
    std::size_t count = 0;
    for (const auto& [id, queue] : steps_) {
        count += queue.size();
    }
    return count;
}

int MemoryBackend::Run(MemoryWindow& window) {
    const int id = window.template_.id;
    runs_.push_back(id);
    MemoryWindow* const focusBefore = focusWindow_;
    const int focusIndexBefore = focusBefore != nullptr ? focusBefore->focus_ : -1;
    window.running_ = true;
    window.result_ = 0;
    window.Show(true);
    auto& queue = steps_[id];
    if (queue.empty()) {
        unscripted_.push_back(id);
        window.EndModal(IDCANCEL);
    } else {
        const Step step = std::move(queue.front());
        queue.pop_front();
        // The step drives the dialog through its window's events; the dialog object is the one
        // that owns them.
        step(*dynamic_cast<Dialog*>(&window.events_));
        if (window.running_) {
            unfinished_.push_back(id);
            window.EndModal(IDCANCEL);
        }
    }
    window.Show(false);
    // The owner gets its focus back.
    if (focusBefore != nullptr && focusBefore != &window) {
        focusWindow_ = focusBefore;
        focusBefore->focus_ = focusIndexBefore;
    }
    return window.result_;
}

MemoryWindow* MemoryBackend::WindowOf(const Dialog& dialog) {
    return dynamic_cast<MemoryWindow*>(dialog.GetWindow());
}

bool MemoryBackend::Click(Dialog& dialog, int id) {
    Control* control = dialog.GetDlgItem(id);
    if (!Reachable(control)) {
        return false;
    }
    if (auto* box = dynamic_cast<CheckBox*>(control)) {
        if (control->Template().Has(styleAuto)) {
            box->SetCheck(!box->GetCheck());
        }
    } else if (dynamic_cast<PushButton*>(control) == nullptr) {
        return false;
    }
    WindowOf(dialog)->Events().OnNotify(id);
    return true;
}

bool MemoryBackend::Type(Dialog& dialog, int id, std::string_view text) {
    Control* control = dialog.GetDlgItem(id);
    if (!Reachable(control)) {
        return false;
    }
    if (auto* edit = dynamic_cast<MemoryEdit*>(control)) {
        edit->Typed(text);
        return true;
    }
    if (auto* combo = dynamic_cast<MemoryComboBox*>(control); combo && combo->HasEditableField()) {
        combo->Typed(text);
        return true;
    }
    return false;
}

bool MemoryBackend::TypeAddress(Dialog& dialog, int id, std::string_view dotted) {
    auto* address = dynamic_cast<MemoryIpAddress*>(dialog.GetDlgItem(id));
    if (!Reachable(address)) {
        return false;
    }
    address->Typed(dotted);
    return true;
}

bool MemoryBackend::Choose(Dialog& dialog, int id, int row) {
    Control* control = dialog.GetDlgItem(id);
    if (!Reachable(control)) {
        return false;
    }
    if (auto* list = dynamic_cast<ListBox*>(control)) {
        if (row < 0 || row >= list->GetCount()) {
            return false;
        }
        list->SetCurSel(row);
        if (control->Template().Has(styleNotify)) {
            WindowOf(dialog)->Events().OnNotify(id);
        }
        return true;
    }
    if (auto* combo = dynamic_cast<ComboBox*>(control)) {
        if (row < 0 || row >= combo->GetCount()) {
            return false;
        }
        combo->SetCurSel(row);
        WindowOf(dialog)->Events().OnNotify(id);
        return true;
    }
    if (auto* view = dynamic_cast<ListView*>(control)) {
        if (row < 0 || row >= view->GetItemCount()) {
            return false;
        }
        view->SetSelectedRow(row);
        return true;
    }
    return false;
}

bool MemoryBackend::PickDate(Dialog& dialog, int id, const Date& date) {
    auto* picker = dynamic_cast<DatePicker*>(dialog.GetDlgItem(id));
    if (!Reachable(picker)) {
        return false;
    }
    picker->SetDate(date);
    return true;
}

bool MemoryBackend::PickTime(Dialog& dialog, int id, const TimeOfDay& time) {
    auto* picker = dynamic_cast<TimePicker*>(dialog.GetDlgItem(id));
    if (!Reachable(picker)) {
        return false;
    }
    picker->SetTime(time);
    return true;
}

bool MemoryBackend::Focus(Dialog& dialog, int id) {
    Control* control = dialog.GetDlgItem(id);
    if (!Reachable(control)) {
        return false;
    }
    dialog.GotoDlgCtrl(control);
    return true;
}

void MemoryBackend::Tab(Dialog& dialog, bool backwards) {
    MemoryWindow* window = WindowOf(dialog);
    Control* from = window != nullptr ? window->ControlAt(window->FocusedIndex()) : nullptr;
    dialog.GotoDlgCtrl(dialog.NextTabStop(from, backwards));
}

std::string MemoryBackend::AccessibleName(const Dialog& dialog, int id) {
    const Control* control = dialog.GetDlgItem(id);
    if (control == nullptr) {
        return {};
    }
    if (const auto* button = dynamic_cast<const PushButton*>(control)) {
        return SpokenText(button->GetWindowText());
    }
    if (control->Kind() == ControlKind::checkBox) {
        return SpokenText(control->Template().text);  // a check box's caption never changes
    }
    for (int i = 0; i < dialog.ControlCount(); ++i) {
        if (dialog.ControlAt(i) == control) {
            return ui::AccessibleName(dialog.Template(), i);
        }
    }
    return {};
}

bool MemoryBackend::Press(Dialog& dialog, Key key) {
    MemoryWindow* window = WindowOf(dialog);
    if (window == nullptr) {
        return false;
    }
    return window->FocusOwner()->Events().OnKey(key);
}

void MemoryBackend::CloseBox(Dialog& dialog) {
    if (MemoryWindow* window = WindowOf(dialog)) {
        window->Close();
    }
}

bool MemoryBackend::ChooseMenuItem(Dialog& dialog, int id) {
    MemoryWindow* window = WindowOf(dialog);
    if (window == nullptr) {
        return false;
    }
    menuChoice_ = id;
    const bool shown = window->Events().OnContextMenu(Point{0, 0});
    menuChoice_ = 0;
    return shown;
}

}  // namespace halvo::ui::testing
