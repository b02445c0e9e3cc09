// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 backend's answer to MeasureTexts: each text measured in the font the control draws
// with (WM_GETFONT), by GetTextExtentPoint32 on one line and DrawText DT_CALCRECT where a static
// wraps, against the room the control leaves inside its client rectangle; a list view's
// headings against the header's own item rectangles less its text margin.
#include "ui/win32/Win32Backend.h"

#include <commctrl.h>

#include <string>

#include "ui/ControlRules.h"
#include "ui/win32/Win32Controls.h"

namespace halvo::ui::win32 {

namespace {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

Size ClientSize(HWND window) {
    RECT r{};
    ::GetClientRect(window, &r);
    return Size{r.right - r.left, r.bottom - r.top};
}

// A device context of `window` with the font it draws with selected.
class FontDc {
  public:
    explicit FontDc(HWND window) : window_(window), dc_(::GetDC(window)) {
        auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
        if (font == nullptr) {
            font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        }
        old_ = ::SelectObject(dc_, font);
    }
    ~FontDc() {
        ::SelectObject(dc_, old_);
        ::ReleaseDC(window_, dc_);
    }
    FontDc(const FontDc&) = delete;
    FontDc& operator=(const FontDc&) = delete;

    Size Line(const std::string& text) const {
        const std::wstring wide = Wide(text);
        SIZE s{};
        ::GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &s);
        return text.empty() ? Size{} : Size{s.cx, s.cy};
    }
    // The rectangle DrawText takes for `text` with `flags` on lines at most `width` wide.
    Size Wrapped(const std::string& text, int width, UINT flags) const {
        if (text.empty()) {
            return {};
        }
        std::wstring wide = Wide(text);
        RECT r{0, 0, width, 0};
        ::DrawTextW(dc_, wide.data(), static_cast<int>(wide.size()), &r, flags | DT_CALCRECT);
        return Size{r.right - r.left, r.bottom - r.top};
    }
    int AverageCharWidth() const {
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc_, &metrics);
        return metrics.tmAveCharWidth;
    }

  private:
    HWND window_;
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

// A static draws its text with DrawText: SS_LEFT, SS_CENTER and SS_RIGHT break words,
// SS_EDITCONTROL as an edit control does, SS_NOPREFIX shows '&'.
TextRoom MeasureStatic(HWND window) {
    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    UINT flags = DT_EXPANDTABS | DT_WORDBREAK;
    if ((style & SS_TYPEMASK) == SS_CENTER) {
        flags |= DT_CENTER;
    } else if ((style & SS_TYPEMASK) == SS_RIGHT) {
        flags |= DT_RIGHT;
    }
    if ((style & SS_NOPREFIX) != 0) {
        flags |= DT_NOPREFIX;
    }
    if ((style & SS_EDITCONTROL) != 0) {
        flags |= DT_EDITCONTROL;
    }
    const std::string text = WindowText(window);
    const Size room = ClientSize(window);
    const FontDc dc(window);
    return TextRoom{{},
                    (style & SS_NOPREFIX) != 0 ? text : StripMnemonics(text),
                    dc.Wrapped(text, room.width, flags),
                    room};
}

// A button's caption on one line: a push button's inside its 3-D edge, a check box's beside the
// box, a group box's title between insets of an average character.
TextRoom MeasureButton(HWND window, ControlKind kind) {
    const std::string text = StripMnemonics(WindowText(window));
    const FontDc dc(window);
    const Size need = dc.Line(text);
    Size room = ClientSize(window);
    const int edge = ::GetSystemMetrics(SM_CXEDGE);
    switch (kind) {
        case ControlKind::checkBox:
            room.width -= ::GetSystemMetrics(SM_CXMENUCHECK) + edge;
            break;
        case ControlKind::groupBox:
            room.width -= 2 * dc.AverageCharWidth();
            room.height = need.height;  // the title is one line on the frame's top edge
            break;
        default:
            room.width -= 2 * edge;
            room.height -= 2 * ::GetSystemMetrics(SM_CYEDGE);
            break;
    }
    return TextRoom{{}, text, need, room};
}

std::vector<TextRoom> MeasureHeadings(HWND list) {
    std::vector<TextRoom> headings;
    const auto header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (header == nullptr) {
        return headings;
    }
    const int margin = static_cast<int>(::SendMessageW(header, HDM_GETBITMAPMARGIN, 0, 0));
    const int count = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    const FontDc dc(header);
    for (int c = 0; c < count; ++c) {
        wchar_t buffer[256] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = buffer;
        item.cchTextMax = 255;
        ::SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(c),
                       reinterpret_cast<LPARAM>(&item));
        RECT r{};
        ::SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(c),
                       reinterpret_cast<LPARAM>(&r));
        const int n = ::WideCharToMultiByte(CP_UTF8, 0, buffer, -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, buffer, -1, text.data(), n, nullptr, nullptr);
        const Size need = dc.Line(text);
        headings.push_back(TextRoom{"heading " + std::to_string(c), text, need,
                                    Size{r.right - r.left - 2 * margin, r.bottom - r.top}});
    }
    return headings;
}

}  // namespace

std::vector<TextRoom> Win32Window::MeasureTexts(int index) const {
    if (index < 0 || index >= static_cast<int>(windows_.size())) {
        return {};
    }
    const ControlKind kind = template_.controls[static_cast<std::size_t>(index)].kind;
    if (!TraitsOf(kind).wholeText) {
        return {};
    }
    HWND window = windows_[static_cast<std::size_t>(index)];
    switch (kind) {
        case ControlKind::listView:
            return MeasureHeadings(window);
        case ControlKind::label:
        case ControlKind::valueField:
            return {MeasureStatic(window)};
        default:
            return {MeasureButton(window, kind)};
    }
}

}  // namespace halvo::ui::win32
