// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/testing/MemoryControls.h"

#include "ui/ControlRules.h"
#include "ui/Utf8.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace halvo::ui::testing {

namespace {

std::tm LocalNow() {
    // The backend runs on the test's one thread, so the C library's shared result is safe here,
    // and it is the one call every system has.
    const std::time_t now = std::time(nullptr);
    return *std::localtime(&now);
}

}  // namespace

MemoryText::MemoryText(const ControlTemplate& control)
    : MemoryControl(control), text_(ShownText(control)) {}

void MemoryEdit::WipeText() {
    volatile char* bytes = text_.data();
    for (std::size_t i = 0; i < text_.size(); ++i) {
        bytes[i] = '\0';
    }
    text_.clear();
}

void MemoryEdit::LimitBytes(const platform::TextCodec& codec, int bytes) {
    LimitText(bytes);  // every character takes at least one byte
    byteCodec_ = &codec;
    byteLimit_ = static_cast<std::size_t>(bytes);
}

void MemoryEdit::Typed(std::string_view text) {
    text = FirstCharacters(text, static_cast<std::size_t>(limit_));
    text_.clear();
    while (!text.empty()) {
        const std::size_t length = FirstCharacters(text, 1).size();
        const std::string candidate = text_ + std::string(text.substr(0, length));
        if (byteCodec_ == nullptr || FitsByteLimit(*byteCodec_, byteLimit_, candidate)) {
            text_ = candidate;
        }
        text.remove_prefix(length);
    }
}

int MemoryListBox::AddString(std::string_view text) {
    rows_.emplace_back(text);
    return GetCount() - 1;
}

void MemoryListBox::SetCurSel(int index) {
    selected_ = index >= 0 && index < GetCount() ? index : -1;
}

int MemoryListBox::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) {
        return -1;
    }
    rows_.erase(rows_.begin() + index);
    if (selected_ == index) {
        selected_ = -1;
    } else if (selected_ > index) {
        --selected_;
    }
    return GetCount();
}

std::string MemoryListBox::GetText(int index) const {
    return index >= 0 && index < GetCount() ? rows_[static_cast<std::size_t>(index)]
                                            : std::string();
}

void MemoryListBox::ResetContent() {
    rows_.clear();
    selected_ = -1;
}

int MemoryListView::InsertColumn(int column, std::string_view heading, Align align, int widthPx) {
    column = std::clamp(column, 0, GetColumnCount());
    columns_.insert(columns_.begin() + column, Column{std::string(heading), align, widthPx});
    for (Row& row : rows_) {
        row.cells.insert(row.cells.begin() + column, std::string());
    }
    return column;
}

std::string MemoryListView::GetColumnHeading(int column) const {
    return column >= 0 && column < GetColumnCount()
               ? columns_[static_cast<std::size_t>(column)].heading
               : std::string();
}

int MemoryListView::GetColumnWidth(int column) const {
    return column >= 0 && column < GetColumnCount()
               ? columns_[static_cast<std::size_t>(column)].width
               : 0;
}

Align MemoryListView::GetColumnAlignment(int column) const {
    return column >= 0 && column < GetColumnCount()
               ? columns_[static_cast<std::size_t>(column)].align
               : Align::left;
}

int MemoryListView::InsertItem(int row, std::string_view text) {
    row = std::clamp(row, 0, GetItemCount());
    Row inserted;
    inserted.cells.resize(columns_.size());
    if (!inserted.cells.empty()) {
        inserted.cells[0] = std::string(text);
    }
    rows_.insert(rows_.begin() + row, std::move(inserted));
    return row;
}

bool MemoryListView::SetItemText(int row, int column, std::string_view text) {
    if (row < 0 || row >= GetItemCount() || column < 0 || column >= GetColumnCount()) {
        return false;
    }
    rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)] =
        std::string(text);
    return true;
}

std::string MemoryListView::GetItemText(int row, int column) const {
    if (row < 0 || row >= GetItemCount() || column < 0 || column >= GetColumnCount()) {
        return std::string();
    }
    return rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
}

bool MemoryListView::DeleteItem(int row) {
    if (row < 0 || row >= GetItemCount()) {
        return false;
    }
    rows_.erase(rows_.begin() + row);
    return true;
}

int MemoryListView::GetSelectedRow() const {
    for (int row = 0; row < GetItemCount(); ++row) {
        if (rows_[static_cast<std::size_t>(row)].selected) {
            return row;
        }
    }
    return -1;
}

void MemoryListView::SetSelectedRow(int row) {
    for (int r = 0; r < GetItemCount(); ++r) {
        rows_[static_cast<std::size_t>(r)].selected = r == row;
    }
}

MemoryComboBox::MemoryComboBox(const ControlTemplate& control) : MemoryControl(control) {
    for (const std::string& item : control.items) {
        rows_.push_back(item);
    }
}

