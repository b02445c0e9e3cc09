// SPDX-License-Identifier: GPL-3.0-or-later
// Base class of every window of the program: a dialog built from its template, on whatever
// backend it is given (ui/Backend.h). Standard C++: the same dialog class runs on every toolkit.
//
// Declaring a dialog:
//
//   class VerifyDialog : public halvo::ui::Dialog {
//   public:
//       VerifyDialog(Backend& ui, const ResourceStore& store) : Dialog(ui, store, 141) {}
//   protected:
//       void BindControls() override {          // members by control identifier
//           Bind(1065, nameEdit);                // throws std::logic_error on a wrong id/kind
//           Bind(1069, okButton);
//       }
//       bool OnInitDialog() override {          // once, after binding, before the first show
//           nameEdit->LimitText(16);
//           return true;                         // true: focus goes to the first tab stop
//       }
//       void OnCommand(int id) override {       // clicks, list/combo selection changes
//           if (id == 1069) { Verify(); return; }
//           Dialog::OnCommand(id);               // 1 -> OnOK, 2 -> OnCancel
//       }
//       bool PreTranslateKey(Key key) override;  // optional: take keys first
//   private:
//       Edit* nameEdit = nullptr;
//       PushButton* okButton = nullptr;
//   };
//
//   VerifyDialog dialog(ui, store);
//   if (dialog.RunModal() == 2) return;  // 1 OK, 2 Cancel
//
// Keys, unless PreTranslateKey takes them: Enter on a push button clicks that button; Enter
// anywhere else is the command of the default push button (1 when the template has none) and
// does nothing while that button is disabled; Esc and the close box are command 2 (nothing while
// a Cancel button is disabled). Tab order is template order among the tab stops; the initial
// focus is the first enabled tab stop.
//
// Window menu: a dialog with the sysMenu style has a window menu, shown as a context menu (right
// click on the window, Shift+F10, the Menu key). It holds "Minimize" (with the minimizeBox style)
// and "Close"; AppendMenuItem adds to it and OnSysCommand receives the chosen item.
//
// Child dialogs (wizard pages): CreateChild(parent) builds the window inside the parent dialog's
// window, hidden, without title or border, and gives none of its controls the focus; MoveWindow
// places it. A child forwards Enter and Esc to its parent dialog, after giving its own
// PreTranslateKey the first look. A parent never owns a child dialog object: destroying the
// parent's window destroys the child's window first.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "ui/Backend.h"
#include "ui/Controls.h"
#include "ui/DialogUnits.h"
#include "ui/ResourceStore.h"

namespace halvo::ui {

// Modal results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Window menu commands of the platform.
inline constexpr int SC_MINIMIZE = 0xF020;
inline constexpr int SC_CLOSE = 0xF060;

class Dialog : public WindowEvents {
  public:
    // `backend` and `store` must outlive the dialog; so must `owner`, whose window owns this
    // one's. Nothing is created until Create, RunModal or CreateChild. Throws std::logic_error
    // when the store has no template `templateId`.
    Dialog(Backend& backend, const ResourceStore& store, int templateId, Dialog* owner = nullptr);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Builds the top-level window without showing it: controls, BindControls, OnInitDialog.
    // False if the window exists already.
    bool Create();
    // Creates the window if needed, shows it modally and returns the value given to EndDialog.
    // The window and its controls stay after the run, so the caller may read them; OnInitDialog
    // is not run again by a second RunModal.
    int RunModal();
    // Ends the modal run with `result`. Called before the run starts (from OnInitDialog), the run
    // returns `result` without showing the window.
    void EndDialog(int result);
    bool IsRunning() const { return running_; }
    // Runs the command handler as if control `id` had notified (a click, a selection change).
    void SendCommand(int id) { OnCommand(id); }

    // Child mode: builds the window inside `parent`'s window, hidden. False if it exists already
    // or the parent has no window.
    bool CreateChild(Dialog& parent);
    // Moves and sizes the window to `pixels`, in its parent's coordinates.
    void MoveWindow(const Rect& pixels);
    void ShowWindow(bool visible);
    bool IsWindowVisible() const;
    // Paints what changed now (a handler that runs long keeps the event loop from doing it).
    void UpdateWindow();
    // As UpdateWindow, but at most once in kUpdateEvery by `clock`: a handler that adds a
    // thousand rows one by one asks a thousand times, and painting a long list each time is
    // slow. What it leaves unpainted the event loop paints when the handler returns.
    void UpdateWindow(platform::Clock& clock);
    static constexpr std::chrono::milliseconds kUpdateEvery{50};
    // Destroys the window and its controls (bound members dangle until the next creation), its
    // child dialogs' windows first. A child leaves its parent.
    void DestroyWindow();
    bool IsCreated() const { return window_ != nullptr; }
    bool IsChild() const { return parent_ != nullptr; }

