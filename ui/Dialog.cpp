// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Dialog.h"

#include <algorithm>

namespace halvo::ui {

Dialog::Dialog(Backend& backend, const ResourceStore& store, int templateId, Dialog* owner)
    : backend_(backend),
      store_(store),
      templateId_(templateId),
      template_(&store.Template(templateId)),
      owner_(owner) {}

Dialog::~Dialog() {
    DestroyWindow();
}

bool Dialog::Create() {
    if (IsCreated()) {
        return false;
    }
    Build(nullptr);
    return true;
}

bool Dialog::CreateChild(Dialog& parent) {
    if (IsCreated() || !parent.IsCreated()) {
        return false;
    }
    Build(&parent);
    return true;
}

void Dialog::Build(Dialog* parent) {
    const DialogTemplate& t = *template_;
    parent_ = parent;
    Window* holder = parent != nullptr ? parent->GetWindow()
                                       : (owner_ != nullptr ? owner_->GetWindow() : nullptr);
    window_ = backend_.CreateDialogWindow(t, store_, *this, holder, parent != nullptr);
    if (parent != nullptr) {
        parent->children_.push_back(this);
    } else {
        menu_.clear();
        if (t.Has(styleSysMenu)) {
            if (t.Has(styleMinimizeBox)) {
                menu_.push_back({SC_MINIMIZE, "Minimize"});
            }
            menu_.push_back({SC_CLOSE, "Close"});
        }
    }
    endPending_ = false;

    BindControls();
    // A child is created hidden and takes no focus of its own: showing it later must leave the
    // focus where the user has it (on the wizard's Next button, say).
    if (OnInitDialog() && parent == nullptr) {
        GotoDlgCtrl(FirstTabStop());
    }
}

void Dialog::DestroyWindow() {
    if (!IsCreated()) {
        return;
    }
    // A toolkit may take a child's window down with its parent's: the children go first.
    while (!children_.empty()) {
        children_.back()->DestroyWindow();
    }
    window_.reset();
    if (parent_ != nullptr) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
        parent_ = nullptr;
    }
}

int Dialog::RunModal() {
    if (!IsCreated()) {
        Build(nullptr);
    }
    if (endPending_) {
        endPending_ = false;
        return result_;
    }
    running_ = true;
    result_ = 0;
    const int result = window_->RunModal();
    running_ = false;
    return result;
}

void Dialog::EndDialog(int result) {
    result_ = result;
    if (running_) {
        window_->EndModal(result);
    } else {
        endPending_ = true;
    }
}

void Dialog::OnCommand(int id) {
    if (id == IDOK) {
        OnOK();
    } else if (id == IDCANCEL) {
        OnCancel();
    }
}

void Dialog::OnSysCommand(int id) {
    if (!IsCreated()) {
        return;
    }
    if (id == SC_MINIMIZE) {
        window_->Minimize();
    } else if (id == SC_CLOSE) {
        window_->Close();
    }
}

bool Dialog::PreTranslateKey(Key) {
    return false;
}

void Dialog::MoveWindow(const Rect& pixels) {
    if (IsCreated()) {
        window_->Move(pixels);
    }
}

void Dialog::ShowWindow(bool visible) {
    if (IsCreated()) {
        window_->Show(visible);
    }
}

bool Dialog::IsWindowVisible() const {
    return IsCreated() && window_->IsVisible();
}

void Dialog::UpdateWindow() {
    if (IsCreated()) {
        window_->Update();
    }
}

void Dialog::UpdateWindow(platform::Clock& clock) {
    const platform::Clock::TimePoint now = clock.Now();
    if (lastUpdate_ && now - *lastUpdate_ < kUpdateEvery) {
        return;
    }
    lastUpdate_ = now;
    UpdateWindow();
}

std::string Dialog::GetWindowText() const {
    return IsCreated() ? window_->Title() : std::string();
}

platform::WindowHandle Dialog::WindowHandle() const {
    return IsCreated() ? window_->Handle() : nullptr;
}

void Dialog::SetIcon(int iconId) {
    if (IsCreated()) {
        window_->SetIcon(iconId);
    }
}

int Dialog::ControlCount() const {
    return IsCreated() ? static_cast<int>(template_->controls.size()) : 0;
}

Control* Dialog::ControlAt(int index) const {
    return index >= 0 && index < ControlCount() ? window_->ControlAt(index) : nullptr;
}

Control* Dialog::GetDlgItem(int id) const {
    if (id == 0 || !IsCreated()) {
        return nullptr;
    }
    for (std::size_t i = 0; i < template_->controls.size(); ++i) {
        if (template_->controls[i].id == id) {
            return window_->ControlAt(static_cast<int>(i));
        }
    }
    return nullptr;
}

int Dialog::IndexOf(const Control* control) const {
    for (int i = 0; control != nullptr && i < ControlCount(); ++i) {
        if (window_->ControlAt(i) == control) {
            return i;
        }
    }
    return -1;
}

