// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/win32/DialogTemplateEx.h"

namespace halvo::ui::win32 {

namespace {

// Window styles (WinUser.h); spelled out here so that this file stays standard C++.
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_DISABLED = 0x08000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_BORDER = 0x00800000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t WS_VSCROLL = 0x00200000;
constexpr std::uint32_t WS_HSCROLL = 0x00100000;
constexpr std::uint32_t WS_GROUP = 0x00020000;
constexpr std::uint32_t WS_TABSTOP = 0x00010000;
constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x00000200;
constexpr std::uint32_t WS_EX_CONTROLPARENT = 0x00010000;
constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000;
constexpr std::uint32_t DS_3DLOOK = 0x0004;
constexpr std::uint32_t DS_SETFONT = 0x0040;
constexpr std::uint32_t DS_MODALFRAME = 0x0080;
constexpr std::uint32_t DS_CONTROL = 0x0400;

constexpr std::uint32_t BS_PUSHBUTTON = 0x0;
constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x1;
constexpr std::uint32_t BS_CHECKBOX = 0x2;
constexpr std::uint32_t BS_AUTOCHECKBOX = 0x3;
constexpr std::uint32_t BS_GROUPBOX = 0x7;
constexpr std::uint32_t SS_CENTER = 0x1;
constexpr std::uint32_t SS_RIGHT = 0x2;
constexpr std::uint32_t SS_ICON = 0x3;
constexpr std::uint32_t SS_BITMAP = 0xE;
constexpr std::uint32_t SS_ETCHEDHORZ = 0x10;
constexpr std::uint32_t SS_ETCHEDFRAME = 0x12;
constexpr std::uint32_t SS_NOPREFIX = 0x80;
constexpr std::uint32_t SS_NOTIFY = 0x100;
constexpr std::uint32_t SS_SUNKEN = 0x1000;
constexpr std::uint32_t SS_EDITCONTROL = 0x2000;
constexpr std::uint32_t ES_PASSWORD = 0x20;
constexpr std::uint32_t ES_AUTOHSCROLL = 0x80;
constexpr std::uint32_t LBS_NOTIFY = 0x1;
constexpr std::uint32_t LBS_NOINTEGRALHEIGHT = 0x100;
constexpr std::uint32_t CBS_DROPDOWN = 0x2;
constexpr std::uint32_t CBS_DROPDOWNLIST = 0x3;
constexpr std::uint32_t CBS_AUTOHSCROLL = 0x40;
constexpr std::uint32_t LVS_REPORT = 0x1;
constexpr std::uint32_t LVS_SINGLESEL = 0x4;
constexpr std::uint32_t LVS_SHOWSELALWAYS = 0x8;
constexpr std::uint32_t DTS_UPDOWN = 0x1;
constexpr std::uint32_t DTS_SHORTDATEFORMAT = 0x0;
constexpr std::uint32_t DTS_TIMEFORMAT = 0x9;

constexpr std::uint16_t ATOM_BUTTON = 0x0080;
constexpr std::uint16_t ATOM_EDIT = 0x0081;
constexpr std::uint16_t ATOM_STATIC = 0x0082;
constexpr std::uint16_t ATOM_LISTBOX = 0x0083;
constexpr std::uint16_t ATOM_COMBOBOX = 0x0085;

constexpr std::uint16_t FW_NORMAL = 400;
constexpr std::uint8_t DEFAULT_CHARSET = 1;

class Writer {
  public:
    void Word(std::uint16_t v) {
        bytes_.push_back(static_cast<std::uint8_t>(v & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void Dword(std::uint32_t v) {
        Word(static_cast<std::uint16_t>(v & 0xFFFF));
        Word(static_cast<std::uint16_t>(v >> 16));
    }
    void Short(int v) { Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))); }
    void Byte(std::uint8_t v) { bytes_.push_back(v); }
    // A NUL-terminated UTF-16 string.
    void String(const std::u16string& s) {
        for (const char16_t c : s) {
            Word(static_cast<std::uint16_t>(c));
        }
        Word(0);
    }
    void AlignDword() {
        while (bytes_.size() % 4 != 0) {
            bytes_.push_back(0);
        }
    }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<std::uint8_t> bytes_;
};

std::uint32_t CommonStyles(const ControlTemplate& c) {
    std::uint32_t s = WS_CHILD | WS_VISIBLE;
    if (c.Has(styleTabStop)) {
        s |= WS_TABSTOP;
    }
    if (c.Has(styleGroup)) {
        s |= WS_GROUP;
    }
    if (c.Has(styleDisabled)) {
        s |= WS_DISABLED;
    }
    if (c.Has(styleVScroll)) {
        s |= WS_VSCROLL;
    }
    if (c.Has(styleHScroll)) {
        s |= WS_HSCROLL;
    }
    return s;
}

}  // namespace

std::u16string ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            length = 1;
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            cp = lead & 0x07;
        }
        bool good = length > 0 && i + length <= utf8.size();
        for (std::size_t k = 1; good && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            good = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not characters.
        static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        good = good && cp >= kLeast[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        if (!good) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
    return out;
}

int WindowIdOf(const DialogTemplate& t, int index) {
    const int id = t.controls[static_cast<std::size_t>(index)].id;
    return id != 0 ? id : kUnnumberedBase + index;
}

ControlClass ClassOf(const ControlTemplate& c) {
    ControlClass k;
    k.style = CommonStyles(c);
    // Bordered fields get the sunken client edge the dialog manager gives WS_BORDER in a 3D
    // dialog, drawn by the control itself.
    const std::uint32_t edge = c.Has(styleBorder) ? WS_EX_CLIENTEDGE : 0;
    switch (c.kind) {
        case ControlKind::pushButton:
        case ControlKind::defPushButton:
            k.atom = ATOM_BUTTON;
            k.style |= c.kind == ControlKind::defPushButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            k.hasText = true;
            break;
        case ControlKind::checkBox:
            k.atom = ATOM_BUTTON;
            k.style |= c.Has(styleAuto) ? BS_AUTOCHECKBOX : BS_CHECKBOX;
            k.hasText = true;
            break;
        case ControlKind::groupBox:
            k.atom = ATOM_BUTTON;
            k.style |= BS_GROUPBOX;
            k.hasText = true;
            break;
        case ControlKind::label:
        case ControlKind::valueField:
            k.atom = ATOM_STATIC;
            k.style |= c.Has(styleCenter) ? SS_CENTER : (c.Has(styleRight) ? SS_RIGHT : 0);
            if (c.Has(styleNoPrefix)) {
                k.style |= SS_NOPREFIX;
            }
            if (c.kind == ControlKind::valueField) {
                // Sunken, and wrapped as an edit control wraps (word breaks, no ellipsis).
                k.style |= SS_SUNKEN | SS_EDITCONTROL | SS_NOTIFY;
            }
            k.hasText = true;
            break;
        case ControlKind::etchedLine:
            k.atom = ATOM_STATIC;
            k.style |= SS_ETCHEDHORZ;
            break;
        case ControlKind::etchedFrame:
            k.atom = ATOM_STATIC;
            k.style |= SS_ETCHEDFRAME;
            break;
        case ControlKind::picture:
        case ControlKind::icon:
            k.atom = ATOM_STATIC;
            k.style |= c.kind == ControlKind::picture ? SS_BITMAP : SS_ICON;
            if (c.Has(styleSunken)) {
                k.style |= SS_SUNKEN;
            }
            break;
        case ControlKind::edit:
            k.atom = ATOM_EDIT;
            k.exStyle = edge;
            if (c.Has(styleAutoHScroll)) {
                k.style |= ES_AUTOHSCROLL;
            }
            if (c.Has(stylePassword)) {
                k.style |= ES_PASSWORD;
            }
            break;
        case ControlKind::listBox:
            k.atom = ATOM_LISTBOX;
            k.exStyle = edge;
            if (c.Has(styleNotify)) {
                k.style |= LBS_NOTIFY;
            }
            if (c.Has(styleNoIntegralHeight)) {
                k.style |= LBS_NOINTEGRALHEIGHT;
            }
            break;
        case ControlKind::comboBox:
            k.atom = ATOM_COMBOBOX;
            k.style |= c.Has(styleDropDown) ? CBS_DROPDOWN : CBS_DROPDOWNLIST;
            if (c.Has(styleAutoHScroll)) {
                k.style |= CBS_AUTOHSCROLL;
            }
            break;
        case ControlKind::listView:
            k.name = u"SysListView32";
            k.exStyle = edge;
            k.style |= LVS_REPORT;
            if (c.Has(styleSingleSel)) {
                k.style |= LVS_SINGLESEL;
            }
            if (c.Has(styleShowSelAlways)) {
                k.style |= LVS_SHOWSELALWAYS;
            }
            break;
        case ControlKind::datePicker:
            k.name = u"SysDateTimePick32";
            k.style |= DTS_SHORTDATEFORMAT;
            break;
        case ControlKind::timePicker:
            k.name = u"SysDateTimePick32";
            k.style |= DTS_TIMEFORMAT | (c.Has(styleUpDown) ? DTS_UPDOWN : 0);
            break;
        case ControlKind::ipAddress:
            k.name = u"SysIPAddress32";
            break;
    }
    if (c.Has(styleBorder) && edge == 0 && c.kind != ControlKind::valueField) {
        k.style |= WS_BORDER;
    }
    return k;
}

DialogStyles StylesOf(const DialogTemplate& t, bool child) {
    DialogStyles s;
    s.style = DS_SETFONT | DS_3DLOOK;
    // Tab and the mnemonics reach into child windows (the wizard's pages) only through a
    // control parent.
    s.exStyle = WS_EX_CONTROLPARENT;
    if (child) {
        s.style |= WS_CHILD | DS_CONTROL;
    } else {
        s.style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        if (t.Has(styleSysMenu)) {
            s.style |= WS_SYSMENU;
        }
        if (t.Has(styleMinimizeBox)) {
            s.style |= WS_MINIMIZEBOX;
        }
        if (t.Has(styleAppWindow)) {
            s.exStyle |= WS_EX_APPWINDOW;
        }
    }
    if (t.Has(styleClientEdge)) {
        s.exStyle |= WS_EX_CLIENTEDGE;
    }
    return s;
}

std::vector<std::uint8_t> BuildDialogTemplateEx(const DialogTemplate& t, bool child) {
    Writer w;
    const DialogStyles styles = StylesOf(t, child);
    w.Word(1);       // 0: dlgVer
    w.Word(0xFFFF);  // 2: signature of the extended form
    w.Dword(0);      // 4: helpID
    w.Dword(styles.exStyle);  // 8: exStyle
    w.Dword(styles.style);    // 12: style
    w.Word(static_cast<std::uint16_t>(t.controls.size()));  // 16: cDlgItems
    w.Short(0);                                            // 18: x
    w.Short(0);                                            // 20: y
    w.Short(t.size.width);                                 // 22: cx
    w.Short(t.size.height);                                // 24: cy
    w.Word(0);                                             // 26: no menu
    w.Word(0);                                             // 28: the dialog class
    w.String(child ? u"" : ToUtf16(t.title));              // 30: title
    // DS_SETFONT: point size, weight, italic, character set, face.
    w.Word(static_cast<std::uint16_t>(t.font.pointSize));
    w.Word(FW_NORMAL);
    w.Byte(0);
    w.Byte(DEFAULT_CHARSET);
    w.String(ToUtf16(t.font.face));

    for (int index = 0; index < static_cast<int>(t.controls.size()); ++index) {
        const ControlTemplate& c = t.controls[static_cast<std::size_t>(index)];
        w.AlignDword();
        const ControlClass k = ClassOf(c);
        w.Dword(0);        // 0: helpID
        w.Dword(k.exStyle);  // 4: exStyle
        w.Dword(k.style);    // 8: style
        w.Short(c.rect.x);   // 12: x
        w.Short(c.rect.y);   // 14: y
        w.Short(c.rect.width);   // 16: cx
        w.Short(c.rect.height);  // 18: cy
        w.Dword(static_cast<std::uint32_t>(WindowIdOf(t, index)));  // 20: id
        if (k.name.empty()) {  // 24: window class, an atom or a name
            w.Word(0xFFFF);
            w.Word(k.atom);
        } else {
            w.String(k.name);
        }
        w.String(k.hasText ? ToUtf16(c.text) : u"");  // title
        w.Word(0);                                    // no creation data
    }
    w.AlignDword();
    return w.Take();
}

}  // namespace halvo::ui::win32