    // Asks the dialog to take over its controls' values; false refuses (the caller stays put).
    virtual bool CommitData() { return true; }

    int TemplateId() const { return templateId_; }
    const DialogTemplate& Template() const { return *template_; }
    const ResourceStore& Resources() const { return store_; }
    Backend& GetBackend() const { return backend_; }
    // The window's title; empty before creation.
    std::string GetWindowText() const;
    // The backend's window, null before creation; its Handle() owns message boxes.
    Window* GetWindow() const { return window_.get(); }
    platform::WindowHandle WindowHandle() const;
    // The window menu's icon and the task bar's.
    void SetIcon(int iconId);

    // The control with identifier `id`, or null (no such control, or no window yet).
    Control* GetDlgItem(int id) const;
    template <class T>
    T* ControlAs(int id) const {
        return dynamic_cast<T*>(GetDlgItem(id));
    }
    // The control at `index` in template order (controls without identifier included).
    Control* ControlAt(int index) const;
    int ControlCount() const;
    // Identifier of the control holding the keyboard focus; 0 for none.
    int FocusedControlId() const;
    Control* FocusedControl() const;
    // The control's rectangle in this dialog's pixels; empty for an unknown id.
    Rect ControlRect(int id) const;

    BaseUnits GetBaseUnits() const;
    Rect MapDialogRect(const Rect& dialogUnits) const;

    // Focus to `control` now, or when the window is first shown.
    void GotoDlgCtrl(Control* control);
    // The next (or previous) enabled, visible tab stop after `from` in template order, wrapping
    // around; from the start (or the end) with no `from`.
    Control* NextTabStop(Control* from, bool backwards = false) const;

    // The window menu's items, in order.
    const std::vector<MenuItem>& MenuItems() const { return menu_; }
    // Appends an item (id 0 and an empty text append a separator).
    void AppendMenuItem(int id, std::string_view text);
    // Shows the window menu at `screen` (none: at the focused control) and runs the chosen item
    // through OnSysCommand.
    void ShowWindowMenu(std::optional<Point> screen = std::nullopt);
    // Runs a window menu command as if it had been chosen.
    void SendSysCommand(int id) { OnSysCommand(id); }

  protected:
    // Binds members to controls with Bind. Runs once per window, before OnInitDialog.
    virtual void BindControls() {}
    // Runs once per window, after BindControls and before the first show. Return true to let the
    // dialog put the focus on the first tab stop, false when the dialog has set it itself.
    virtual bool OnInitDialog() { return true; }
    // A control notified: a button or check box was clicked, the user changed the selection of a
    // list box (with the "notify" style) or of a combo box. Default: 1 -> OnOK, 2 -> OnCancel.
    virtual void OnCommand(int id);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A window menu item was chosen. Default: SC_MINIMIZE minimises, SC_CLOSE closes as the
    // close box does; other ids do nothing.
    virtual void OnSysCommand(int id);
    // Sees Enter, Esc and the menu keys in the dialog (and its child dialogs) before default
    // processing. Return true to consume the key. Default: false.
    virtual bool PreTranslateKey(Key key);
    // The modal run is ending (EndDialog or the toolkit ended it).
    virtual void OnEndDialog(int /*result*/) {}

    // Binds `member` to control `id`. Throws std::logic_error when there is no such control or
    // it is not a T (for instance binding a label as ComboBox).
    template <class T>
    void Bind(int id, T*& member) {
        Control* control = GetDlgItem(id);
        T* typed = dynamic_cast<T*>(control);
        if (typed == nullptr) {
            FailBind(id, control, T::kTypeName);
        }
        member = typed;
    }

  private:
    // WindowEvents
    void OnNotify(int id) override { OnCommand(id); }
    bool OnKey(Key key) override { return HandleKey(key); }
    bool OnClose() override;
    bool OnContextMenu(std::optional<Point> screen) override;
    void OnEnded(int result) override { OnEndDialog(result); }

    void Build(Dialog* parent);
    int IndexOf(const Control* control) const;
    Control* FirstTabStop() const;
    bool HandleKey(Key key);
    bool DefaultKeyProcessing(Key key);
    [[noreturn]] void FailBind(int id, const Control* control, const char* wanted) const;

    Backend& backend_;
    const ResourceStore& store_;
    int templateId_;
    const DialogTemplate* template_;
    Dialog* owner_;
    Dialog* parent_ = nullptr;       // child mode: the dialog whose window holds this one
    std::vector<Dialog*> children_;  // child dialogs built in this window
    std::unique_ptr<Window> window_;
    bool running_ = false;
    bool endPending_ = false;
    int result_ = 0;
    std::vector<MenuItem> menu_;
    std::optional<platform::Clock::TimePoint> lastUpdate_;  // when UpdateWindow(clock) painted
};

}  // namespace halvo::ui
