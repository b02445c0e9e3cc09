// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 backend: each dialog's window is made by the dialog manager from an in-memory
// extended template (DialogTemplateEx.h), holding the common controls of Win32Controls.h. Modal
// runs have their own message loop, in which Enter, Esc and the other keys go to the dialog
// first (the dialog rules are the core's) and the dialog manager then does Tab, the arrows and
// the mnemonics.
#pragma once

#include "ui/win32/Windows.h"

#include <memory>
#include <optional>
#include <vector>

#include "ui/Backend.h"
#include "ui/Dialog.h"
#include "ui/win32/Win32EventWait.h"

namespace halvo::ui::win32 {

class Win32Backend final : public Backend {
  public:
    // Registers the common controls' classes and starts COM on this thread (the accessible
    // names need it). `instance` owns the dialogs.
    explicit Win32Backend(HINSTANCE instance = ::GetModuleHandleW(nullptr));
    ~Win32Backend() override;
    Win32Backend(const Win32Backend&) = delete;
    Win32Backend& operator=(const Win32Backend&) = delete;

    std::unique_ptr<Window> CreateDialogWindow(const DialogTemplate& dialogTemplate,
                                               const ResourceStore& store, WindowEvents& events,
                                               Window* parent, bool child) override;

    // One message of a loop: the dialogs' keys and the dialog manager first, then the window.
    // Every loop of the program that runs windows passes its messages through here.
    static void Dispatch(MSG& msg);

    // The live wait on this backend's message queue.
    EventWait& eventWait() { return wait_; }

  private:
    HINSTANCE instance_;
    bool com_ = false;
    Win32EventWait wait_;
};

// A dialog's window on Win32.
class Win32Window final : public Window {
  public:
    // While `wait`'s busy cursor shows, the window keeps it.
    Win32Window(HINSTANCE instance, const DialogTemplate& dialogTemplate,
                const ResourceStore& store, WindowEvents& events, Win32Window* parent, bool child,
                const Win32EventWait& wait);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    Control* ControlAt(int index) const override;
    int FocusedIndex() const override;
    void SetFocus(int index) override;
    Rect ControlRect(int index) const override;
    BaseUnits GetBaseUnits() const override;
    Rect MapDialogRect(const Rect& dialogUnits) const override;
    std::vector<TextRoom> MeasureTexts(int index) const override;  // Win32TextRoom.cpp
    int RunModal() override;
    void EndModal(int result) override;
    bool IsVisible() const override;
    void Show(bool visible) override;
    void Move(const Rect& pixels) override;
    void Minimize() override;
    void Close() override;
    std::string Title() const override;
    void SetIcon(int iconId) override;
    int TrackMenu(const std::vector<MenuItem>& items, std::optional<Point> screen) override;
    void Update() override;
    platform::WindowHandle Handle() const override { return hwnd_; }

    HWND Hwnd() const { return hwnd_; }
    WindowEvents& Events() const { return events_; }
    bool InModalRun() const { return running_; }
    // The window of ours that `hwnd` is or lies in (the innermost: a page before its frame);
    // null for none.
    static Win32Window* Containing(HWND hwnd);
    // The window of ours `hwnd` is; null for any other.
    static Win32Window* FromHwnd(HWND hwnd);

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void MakeControls();
    void Command(int id, int code, HWND from);
    int IndexOfWindowId(int windowId) const;
    void FocusNow(int index);
    void HandBackActivation();
    // The pictures, the icons and the window's icon drawn for dpi_ (again after a change).
    void ShowImages();
    // The window moved to a screen of another dpi: what the dialog manager does not scale
    // itself (the columns and the images).
    void DpiChanged(int dpi);

    const DialogTemplate& template_;
    const ResourceStore& store_;
    WindowEvents& events_;
    const Win32EventWait& wait_;
    HWND hwnd_ = nullptr;
    std::vector<std::unique_ptr<Control>> controls_;  // template order
    std::vector<HWND> windows_;
    int dpi_ = 96;     // the dpi the images and columns are drawn for
    int iconId_ = -1;  // the window's icon; none below 0
    std::vector<HBITMAP> bitmaps_;
    std::vector<HICON> icons_;
    int pendingFocus_ = -1;
    bool running_ = false;
    bool ended_ = false;
    int result_ = 0;
};

// The Win32 window of a dialog created on this backend; null otherwise or before creation.
Win32Window* WindowOf(const Dialog& dialog);
// The window of control `id` of a dialog on this backend; null otherwise.
HWND ControlHwnd(const Dialog& dialog, int id);

}  // namespace halvo::ui::win32
