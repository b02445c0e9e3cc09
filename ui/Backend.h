// SPDX-License-Identifier: GPL-3.0-or-later
// The seam between the dialogs and a toolkit. The core (Dialog) hands the backend a dialog's
// whole parsed template; the backend builds the window and its controls the toolkit's way
// (geometry from dialog units and the font, focus, keys, painting) and gives the controls back
// by template index. The window reports the user's actions to the dialog through WindowEvents;
// programmatic changes report nothing.
//
// Backends: ui/qt (Qt widgets), ui/win32 (the common controls, from in-memory dialog templates),
// ui/testing (controls in memory, driven by tests).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/MessageBoxes.h"
#include "ui/Controls.h"
#include "ui/DialogTemplate.h"
#include "ui/DialogUnits.h"
#include "ui/Geometry.h"
#include "ui/ResourceStore.h"
#include "ui/TextFit.h"

namespace halvo::ui {

// The keys the dialog rules are about; every other key stays with the toolkit.
enum class Key {
    enter,   // Return or Enter
    escape,  // Esc without modifiers
    menu,    // the Menu key or Shift+F10: the window menu
    other,   // any other key: only PreTranslateKey looks at it
};

struct MenuItem {
    int id = 0;  // 0 with an empty text: a separator
    std::string text;
    bool operator==(const MenuItem&) const = default;
};

// What a window tells its dialog. Only the user's actions come through here.
class WindowEvents {
  public:
    virtual ~WindowEvents() = default;
    // Control `id` notified: a click, a chosen row.
    virtual void OnNotify(int id) = 0;
    // A key pressed while the window (or a control in it) has the focus; true when taken.
    virtual bool OnKey(Key key) = 0;
    // The close box. True lets the window close (it is not in a modal run).
    virtual bool OnClose() = 0;
    // The window menu was asked for at `screen` (a right click); true when there is one.
    virtual bool OnContextMenu(std::optional<Point> screen) = 0;
    // The modal run is ending with `result`.
    virtual void OnEnded(int result) = 0;
};

class Window {
  public:
    virtual ~Window() = default;

    // The control at `index` in template order; every template control has one.
    virtual Control* ControlAt(int index) const = 0;
    // The index of the control holding the keyboard focus; -1 for none (or one of a child
    // dialog's).
    virtual int FocusedIndex() const = 0;
    // Focus to the control now, or when the window is first shown.
    virtual void SetFocus(int index) = 0;
    // The control's rectangle in the window's pixels.
    virtual Rect ControlRect(int index) const = 0;
    virtual BaseUnits GetBaseUnits() const = 0;
    // Dialog units to the window's pixels (client edge included).
    virtual Rect MapDialogRect(const Rect& dialogUnits) const = 0;
    // Each text the control at `index` shows, measured with the toolkit's own text metrics in
    // the control's font against the room the control leaves for it (ui/TextFit.h); nothing for
    // a control that shows no text.
    virtual std::vector<TextRoom> MeasureTexts(int index) const = 0;

    // Shows the window modally until EndModal; returns its result.
    virtual int RunModal() = 0;
    virtual void EndModal(int result) = 0;
    virtual bool IsVisible() const = 0;
    virtual void Show(bool visible) = 0;
    // Moves and sizes the window, in its parent's pixels.
    virtual void Move(const Rect& pixels) = 0;
    virtual void Minimize() = 0;
    // As the close box: asks the dialog (OnClose) first.
    virtual void Close() = 0;
    virtual std::string Title() const = 0;
    virtual void SetIcon(int iconId) = 0;
    // Shows `items` as a popup menu at `screen` (none: at the focused control) and returns the
    // chosen id, 0 for none.
    virtual int TrackMenu(const std::vector<MenuItem>& items, std::optional<Point> screen) = 0;
    // Paints what changed now, every time it is asked, inside a handler that keeps the event loop
    // from running. Pacing, where a caller wants it, is the dialog's (Dialog::UpdateWindow).
    virtual void Update() = 0;
    // The toolkit's window, as owners of message boxes are passed.
    virtual platform::WindowHandle Handle() const = 0;
};

class Backend {
  public:
    virtual ~Backend() = default;
    // Builds the window of `dialogTemplate` with every control, hidden. A child window is built
    // inside `parent`, without title or border; a top-level one is owned by `parent` (may be
    // null). Images come from `store`. `events` must outlive the window.
    virtual std::unique_ptr<Window> CreateDialogWindow(const DialogTemplate& dialogTemplate,
                                                       const ResourceStore& store,
                                                       WindowEvents& events, Window* parent,
                                                       bool child) = 0;
};

}  // namespace halvo::ui