Control* Dialog::FocusedControl() const {
    return IsCreated() ? ControlAt(window_->FocusedIndex()) : nullptr;
}

int Dialog::FocusedControlId() const {
    const Control* focus = FocusedControl();
    return focus != nullptr ? focus->Id() : 0;
}

Rect Dialog::ControlRect(int id) const {
    const int index = IndexOf(GetDlgItem(id));
    return index >= 0 ? window_->ControlRect(index) : Rect{};
}

BaseUnits Dialog::GetBaseUnits() const {
    return IsCreated() ? window_->GetBaseUnits() : BaseUnits{};
}

Rect Dialog::MapDialogRect(const Rect& dialogUnits) const {
    return IsCreated() ? window_->MapDialogRect(dialogUnits) : Rect{};
}

void Dialog::GotoDlgCtrl(Control* control) {
    const int index = IndexOf(control);
    if (index >= 0) {
        window_->SetFocus(index);
    }
}

Control* Dialog::FirstTabStop() const {
    for (int i = 0; i < ControlCount(); ++i) {
        Control* c = window_->ControlAt(i);
        if (template_->controls[static_cast<std::size_t>(i)].Has(styleTabStop) && c->IsEnabled()) {
            return c;
        }
    }
    return nullptr;
}

Control* Dialog::NextTabStop(Control* from, bool backwards) const {
    const int count = ControlCount();
    if (count == 0) {
        return nullptr;
    }
    const int start = IndexOf(from);
    const int step = backwards ? count - 1 : 1;
    int i = start < 0 ? (backwards ? 0 : count - 1) : start;
    for (int n = 0; n < count; ++n) {
        i = (i + step) % count;
        Control* c = window_->ControlAt(i);
        if (template_->controls[static_cast<std::size_t>(i)].Has(styleTabStop) && c->IsEnabled() &&
            c->IsVisible()) {
            return c;
        }
    }
    return nullptr;
}

void Dialog::AppendMenuItem(int id, std::string_view text) {
    menu_.push_back({id, std::string(text)});
}

void Dialog::ShowWindowMenu(std::optional<Point> screen) {
    if (menu_.empty() || !IsCreated()) {
        return;
    }
    if (const int chosen = window_->TrackMenu(menu_, screen); chosen != 0) {
        OnSysCommand(chosen);
    }
}

bool Dialog::HandleKey(Key key) {
    if (PreTranslateKey(key)) {
        return true;
    }
    if (parent_ != nullptr) {
        return parent_->HandleKey(key);
    }
    return DefaultKeyProcessing(key);
}

bool Dialog::DefaultKeyProcessing(Key key) {
    switch (key) {
        case Key::enter: {
            if (Control* focus = FocusedControl();
                focus != nullptr && (focus->Kind() == ControlKind::pushButton ||
                                     focus->Kind() == ControlKind::defPushButton)) {
                if (focus->IsEnabled() && focus->Id() != 0) {
                    OnCommand(focus->Id());
                }
                return true;
            }
            for (int i = 0; i < ControlCount(); ++i) {
                const ControlTemplate& control = template_->controls[static_cast<std::size_t>(i)];
                if (control.kind == ControlKind::defPushButton) {
                    if (window_->ControlAt(i)->IsEnabled()) {
                        OnCommand(control.id);
                    }
                    return true;
                }
            }
            OnCommand(IDOK);
            return true;
        }
        case Key::escape: {
            const Control* cancel = GetDlgItem(IDCANCEL);
            if (cancel == nullptr || cancel->IsEnabled()) {
                OnCommand(IDCANCEL);
            }
            return true;
        }
        case Key::menu:
            if (menu_.empty()) {
                return false;
            }
            ShowWindowMenu();
            return true;
        case Key::other:
            return false;
    }
    return false;
}

bool Dialog::OnClose() {
    if (!running_ || parent_ != nullptr) {
        return true;
    }
    // The close box is the cancel command; the run ends only if the dialog ends it.
    const Control* cancel = GetDlgItem(IDCANCEL);
    if (cancel == nullptr || cancel->IsEnabled()) {
        OnCommand(IDCANCEL);
    }
    return false;
}

bool Dialog::OnContextMenu(std::optional<Point> screen) {
    if (menu_.empty()) {
        return false;
    }
    ShowWindowMenu(screen);
    return true;
}

void Dialog::FailBind(int id, const Control* control, const char* wanted) const {
    std::string message =
        "dialog " + std::to_string(templateId_) + ": control " + std::to_string(id);
    if (control == nullptr) {
        message += " does not exist";
    } else {
        message += " is a " + std::string(ControlKindName(control->Kind())) + ", not a " + wanted;
    }
    throw std::logic_error(message);
}

}  // namespace halvo::ui
