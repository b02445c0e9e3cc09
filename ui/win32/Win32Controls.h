// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 backend's controls: each interface of ui/Controls.h over the window of a common
// control that the dialog manager created from the in-memory template.
#pragma once

#include "ui/win32/Windows.h"

#include <optional>
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace halvo::ui::win32 {

// The window text as UTF-8, and back.
std::string WindowText(HWND window);
void SetWindowTextUtf8(HWND window, std::string_view text);

// What every control of this backend is besides its interface: the window of a common control.
class Win32ControlWindow {
  public:
    explicit Win32ControlWindow(HWND window) : hwnd_(window) {}
    virtual ~Win32ControlWindow() = default;
    Win32ControlWindow(const Win32ControlWindow&) = delete;
    Win32ControlWindow& operator=(const Win32ControlWindow&) = delete;
    HWND Hwnd() const { return hwnd_; }

  private:
    HWND hwnd_;
};

template <class Interface>
class Win32Control : public Interface, public Win32ControlWindow {
  public:
    Win32Control(const ControlTemplate& control, HWND window)
        : Win32ControlWindow(window), template_(control) {}
    const ControlTemplate& Template() const override { return template_; }
    bool IsEnabled() const override { return ::IsWindowEnabled(Hwnd()) != FALSE; }
    void EnableWindow(bool enabled) override { ::EnableWindow(Hwnd(), enabled ? TRUE : FALSE); }
    // The control's own visibility, whether or not its window is on show.
    bool IsVisible() const override {
        return (::GetWindowLongPtrW(Hwnd(), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    void ShowWindow(bool visible) override { ::ShowWindow(Hwnd(), visible ? SW_SHOWNA : SW_HIDE); }

  private:
    const ControlTemplate& template_;
};

// The window of a control of this backend; null for none.
HWND HwndOf(const Control* control);

// A list filled row by row inside a handler paints once, not once a row: its painting is held
// from its first change until the message loop runs again (a posted message lets it go), or
// until the window is asked to paint now (ResumeRedraw).
class RedrawHold {
  public:
    explicit RedrawHold(HWND window);
    ~RedrawHold();
    RedrawHold(const RedrawHold&) = delete;
    RedrawHold& operator=(const RedrawHold&) = delete;
    // Before a change of rows.
    void Hold();

  private:
    static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
    HWND window_;
    bool held_ = false;
};

// Lets a held list paint again now (any other window ignores it).
void ResumeRedraw(HWND window);

class Win32StaticText final : public Win32Control<StaticText> {
  public:
    using Win32Control::Win32Control;
    std::string GetWindowText() const override { return WindowText(Hwnd()); }
    void SetWindowText(std::string_view text) override { SetWindowTextUtf8(Hwnd(), text); }
};

class Win32PushButton final : public Win32Control<PushButton> {
  public:
    using Win32Control::Win32Control;
    std::string GetWindowText() const override { return WindowText(Hwnd()); }
    void SetWindowText(std::string_view text) override { SetWindowTextUtf8(Hwnd(), text); }
};

class Win32CheckBox final : public Win32Control<CheckBox> {
  public:
    using Win32Control::Win32Control;
    bool GetCheck() const override;
    void SetCheck(bool checked) override;
};

class Win32GroupBox final : public Win32Control<GroupBox> {
  public:
    using Win32Control::Win32Control;
};
class Win32Frame final : public Win32Control<Frame> {
  public:
    using Win32Control::Win32Control;
};
class Win32Picture final : public Win32Control<Picture> {
  public:
    using Win32Control::Win32Control;
};

class Win32Edit final : public Win32Control<Edit> {
  public:
    Win32Edit(const ControlTemplate& control, HWND window);
    ~Win32Edit() override;
    void LimitText(int characters) override;
    int GetLimitText() const override;
    void LimitBytes(const platform::TextCodec& codec, int bytes) override;
    bool IsMasked() const override;
    std::string GetWindowText() const override { return WindowText(Hwnd()); }
    void SetWindowText(std::string_view text) override { SetWindowTextUtf8(Hwnd(), text); }
    void WipeText() override;

  private:
    static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
    // True when the edit's text with `typed` in place of the selection stays in the byte limit.
    bool Fits(std::wstring_view typed) const;

    const platform::TextCodec* byteCodec_ = nullptr;
    std::size_t byteLimit_ = 0;
};

class Win32ListBox final : public Win32Control<ListBox> {
  public:
    Win32ListBox(const ControlTemplate& control, HWND window);
    ~Win32ListBox() override;
    int AddString(std::string_view text) override;
    int GetCount() const override;
    int GetCurSel() const override;
    void SetCurSel(int index) override;
    int DeleteString(int index) override;
    std::string GetText(int index) const override;
    void ResetContent() override;

    // The window told its dialog that the user's selection changed.
    void Notified() { notified_ = true; }

  private:
    static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
    bool notified_ = false;  // during a click: the list box has told already
    RedrawHold hold_{Hwnd()};
};

// Column widths come and go at 96 dpi (the design's pixels); the control holds them at its
// window's dpi.
class Win32ListView final : public Win32Control<ListView> {
  public:
    Win32ListView(const ControlTemplate& control, HWND window);
    // The window moved to `dpi`: every column keeps its width at 96 dpi, the user's own widths
    // included.
    void FollowDpi(int dpi);
    int InsertColumn(int column, std::string_view heading, Align align, int widthPx) override;
    int GetColumnCount() const override;
    std::string GetColumnHeading(int column) const override;

    int GetColumnWidth(int column) const override;
    Align GetColumnAlignment(int column) const override;
    void SetFullRowSelect(bool fullRow) override;
    bool IsFullRowSelect() const override;
    int InsertItem(int row, std::string_view text) override;
    bool SetItemText(int row, int column, std::string_view text) override;
    std::string GetItemText(int row, int column) const override;
    bool DeleteItem(int row) override;
    void DeleteAllItems() override;
    int GetItemCount() const override;
    int GetSelectedRow() const override;
    void SetSelectedRow(int row) override;

  private:
    RedrawHold hold_{Hwnd()};
    int dpi_;                  // the dpi the columns are laid out for
    std::vector<int> widths_;  // each column's width as given, at 96 dpi
};

class Win32ComboBox final : public Win32Control<ComboBox> {
  public:
    using Win32Control::Win32Control;
    int AddString(std::string_view text) override;
    int GetCount() const override;
    int GetCurSel() const override;
    void SetCurSel(int index) override;
    int DeleteString(int index) override;
    void ResetContent() override;
    std::string GetLBText(int index) const override;
    std::string GetWindowText() const override { return WindowText(Hwnd()); }
    void SetWindowText(std::string_view text) override;
    bool HasEditableField() const override;

    // The window's notifications: the user chose a row, or typed into the field.
    void Chosen() { typed_ = false; }
    void Typed() { typed_ = true; }

  private:
    bool typed_ = false;  // typed into since the last chosen row: no row counts
};

class Win32IpAddressControl final : public Win32Control<IpAddressControl> {
  public:
    Win32IpAddressControl(const ControlTemplate& control, HWND window, const std::string& name);
    ~Win32IpAddressControl() override;
    void ClearAddress() override;
    bool IsBlank() const override;
    bool IsComplete() const override;

  protected:
    std::array<int, 4> Fields() const override;
    void ShowFields(const std::array<int, 4>& fields) override;

  private:
    // A field refuses a digit that would take it above 255.
    static LRESULT CALLBACK FieldFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR);
    std::vector<HWND> fields_;
};

class Win32DatePicker final : public Win32Control<DatePicker> {
  public:
    using Win32Control::Win32Control;
    Date GetDate() const override;
    void SetDate(const Date& value) override;
    void SetRange(const Date& first, const Date& last) override;

  private:
    std::optional<Date> first_;
    std::optional<Date> last_;
};

class Win32TimePicker final : public Win32Control<TimePicker> {
  public:
    using Win32Control::Win32Control;
    TimeOfDay GetTime() const override;
    void SetTime(const TimeOfDay& value) override;
};

}  // namespace halvo::ui::win32
