// SPDX-License-Identifier: GPL-3.0-or-later
// The controls a dialog binds by identifier, as small interfaces over whatever the backend draws.
// Texts are UTF-8. Every change made through these operations is programmatic and never runs a
// handler of the dialog; only the user's actions do (a click, a chosen row), as notifications.
//
//   template kind                  interface
//   label, valueField              StaticText
//   pushButton, defPushButton      PushButton  ('&' marks the mnemonic, "&&" is a literal '&')
//   checkBox                       CheckBox
//   groupBox                       GroupBox    (a frame drawn at its rectangle; never a parent)
//   etchedLine, etchedFrame        Frame
//   picture, icon                  Picture
//   edit                           Edit
//   listBox                        ListBox
//   listView                       ListView    (report mode)
//   comboBox                       ComboBox
//   datePicker, timePicker         DatePicker, TimePicker
//   ipAddress                      IpAddressControl
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/TextCodec.h"
#include "ui/DialogTemplate.h"

namespace halvo::ui {

// A calendar date and a time of day, as the pickers hold them.
struct Date {
    int year = 1970;
    int month = 1;
    int day = 1;
    bool operator==(const Date&) const = default;
};

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const TimeOfDay&) const = default;
};

// Horizontal alignment of a list-view column.
enum class Align { left, center, right };

class Control {
  public:
    static constexpr const char* kTypeName = "Control";
    virtual ~Control() = default;

    virtual const ControlTemplate& Template() const = 0;
    int Id() const { return Template().id; }
    ControlKind Kind() const { return Template().kind; }

    virtual bool IsEnabled() const = 0;
    virtual void EnableWindow(bool enabled) = 0;
    // Hidden controls are skipped by the tab order.
    virtual bool IsVisible() const = 0;
    virtual void ShowWindow(bool visible) = 0;
};

// A label or a value field: the text shown. A label without the noPrefix style shows "&x" as x.
class StaticText : public Control {
  public:
    static constexpr const char* kTypeName = "StaticText";
    virtual std::string GetWindowText() const = 0;
    virtual void SetWindowText(std::string_view text) = 0;
    void Clear() { SetWindowText({}); }
};

class PushButton : public Control {
  public:
    static constexpr const char* kTypeName = "PushButton";
    virtual std::string GetWindowText() const = 0;  // the caption, with its '&'
    virtual void SetWindowText(std::string_view text) = 0;
};

// A click notifies; the auto style toggles the check first, a plain check box leaves it to the
// dialog.
class CheckBox : public Control {
  public:
    static constexpr const char* kTypeName = "CheckBox";
    virtual bool GetCheck() const = 0;
    virtual void SetCheck(bool checked) = 0;
};

class GroupBox : public Control {
  public:
    static constexpr const char* kTypeName = "GroupBox";
};
class Frame : public Control {
  public:
    static constexpr const char* kTypeName = "Frame";
};
class Picture : public Control {
  public:
    static constexpr const char* kTypeName = "Picture";
};

// Single-line edit.
class Edit : public Control {
  public:
    static constexpr const char* kTypeName = "Edit";
    // At most `characters` can be typed; 0 lifts the limit.
    virtual void LimitText(int characters) = 0;
    virtual int GetLimitText() const = 0;
    // At most `bytes` in the device's code page: a character that would not fit whole is not
    // taken. A character the code page cannot hold is taken; the dialog says so when it reads it.
    virtual void LimitBytes(const platform::TextCodec& codec, int bytes) = 0;
    // Password style: every character shows as a mask.
    virtual bool IsMasked() const = 0;
    virtual std::string GetWindowText() const = 0;
    virtual void SetWindowText(std::string_view text) = 0;
    // Empties the edit and overwrites the text it held (and any undo copy): for secrets.
    virtual void WipeText() = 0;
};

// Unsorted single-selection list box. With the notify style, the user's selection notifies:
// the selection moved, or a click landed on the entry already selected.
class ListBox : public Control {
  public:
    static constexpr const char* kTypeName = "ListBox";
    virtual int AddString(std::string_view text) = 0;  // appends; the new entry's index
    virtual int GetCount() const = 0;
    virtual int GetCurSel() const = 0;      // -1 for none
    virtual void SetCurSel(int index) = 0;  // -1 or a bad index clears the selection
    // Removes entry `index`; the number of entries left, or -1 for a bad index.
    virtual int DeleteString(int index) = 0;
    virtual std::string GetText(int index) const = 0;  // empty for a bad index
    virtual void ResetContent() = 0;
};

