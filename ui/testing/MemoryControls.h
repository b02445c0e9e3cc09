// SPDX-License-Identifier: GPL-3.0-or-later
// The in-memory backend's controls: each interface of ui/Controls.h over plain values.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace halvo::ui::testing {

// The edits' limit when none is set, as the original platform's.
inline constexpr int MEMORY_DEFAULT_TEXT_LIMIT = 32767;

template <class Interface>
class MemoryControl : public Interface {
  public:
    explicit MemoryControl(const ControlTemplate& control)
        : template_(control), enabled_(!control.Has(styleDisabled)) {}
    const ControlTemplate& Template() const override { return template_; }
    bool IsEnabled() const override { return enabled_; }
    void EnableWindow(bool enabled) override { enabled_ = enabled; }
    bool IsVisible() const override { return visible_; }
    void ShowWindow(bool visible) override { visible_ = visible; }

  private:
    const ControlTemplate& template_;
    bool enabled_;
    bool visible_ = true;
};

class MemoryText : public MemoryControl<StaticText> {
  public:
    explicit MemoryText(const ControlTemplate& control);
    std::string GetWindowText() const override { return text_; }
    void SetWindowText(std::string_view text) override { text_ = std::string(text); }

  private:
    std::string text_;
};

class MemoryButton : public MemoryControl<PushButton> {
  public:
    explicit MemoryButton(const ControlTemplate& control)
        : MemoryControl(control), text_(control.text) {}
    std::string GetWindowText() const override { return text_; }
    void SetWindowText(std::string_view text) override { text_ = std::string(text); }

  private:
    std::string text_;
};

class MemoryCheckBox : public MemoryControl<CheckBox> {
  public:
    using MemoryControl::MemoryControl;
    bool GetCheck() const override { return checked_; }
    void SetCheck(bool checked) override { checked_ = checked; }

  private:
    bool checked_ = false;
};

class MemoryGroupBox : public MemoryControl<GroupBox> {
  public:
    using MemoryControl::MemoryControl;
};
class MemoryFrame : public MemoryControl<Frame> {
  public:
    using MemoryControl::MemoryControl;
};
class MemoryPicture : public MemoryControl<Picture> {
  public:
    using MemoryControl::MemoryControl;
};

class MemoryEdit : public MemoryControl<Edit> {
  public:
    using MemoryControl::MemoryControl;
    void LimitText(int characters) override {
        limit_ = characters > 0 ? characters : MEMORY_DEFAULT_TEXT_LIMIT;
    }
    int GetLimitText() const override { return limit_; }
    void LimitBytes(const platform::TextCodec& codec, int bytes) override;
    bool IsMasked() const override { return Template().Has(stylePassword); }
    std::string GetWindowText() const override { return text_; }
    void SetWindowText(std::string_view text) override { text_ = std::string(text); }
    void WipeText() override;
    // The user types `text` over the whole field, a character at a time: a character past the
    // limit, or one whose bytes in the code page would pass the byte limit, is refused.
    void Typed(std::string_view text);

  private:
    std::string text_;
    int limit_ = MEMORY_DEFAULT_TEXT_LIMIT;
    const platform::TextCodec* byteCodec_ = nullptr;
    std::size_t byteLimit_ = 0;
};

class MemoryListBox : public MemoryControl<ListBox> {
  public:
    using MemoryControl::MemoryControl;
    int AddString(std::string_view text) override;
    int GetCount() const override { return static_cast<int>(rows_.size()); }
    int GetCurSel() const override { return selected_; }
    void SetCurSel(int index) override;
    int DeleteString(int index) override;
    std::string GetText(int index) const override;
    void ResetContent() override;

  private:
    std::vector<std::string> rows_;
    int selected_ = -1;
};

class MemoryListView : public MemoryControl<ListView> {
  public:
    using MemoryControl::MemoryControl;
    int InsertColumn(int column, std::string_view heading, Align align, int widthPx) override;
    int GetColumnCount() const override { return static_cast<int>(columns_.size()); }
    std::string GetColumnHeading(int column) const override;
    int GetColumnWidth(int column) const override;
    Align GetColumnAlignment(int column) const override;
    void SetFullRowSelect(bool fullRow) override { fullRow_ = fullRow; }
    bool IsFullRowSelect() const override { return fullRow_; }
    int InsertItem(int row, std::string_view text) override;
    bool SetItemText(int row, int column, std::string_view text) override;
    std::string GetItemText(int row, int column) const override;
    bool DeleteItem(int row) override;
    void DeleteAllItems() override { rows_.clear(); }
    int GetItemCount() const override { return static_cast<int>(rows_.size()); }
    int GetSelectedRow() const override;
    void SetSelectedRow(int row) override;

  private:
    struct Column {
        std::string heading;
        Align align;
        int width;
    };
    struct Row {
        std::vector<std::string> cells;
        bool selected = false;
    };
    std::vector<Column> columns_;
    std::vector<Row> rows_;
    bool fullRow_ = false;
};

class MemoryComboBox : public MemoryControl<ComboBox> {
  public:
    explicit MemoryComboBox(const ControlTemplate& control);
    int AddString(std::string_view text) override;
    int GetCount() const override { return static_cast<int>(rows_.size()); }
    int GetCurSel() const override { return selected_; }
    void SetCurSel(int index) override;
    int DeleteString(int index) override;
    void ResetContent() override;
    std::string GetLBText(int index) const override;
    std::string GetWindowText() const override;
    void SetWindowText(std::string_view text) override;
    bool HasEditableField() const override { return Template().Has(styleDropDown); }
    // The user types into the editable field: no row stays selected.
    void Typed(std::string_view text);

  private:
    std::vector<std::string> rows_;
    int selected_ = -1;
    std::string field_;
};

class MemoryIpAddress : public MemoryControl<IpAddressControl> {
  public:
    using MemoryControl::MemoryControl;
    void ClearAddress() override { fields_ = {}; }
    bool IsBlank() const override;
    bool IsComplete() const override;
    // The user types `dotted` field by field; each field refuses what would make it more than
    // three digits, above 255 or with a leading zero.
    void Typed(std::string_view dotted);

  protected:
    std::array<int, 4> Fields() const override;
    void ShowFields(const std::array<int, 4>& fields) override;

  private:
    std::array<std::string, 4> fields_{};
};

class MemoryDatePicker : public MemoryControl<DatePicker> {
  public:
    explicit MemoryDatePicker(const ControlTemplate& control);
    Date GetDate() const override { return value_; }
    void SetDate(const Date& value) override;
    void SetRange(const Date& first, const Date& last) override;

  private:
    Date value_;
    Date first_{1752, 9, 14};
    Date last_{9999, 12, 31};
};

class MemoryTimePicker : public MemoryControl<TimePicker> {
  public:
    explicit MemoryTimePicker(const ControlTemplate& control);
    TimeOfDay GetTime() const override { return value_; }
    void SetTime(const TimeOfDay& value) override { value_ = value; }

  private:
    TimeOfDay value_;
};

// The control a template entry becomes.
std::unique_ptr<Control> MakeMemoryControl(const ControlTemplate& control);

}  // namespace halvo::ui::testing
