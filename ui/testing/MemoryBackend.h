// SPDX-License-Identifier: GPL-3.0-or-later
// The in-memory backend: controls hold their values and nothing is drawn. A test acts as the user
// by control identifier (click, type, choose a row, press Enter or Esc, the close box, the window
// menu); every such action reaches the dialog as the toolkit's would, and every change the dialog
// makes itself stays silent. Modal runs are scripted: RunModal runs the next step queued for the
// dialog's template and returns what the dialog ended with.
//
//   ui::testing::MemoryBackend ui;
//   ui.OnModal(141, [&](ui::Dialog& verify) {
//       ui.Type(verify, 1065, "admin");
//       ui.Click(verify, 1069);
//   });
//   main.SendCommand(IDC_SETUP_WIZARD);
//
// Geometry: fixed base units (6 x 13, as the program's fonts give), no client edge.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Backend.h"
#include "ui/Dialog.h"

namespace halvo::ui::testing {

inline constexpr BaseUnits MEMORY_BASE_UNITS{6, 13};

class MemoryWindow;

class MemoryBackend final : public Backend {
  public:
    using Step = std::function<void(Dialog&)>;

    std::unique_ptr<Window> CreateDialogWindow(const DialogTemplate& dialogTemplate,
                                               const ResourceStore& store, WindowEvents& events,
                                               Window* parent, bool child) override;

    // Queues `step` for the next modal run of template `templateId`. A run that finds no step
    // ends at once with 2 (Cancel) and is counted in UnscriptedRuns. A step that leaves the
    // dialog running is counted in UnfinishedRuns, and the run ends with 2.
    void OnModal(int templateId, Step step);
    // Templates whose modal runs found no step, in order.
    const std::vector<int>& UnscriptedRuns() const { return unscripted_; }
    // Templates whose step left the run open, in order.
    const std::vector<int>& UnfinishedRuns() const { return unfinished_; }
    // Every modal run started, by template, in order.
    const std::vector<int>& ModalRuns() const { return runs_; }
    // Steps still queued.
    std::size_t PendingSteps() const;

    // The user's actions, by control identifier of `dialog`. Each does what the user's would:
    // nothing on a disabled or hidden control (the return value says whether it got through).
    // A click on a push button or check box (an auto check box toggles first).
    bool Click(Dialog& dialog, int id);
    // Typing into an edit (replaces its text; cut at its limit) or an editable combo field (its
    // selection goes); notifies nothing.
    bool Type(Dialog& dialog, int id, std::string_view text);
    // Typing an address into an address control, field by field: "10.0.0.1", or "10..0.1" with
    // a field left blank.
    bool TypeAddress(Dialog& dialog, int id, std::string_view dotted);
    // Choosing row `row` of a list box, combo box or list view; the list box (with the notify
    // style) and the combo box notify.
    bool Choose(Dialog& dialog, int id, int row);
    // Changing a picker's value.
    bool PickDate(Dialog& dialog, int id, const Date& date);
    bool PickTime(Dialog& dialog, int id, const TimeOfDay& time);
    // The focus, by click or Tab: to control `id` (a tab stop or not, when enabled and shown).
    bool Focus(Dialog& dialog, int id);
    // Tab and Shift+Tab from the focused control.
    void Tab(Dialog& dialog, bool backwards = false);
    // Enter, Esc or the menu key on the focused control; true when the dialog took it.
    bool Press(Dialog& dialog, Key key);
    // The close box.
    void CloseBox(Dialog& dialog);
    // Opens the window menu (a right click) and chooses the item `id` in it (0: dismisses it).
    // False when the window has no menu.
    bool ChooseMenuItem(Dialog& dialog, int id);
    // The items of the last window menu shown.
    const std::vector<MenuItem>& LastMenu() const { return lastMenu_; }

    // What assistive technology would call control `id` (ui/AccessibleNames.h); a button says its
    // current caption. Empty for an unknown control.
    static std::string AccessibleName(const Dialog& dialog, int id);

    // What is not a control's value: the window's state.
    static MemoryWindow* WindowOf(const Dialog& dialog);

  private:
    friend class MemoryWindow;
    int Run(MemoryWindow& window);

    std::map<int, std::deque<Step>> steps_;
    std::vector<int> unscripted_;
    std::vector<int> unfinished_;
    std::vector<int> runs_;
    std::vector<MenuItem> lastMenu_;
    int menuChoice_ = 0;
    // The window whose control has the focus: one for all of this backend's windows, as on a
    // desktop, and none shared with another backend.
    MemoryWindow* focusWindow_ = nullptr;
};

// A window in memory.
class MemoryWindow final : public Window {
  public:
    MemoryWindow(MemoryBackend& backend, const DialogTemplate& dialogTemplate, WindowEvents& events,
                 MemoryWindow* parent, bool child);
    ~MemoryWindow() override;

    Control* ControlAt(int index) const override;
    int FocusedIndex() const override;
    void SetFocus(int index) override;
    Rect ControlRect(int index) const override;
    BaseUnits GetBaseUnits() const override { return MEMORY_BASE_UNITS; }
    Rect MapDialogRect(const Rect& dialogUnits) const override {
        return halvo::ui::MapDialogRect(dialogUnits, MEMORY_BASE_UNITS);
    }
    std::vector<TextRoom> MeasureTexts(int index) const override;
    int RunModal() override;
    void EndModal(int result) override;
    bool IsVisible() const override { return visible_; }
    void Show(bool visible) override;
    void Move(const Rect& pixels) override { geometry_ = pixels; }
    void Minimize() override { minimized_ = true; }
    void Close() override;
    std::string Title() const override { return template_.title; }
    void SetIcon(int iconId) override { icon_ = iconId; }
    int TrackMenu(const std::vector<MenuItem>& items, std::optional<Point> screen) override;
    void Update() override { ++updates_; }
    platform::WindowHandle Handle() const override { return const_cast<MemoryWindow*>(this); }

    WindowEvents& Events() { return events_; }
    bool IsRunning() const { return running_; }
    bool IsMinimized() const { return minimized_; }
    int Icon() const { return icon_; }
    int Updates() const { return updates_; }
    Rect Geometry() const { return geometry_; }
    const DialogTemplate& Template() const { return template_; }
    // The focused control of this window, or of a shown child window inside it.
    MemoryWindow* FocusOwner();
    // The window whose control has the focus (this one or a child), its index there.
    int OwnFocus() const { return focus_; }
    MemoryWindow* Parent() const { return parent_; }

  private:
    friend class MemoryBackend;

    MemoryBackend& backend_;
    const DialogTemplate& template_;
    WindowEvents& events_;
    MemoryWindow* parent_;
    bool child_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<MemoryWindow*> children_;
    int focus_ = -1;
    int pendingFocus_ = -1;
    bool visible_ = false;
    bool running_ = false;
    bool minimized_ = false;
    int result_ = 0;
    int icon_ = 0;
    int updates_ = 0;
    Rect geometry_;
};

}  // namespace halvo::ui::testing