// List view in report mode: columns with headings, rows of cell texts. Never notifies.
class ListView : public Control {
  public:
    static constexpr const char* kTypeName = "ListView";
    // Inserts a column at `column` (clamped to the end); width in pixels at 96 dpi, which the
    // backend scales by its window's dpi (ScaleForDpi). Returns its index.
    virtual int InsertColumn(int column, std::string_view heading, Align align, int widthPx) = 0;
    virtual int GetColumnCount() const = 0;
    virtual std::string GetColumnHeading(int column) const = 0;
    virtual int GetColumnWidth(int column) const = 0;
    virtual Align GetColumnAlignment(int column) const = 0;
    // Whole rows (true) or only the first cell (false) take the selection.
    virtual void SetFullRowSelect(bool fullRow) = 0;
    virtual bool IsFullRowSelect() const = 0;
    // Inserts a row before `row` (clamped to the end) with `text` in column 0; its index.
    virtual int InsertItem(int row, std::string_view text) = 0;
    virtual bool SetItemText(int row, int column, std::string_view text) = 0;
    virtual std::string GetItemText(int row, int column) const = 0;  // empty for a bad cell
    // The rows that stay keep their selection.
    virtual bool DeleteItem(int row) = 0;
    virtual void DeleteAllItems() = 0;
    virtual int GetItemCount() const = 0;
    virtual int GetSelectedRow() const = 0;    // first selected row, -1 for none
    virtual void SetSelectedRow(int row) = 0;  // -1 clears the selection
};

// Drop-down combo box: rows shown literally with an editable field (style dropDown) or a plain
// selection field (dropDownList). The user's choice of a row notifies. Typing into the editable
// field leaves no row selected: only a chosen row counts.
class ComboBox : public Control {
  public:
    static constexpr const char* kTypeName = "ComboBox";
    virtual int AddString(std::string_view text) = 0;  // appends; never selects
    virtual int GetCount() const = 0;
    virtual int GetCurSel() const = 0;  // -1 for none
    // Selects `index` and shows it in the field; -1 clears the selection and the field.
    virtual void SetCurSel(int index) = 0;
    virtual int DeleteString(int index) = 0;  // rows left, or -1 for a bad index
    virtual void ResetContent() = 0;
    virtual std::string GetLBText(int index) const = 0;  // empty for a bad index
    // The field: the typed text for an editable field, else the selected row's text.
    virtual std::string GetWindowText() const = 0;
    virtual void SetWindowText(std::string_view text) = 0;  // editable field only
    virtual bool HasEditableField() const = 0;
};

// Four fields of 0..255 separated by dots.
class IpAddressControl : public Control {
  public:
    static constexpr const char* kTypeName = "IpAddressControl";
    // Dotted text; blank fields read as 0. Empty when every field is blank.
    std::string GetAddress() const;
    // Takes "a.b.c.d" with each part 0..255 (leading zeros allowed); an empty text blanks the
    // control. Anything else leaves the control blank and returns false.
    bool SetAddress(std::string_view dotted);
    virtual void ClearAddress() = 0;
    virtual bool IsBlank() const = 0;
    // True when no field is blank (a blank field would read as 0).
    virtual bool IsComplete() const = 0;

  protected:
    // The four fields' values, a blank one as 0.
    virtual std::array<int, 4> Fields() const = 0;
    // Shows `fields` in the four fields.
    virtual void ShowFields(const std::array<int, 4>& fields) = 0;
};

// Short date format. Starts at the workstation's current date.
class DatePicker : public Control {
  public:
    static constexpr const char* kTypeName = "DatePicker";
    virtual Date GetDate() const = 0;
    virtual void SetDate(const Date& value) = 0;  // clamped to the range
    virtual void SetRange(const Date& first, const Date& last) = 0;
};

// Starts at the workstation's current time.
class TimePicker : public Control {
  public:
    static constexpr const char* kTypeName = "TimePicker";
    virtual TimeOfDay GetTime() const = 0;
    virtual void SetTime(const TimeOfDay& value) = 0;
};

}  // namespace halvo::ui
