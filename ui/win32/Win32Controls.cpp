// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/win32/Win32Controls.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/WideText.h"
#include "ui/ControlRules.h"
#include "ui/DialogUnits.h"
#include "ui/win32/Accessibility.h"
#include "ui/win32/Dpi.h"

namespace halvo::ui::win32 {

using platform::win32::Narrow;
using platform::win32::Widen;

namespace {

std::wstring WideWindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

// The row count a list message answers, or -1 for its error value.
int Rows(LRESULT r) {
    return r < 0 ? -1 : static_cast<int>(r);
}

SYSTEMTIME ToSystemTime(const Date& d, const TimeOfDay& t) {
    SYSTEMTIME s{};
    s.wYear = static_cast<WORD>(d.year);
    s.wMonth = static_cast<WORD>(d.month);
    s.wDay = static_cast<WORD>(d.day);
    s.wHour = static_cast<WORD>(t.hour);
    s.wMinute = static_cast<WORD>(t.minute);
    s.wSecond = static_cast<WORD>(t.second);
    return s;
}

}  // namespace

std::string WindowText(HWND window) {
    return Narrow(WideWindowText(window));
}

void SetWindowTextUtf8(HWND window, std::string_view text) {
    ::SetWindowTextW(window, Widen(text).c_str());
}

HWND HwndOf(const Control* control) {
    const auto* window = dynamic_cast<const Win32ControlWindow*>(control);
    return window != nullptr ? window->Hwnd() : nullptr;
}

// --- held painting

namespace {
constexpr UINT kResumeRedraw = WM_APP + 0x48;  // "H"
constexpr UINT_PTR kHoldSubclass = 3;
}  // namespace

RedrawHold::RedrawHold(HWND window) : window_(window) {
    ::SetWindowSubclass(window, &RedrawHold::Subclass, kHoldSubclass,
                        reinterpret_cast<DWORD_PTR>(this));
}

RedrawHold::~RedrawHold() {
    ::RemoveWindowSubclass(window_, &RedrawHold::Subclass, kHoldSubclass);
}

void RedrawHold::Hold() {
    if (held_ || !::IsWindowVisible(window_)) {
        return;
    }
    held_ = true;
    ::SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
    ::PostMessageW(window_, kResumeRedraw, 0, 0);
}

LRESULT CALLBACK RedrawHold::Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR self) {
    if (message == kResumeRedraw) {
        auto* hold = reinterpret_cast<RedrawHold*>(self);
        if (hold->held_) {
            hold->held_ = false;
            ::SendMessageW(window, WM_SETREDRAW, TRUE, 0);
            ::RedrawWindow(window, nullptr, nullptr,
                           RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
        }
        return 0;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

void ResumeRedraw(HWND window) {
    ::SendMessageW(window, kResumeRedraw, 0, 0);
}

// --- check box

bool Win32CheckBox::GetCheck() const {
    return ::SendMessageW(Hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32CheckBox::SetCheck(bool checked) {
    ::SendMessageW(Hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// --- edit

Win32Edit::Win32Edit(const ControlTemplate& control, HWND window) : Win32Control(control, window) {
    ::SetWindowSubclass(window, &Win32Edit::Subclass, 1, reinterpret_cast<DWORD_PTR>(this));
}

Win32Edit::~Win32Edit() {
    ::RemoveWindowSubclass(Hwnd(), &Win32Edit::Subclass, 1);
}

void Win32Edit::LimitText(int characters) {
    // 0 lifts the limit, as on the original platform: the edit's own maximum.
    ::SendMessageW(Hwnd(), EM_SETLIMITTEXT, static_cast<WPARAM>(std::max(characters, 0)), 0);
}

int Win32Edit::GetLimitText() const {
    return static_cast<int>(::SendMessageW(Hwnd(), EM_GETLIMITTEXT, 0, 0));
}

void Win32Edit::LimitBytes(const platform::TextCodec& codec, int bytes) {
    LimitText(bytes);  // every character takes at least one byte
    byteCodec_ = &codec;
    byteLimit_ = static_cast<std::size_t>(std::max(bytes, 0));
}

bool Win32Edit::IsMasked() const {
    return (::GetWindowLongPtrW(Hwnd(), GWL_STYLE) & ES_PASSWORD) != 0;
}

void Win32Edit::WipeText() {
    // Overwrite the edit's own buffer with as many blanks before emptying it, and drop the
    // undo copy, so that no copy of the secret stays in the control's memory.
    const int length = ::GetWindowTextLengthW(Hwnd());
    if (length > 0) {
        const std::wstring blank(static_cast<std::size_t>(length), L'\0' + L' ');
        ::SendMessageW(Hwnd(), EM_SETSEL, 0, -1);
        ::SendMessageW(Hwnd(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(blank.c_str()));
    }
    ::SetWindowTextW(Hwnd(), L"");
    ::SendMessageW(Hwnd(), EM_EMPTYUNDOBUFFER, 0, 0);
}

bool Win32Edit::Fits(std::wstring_view typed) const {
    if (byteCodec_ == nullptr) {
        return true;
    }
    std::wstring text = WideWindowText(Hwnd());
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageW(Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    start = std::min<DWORD>(start, static_cast<DWORD>(text.size()));
    end = std::clamp<DWORD>(end, start, static_cast<DWORD>(text.size()));
    text.replace(start, end - start, typed);
    return FitsByteLimit(*byteCodec_, byteLimit_, Narrow(text));
}

LRESULT CALLBACK Win32Edit::Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR self) {
    auto* edit = reinterpret_cast<Win32Edit*>(self);
    if (message == WM_CHAR && wParam >= 0x20 && edit->byteCodec_ != nullptr) {
        // A character that would not fit whole is not taken (a surrogate pair is checked on
        // its first half as a whole character would be: both halves come as two WM_CHARs).
        const wchar_t c = static_cast<wchar_t>(wParam);
        if (!edit->Fits(std::wstring_view(&c, 1))) {
            ::MessageBeep(MB_OK);
            return 0;
        }
    }
    if (message == WM_PASTE && edit->byteCodec_ != nullptr) {
        // Pasted text is taken only as far as it fits whole characters.
        const std::wstring before = WideWindowText(window);
        const LRESULT r = ::DefSubclassProc(window, message, wParam, lParam);
        if (!FitsByteLimit(*edit->byteCodec_, edit->byteLimit_, Narrow(WideWindowText(window)))) {
            ::SetWindowTextW(window, before.c_str());
            ::MessageBeep(MB_OK);
        }
        return r;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

// --- list box

Win32ListBox::Win32ListBox(const ControlTemplate& control, HWND window)
    : Win32Control(control, window) {
    ::SetWindowSubclass(window, &Win32ListBox::Subclass, 1, reinterpret_cast<DWORD_PTR>(this));
}

Win32ListBox::~Win32ListBox() {
    ::RemoveWindowSubclass(Hwnd(), &Win32ListBox::Subclass, 1);
}

LRESULT CALLBACK Win32ListBox::Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR self) {
    auto* list = reinterpret_cast<Win32ListBox*>(self);
    // A second click soon after the first comes as a double click.
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        list->notified_ = false;
    }
    const LRESULT r = ::DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_LBUTTONUP && !list->notified_ &&
        (::GetWindowLongPtrW(window, GWL_STYLE) & LBS_NOTIFY) != 0) {
        // A click on the entry already selected changes nothing, so the list box says nothing;
        // for the dialog it is a choice all the same (the main window runs its query again).
        const LRESULT hit = ::SendMessageW(window, LB_ITEMFROMPOINT, 0, lParam);
        const int cursel = static_cast<int>(::SendMessageW(window, LB_GETCURSEL, 0, 0));
        if (HIWORD(hit) == 0 && static_cast<int>(LOWORD(hit)) == cursel && cursel >= 0) {
            ::SendMessageW(::GetParent(window), WM_COMMAND,
                           MAKEWPARAM(::GetDlgCtrlID(window), LBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(window));
        }
    }
    if (message == WM_LBUTTONUP) {
        list->notified_ = true;  // until the next click, changes are the dialog's own
    }
    return r;
}

int Win32ListBox::AddString(std::string_view text) {
    hold_.Hold();
    return Rows(
        ::SendMessageW(Hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str())));
}

int Win32ListBox::GetCount() const {
    return Rows(::SendMessageW(Hwnd(), LB_GETCOUNT, 0, 0));
}

int Win32ListBox::GetCurSel() const {
    return Rows(::SendMessageW(Hwnd(), LB_GETCURSEL, 0, 0));
}

void Win32ListBox::SetCurSel(int index) {
    ::SendMessageW(Hwnd(), LB_SETCURSEL, index >= 0 && index < GetCount() ? index : -1, 0);
}

int Win32ListBox::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) {
        return -1;
    }
    hold_.Hold();
    return Rows(::SendMessageW(Hwnd(), LB_DELETESTRING, static_cast<WPARAM>(index), 0));
}

std::string Win32ListBox::GetText(int index) const {
    const LRESULT length = ::SendMessageW(Hwnd(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || length < 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = ::SendMessageW(Hwnd(), LB_GETTEXT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return Narrow(text);
}

void Win32ListBox::ResetContent() {
    hold_.Hold();
    ::SendMessageW(Hwnd(), LB_RESETCONTENT, 0, 0);
}

// --- list view

Win32ListView::Win32ListView(const ControlTemplate& control, HWND window)
    : Win32Control(control, window), dpi_(WindowDpi(window)) {
    // The double buffer keeps a list refilled in one go from flickering.
    ListView_SetExtendedListViewStyleEx(window, LVS_EX_DOUBLEBUFFER, LVS_EX_DOUBLEBUFFER);
}

namespace {

struct ColumnSpec {
    std::string heading;
    Align align = Align::left;
    int width = 0;  // pixels at the control's dpi
};

void WriteColumn(HWND view, int column, const ColumnSpec& spec, bool insert) {
    std::wstring text = Widen(spec.heading);
    LVCOLUMNW c{};
    c.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.fmt = spec.align == Align::right ? LVCFMT_RIGHT
                                       : (spec.align == Align::center ? LVCFMT_CENTER : 0);
    c.cx = spec.width;
    c.pszText = text.data();
    c.iSubItem = column;
    ::SendMessageW(view, insert ? LVM_INSERTCOLUMNW : LVM_SETCOLUMNW, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&c));
}

}  // namespace

int Win32ListView::InsertColumn(int column, std::string_view heading, Align align, int widthPx) {
    // The control keeps a row's first cell with the row, not with the first column: a column
    // inserted in front would leave the first cells where they were. So the new column goes at
    // the end, and the columns and cells from `at` on move one to the right.
    const int count = GetColumnCount();
    const int at = std::clamp(column, 0, count);
    std::vector<ColumnSpec> moved;
    for (int c = at; c < count; ++c) {
        moved.push_back({GetColumnHeading(c), GetColumnAlignment(c),
                         static_cast<int>(ListView_GetColumnWidth(Hwnd(), c))});
    }
    const int rows = GetItemCount();
    std::vector<std::vector<std::string>> cells(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) {
        for (int c = at; c < count; ++c) {
            cells[static_cast<std::size_t>(r)].push_back(GetItemText(r, c));
        }
    }
    WriteColumn(Hwnd(), count, ColumnSpec{}, true);
    if (GetColumnCount() != count + 1) {
        return -1;
    }
    WriteColumn(Hwnd(), at, ColumnSpec{std::string(heading), align, ScaleForDpi(widthPx, dpi_)},
                false);
    widths_.resize(static_cast<std::size_t>(count));
    widths_.insert(widths_.begin() + at, widthPx);
    for (std::size_t k = 0; k < moved.size(); ++k) {
        WriteColumn(Hwnd(), at + 1 + static_cast<int>(k), moved[k], false);
    }
    for (int r = 0; r < rows; ++r) {
        SetItemText(r, at, "");
        for (std::size_t k = 0; k < moved.size(); ++k) {
            SetItemText(r, at + 1 + static_cast<int>(k), cells[static_cast<std::size_t>(r)][k]);
        }
    }
    return at;
}

int Win32ListView::GetColumnCount() const {
    const HWND header = ListView_GetHeader(Hwnd());
    return header != nullptr ? std::max(Header_GetItemCount(header), 0) : 0;
}

std::string Win32ListView::GetColumnHeading(int column) const {
    if (column < 0 || column >= GetColumnCount()) {
        return {};
    }
    wchar_t buffer[256] = {};
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT;
    c.pszText = buffer;
    c.cchTextMax = 255;
    ::SendMessageW(Hwnd(), LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&c));
    return Narrow(c.pszText);
}

int Win32ListView::GetColumnWidth(int column) const {
    if (column < 0 || column >= GetColumnCount()) {
        return 0;
    }
    // The width given, while the column has it; a width the user dragged, at 96 dpi.
    const int pixels = static_cast<int>(ListView_GetColumnWidth(Hwnd(), column));
    const auto c = static_cast<std::size_t>(column);
    if (c < widths_.size() && ScaleForDpi(widths_[c], dpi_) == pixels) {
        return widths_[c];
    }
    return MulDiv(pixels, kDesignDpi, dpi_);
}

void Win32ListView::FollowDpi(int dpi) {
    if (dpi <= 0 || dpi == dpi_) {
        return;
    }
    std::vector<int> widths;
    for (int c = 0; c < GetColumnCount(); ++c) {
        widths.push_back(GetColumnWidth(c));
    }
    dpi_ = dpi;
    for (int c = 0; c < static_cast<int>(widths.size()); ++c) {
        ListView_SetColumnWidth(Hwnd(), c, ScaleForDpi(widths[static_cast<std::size_t>(c)], dpi_));
    }
}

Align Win32ListView::GetColumnAlignment(int column) const {
    LVCOLUMNW c{};
    c.mask = LVCF_FMT;
    if (column < 0 || column >= GetColumnCount() ||
        !::SendMessageW(Hwnd(), LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                        reinterpret_cast<LPARAM>(&c))) {
        return Align::left;
    }
    switch (c.fmt & LVCFMT_JUSTIFYMASK) {
        case LVCFMT_RIGHT:
            return Align::right;
        case LVCFMT_CENTER:
            return Align::center;
        default:
            return Align::left;
    }
}

void Win32ListView::SetFullRowSelect(bool fullRow) {
    ListView_SetExtendedListViewStyleEx(Hwnd(), LVS_EX_FULLROWSELECT,
                                        fullRow ? LVS_EX_FULLROWSELECT : 0);
}

bool Win32ListView::IsFullRowSelect() const {
    return (ListView_GetExtendedListViewStyle(Hwnd()) & LVS_EX_FULLROWSELECT) != 0;
}

int Win32ListView::InsertItem(int row, std::string_view text) {
    hold_.Hold();
    std::wstring wide = Widen(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = std::clamp(row, 0, GetItemCount());
    item.pszText = wide.data();
    return Rows(::SendMessageW(Hwnd(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

bool Win32ListView::SetItemText(int row, int column, std::string_view text) {
    if (row < 0 || row >= GetItemCount() || column < 0 || column >= GetColumnCount()) {
        return false;
    }
    hold_.Hold();
    std::wstring wide = Widen(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    return ::SendMessageW(Hwnd(), LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                          reinterpret_cast<LPARAM>(&item)) != FALSE;
}

std::string Win32ListView::GetItemText(int row, int column) const {
    if (row < 0 || row >= GetItemCount() || column < 0 || column >= GetColumnCount()) {
        return {};
    }
    // The control copies at most the buffer's size: grow until the text fits.
    for (std::size_t size = 256;; size *= 4) {
        std::wstring buffer(size, L'\0');
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        const auto got = static_cast<std::size_t>(::SendMessageW(
            Hwnd(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (got + 1 < size || size > (1u << 20)) {
            buffer.resize(std::min(got, size));
            return Narrow(buffer);
        }
    }
}

bool Win32ListView::DeleteItem(int row) {
    return row >= 0 && row < GetItemCount() && ListView_DeleteItem(Hwnd(), row) != FALSE;
}

void Win32ListView::DeleteAllItems() {
    hold_.Hold();
    ListView_DeleteAllItems(Hwnd());
}

int Win32ListView::GetItemCount() const {
    return static_cast<int>(ListView_GetItemCount(Hwnd()));
}

int Win32ListView::GetSelectedRow() const {
    return static_cast<int>(ListView_GetNextItem(Hwnd(), -1, LVNI_SELECTED));
}

void Win32ListView::SetSelectedRow(int row) {
    ListView_SetItemState(Hwnd(), -1, 0, LVIS_SELECTED);
    if (row >= 0 && row < GetItemCount()) {
        ListView_SetItemState(Hwnd(), row, LVIS_SELECTED, LVIS_SELECTED);
    }
}

// --- combo box

int Win32ComboBox::AddString(std::string_view text) {
    return Rows(
        ::SendMessageW(Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str())));
}

int Win32ComboBox::GetCount() const {
    return Rows(::SendMessageW(Hwnd(), CB_GETCOUNT, 0, 0));
}

int Win32ComboBox::GetCurSel() const {
    return typed_ ? -1 : Rows(::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0));
}

void Win32ComboBox::SetCurSel(int index) {
    typed_ = false;
    ::SendMessageW(Hwnd(), CB_SETCURSEL, index >= 0 && index < GetCount() ? index : -1, 0);
}

int Win32ComboBox::DeleteString(int index) {
    if (index < 0 || index >= GetCount()) {
        return -1;
    }
    return Rows(::SendMessageW(Hwnd(), CB_DELETESTRING, static_cast<WPARAM>(index), 0));
}

void Win32ComboBox::ResetContent() {
    typed_ = false;
    ::SendMessageW(Hwnd(), CB_RESETCONTENT, 0, 0);
}

std::string Win32ComboBox::GetLBText(int index) const {
    const LRESULT length = ::SendMessageW(Hwnd(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || length < 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = ::SendMessageW(Hwnd(), CB_GETLBTEXT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return Narrow(text);
}

void Win32ComboBox::SetWindowText(std::string_view text) {
    if (HasEditableField()) {
        SetWindowTextUtf8(Hwnd(), text);
        typed_ = ::SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0) >= 0;
    }
}

bool Win32ComboBox::HasEditableField() const {
    return (::GetWindowLongPtrW(Hwnd(), GWL_STYLE) & 0x3) == CBS_DROPDOWN;
}

// --- address

Win32IpAddressControl::Win32IpAddressControl(const ControlTemplate& control, HWND window,
                                             const std::string& name)
    : Win32Control(control, window) {
    NameAddressParts(window, name);
    ::EnumChildWindows(
        window,
        [](HWND field, LPARAM found) {
            reinterpret_cast<std::vector<HWND>*>(found)->push_back(field);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&fields_));
    for (HWND field : fields_) {
        ::SetWindowSubclass(field, &Win32IpAddressControl::FieldFilter, 2, 0);
    }
}

Win32IpAddressControl::~Win32IpAddressControl() {
    for (HWND field : fields_) {
        ::RemoveWindowSubclass(field, &Win32IpAddressControl::FieldFilter, 2);
    }
}

LRESULT CALLBACK Win32IpAddressControl::FieldFilter(HWND window, UINT message, WPARAM wParam,
                                                    LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_CHAR && wParam >= L'0' && wParam <= L'9') {
        std::wstring text = WideWindowText(window);
        DWORD start = 0;
        DWORD end = 0;
        ::SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        start = std::min<DWORD>(start, static_cast<DWORD>(text.size()));
        end = std::clamp<DWORD>(end, start, static_cast<DWORD>(text.size()));
        text.replace(start, end - start, 1, static_cast<wchar_t>(wParam));
        int value = 0;
        for (const wchar_t digit : text) {
            value = value * 10 + (digit >= L'0' && digit <= L'9' ? digit - L'0' : 0);
        }
        if (text.size() <= 3 && value > 255) {
            ::MessageBeep(MB_OK);
            return 0;
        }
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

std::array<int, 4> Win32IpAddressControl::Fields() const {
    DWORD address = 0;
    ::SendMessageW(Hwnd(), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return {static_cast<int>(FIRST_IPADDRESS(address)), static_cast<int>(SECOND_IPADDRESS(address)),
            static_cast<int>(THIRD_IPADDRESS(address)),
            static_cast<int>(FOURTH_IPADDRESS(address))};
}

void Win32IpAddressControl::ShowFields(const std::array<int, 4>& fields) {
    const auto [a, b, c, d] = fields;
    ::SendMessageW(Hwnd(), IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(a, b, c, d)));
}

void Win32IpAddressControl::ClearAddress() {
    ::SendMessageW(Hwnd(), IPM_CLEARADDRESS, 0, 0);
}

bool Win32IpAddressControl::IsBlank() const {
    return ::SendMessageW(Hwnd(), IPM_ISBLANK, 0, 0) != 0;
}

bool Win32IpAddressControl::IsComplete() const {
    DWORD address = 0;
    // The answer is the number of fields that are not blank.
    return ::SendMessageW(Hwnd(), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)) == 4;
}

// --- pickers

Date Win32DatePicker::GetDate() const {
    SYSTEMTIME s{};
    ::SendMessageW(Hwnd(), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&s));
    return Date{s.wYear, s.wMonth, s.wDay};
}

void Win32DatePicker::SetDate(const Date& value) {
    const SYSTEMTIME s = ToSystemTime(ClampDate(value, first_, last_), TimeOfDay{});
    ::SendMessageW(Hwnd(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&s));
}

void Win32DatePicker::SetRange(const Date& first, const Date& last) {
    first_ = first;
    last_ = last;
    SYSTEMTIME range[2] = {ToSystemTime(first, TimeOfDay{}), ToSystemTime(last, TimeOfDay{})};
    ::SendMessageW(Hwnd(), DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
    SetDate(GetDate());
}

TimeOfDay Win32TimePicker::GetTime() const {
    SYSTEMTIME s{};
    ::SendMessageW(Hwnd(), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&s));
    return TimeOfDay{s.wHour, s.wMinute, s.wSecond};
}

void Win32TimePicker::SetTime(const TimeOfDay& value) {
    SYSTEMTIME s{};
    ::SendMessageW(Hwnd(), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&s));
    s.wHour = static_cast<WORD>(value.hour);
    s.wMinute = static_cast<WORD>(value.minute);
    s.wSecond = static_cast<WORD>(value.second);
    s.wMilliseconds = 0;
    ::SendMessageW(Hwnd(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&s));
}

}  // namespace halvo::ui::win32