int MemoryComboBox::AddString(std::string_view text) {
    rows_.emplace_back(text);
    return GetCount() - 1;
}

void MemoryComboBox::SetCurSel(int index) {
    selected_ = index >= 0 && index < GetCount() ? index : -1;
    field_ = selected_ >= 0 ? rows_[static_cast<std::size_t>(selected_)] : std::string();
}

int MemoryComboBox::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) {
        return -1;
    }
    rows_.erase(rows_.begin() + index);
    if (selected_ == index) {
        SetCurSel(-1);
    } else if (selected_ > index) {
        --selected_;
    }
    return GetCount();
}

void MemoryComboBox::ResetContent() {
    rows_.clear();
    SetCurSel(-1);
}

std::string MemoryComboBox::GetLBText(int index) const {
    return index >= 0 && index < GetCount() ? rows_[static_cast<std::size_t>(index)]
                                            : std::string();
}

std::string MemoryComboBox::GetWindowText() const {
    if (HasEditableField()) {
        return field_;
    }
    return selected_ >= 0 ? rows_[static_cast<std::size_t>(selected_)] : std::string();
}

void MemoryComboBox::SetWindowText(std::string_view text) {
    if (HasEditableField()) {
        field_ = std::string(text);
    }
}

void MemoryComboBox::Typed(std::string_view text) {
    selected_ = -1;
    field_ = std::string(text);
}

std::array<int, 4> MemoryIpAddress::Fields() const {
    std::array<int, 4> values{};
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        values[i] = fields_[i].empty() ? 0 : std::stoi(fields_[i]);
    }
    return values;
}

void MemoryIpAddress::ShowFields(const std::array<int, 4>& fields) {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        fields_[i] = std::to_string(fields[i]);
    }
}

bool MemoryIpAddress::IsBlank() const {
    return std::all_of(fields_.begin(), fields_.end(),
                       [](const std::string& f) { return f.empty(); });
}

bool MemoryIpAddress::IsComplete() const {
    return std::none_of(fields_.begin(), fields_.end(),
                        [](const std::string& f) { return f.empty(); });
}

void MemoryIpAddress::Typed(std::string_view dotted) {
    ClearAddress();
    std::size_t field = 0;
    for (const char c : dotted) {
        if (c == '.') {
            // '.' moves on from a field that holds something; it is never part of one.
            if (field + 1 < fields_.size() && !fields_[field].empty()) {
                ++field;
            }
            continue;
        }
        std::string candidate = fields_[field] + c;
        if (AddressFieldTakes(candidate)) {
            fields_[field] = std::move(candidate);
            if (fields_[field].size() == 3 && field + 1 < fields_.size()) {
                ++field;  // a full field moves on
            }
        }
    }
}

MemoryDatePicker::MemoryDatePicker(const ControlTemplate& control) : MemoryControl(control) {
    const std::tm now = LocalNow();
    value_ = Date{now.tm_year + 1900, now.tm_mon + 1, now.tm_mday};
}

void MemoryDatePicker::SetDate(const Date& value) {
    value_ = ClampDate(value, first_, last_);
}

void MemoryDatePicker::SetRange(const Date& first, const Date& last) {
    first_ = first;
    last_ = last;
    SetDate(value_);
}

MemoryTimePicker::MemoryTimePicker(const ControlTemplate& control) : MemoryControl(control) {
    const std::tm now = LocalNow();
    value_ = TimeOfDay{now.tm_hour, now.tm_min, now.tm_sec};
}

std::unique_ptr<Control> MakeMemoryControl(const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::pushButton:
        case ControlKind::defPushButton:
            return std::make_unique<MemoryButton>(control);
        case ControlKind::checkBox:
            return std::make_unique<MemoryCheckBox>(control);
        case ControlKind::groupBox:
            return std::make_unique<MemoryGroupBox>(control);
        case ControlKind::label:
        case ControlKind::valueField:
            return std::make_unique<MemoryText>(control);
        case ControlKind::etchedLine:
        case ControlKind::etchedFrame:
            return std::make_unique<MemoryFrame>(control);
        case ControlKind::listBox:
            return std::make_unique<MemoryListBox>(control);
        case ControlKind::listView:
            return std::make_unique<MemoryListView>(control);
        case ControlKind::comboBox:
            return std::make_unique<MemoryComboBox>(control);
        case ControlKind::edit:
            return std::make_unique<MemoryEdit>(control);
        case ControlKind::datePicker:
            return std::make_unique<MemoryDatePicker>(control);
        case ControlKind::timePicker:
            return std::make_unique<MemoryTimePicker>(control);
        case ControlKind::ipAddress:
            return std::make_unique<MemoryIpAddress>(control);
        case ControlKind::picture:
        case ControlKind::icon:
            return std::make_unique<MemoryPicture>(control);
    }
    return std::make_unique<MemoryFrame>(control);
}

}  // namespace halvo::ui::testing
