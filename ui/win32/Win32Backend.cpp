// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/win32/Win32Backend.h"

#include <commctrl.h>
#include <objbase.h>

#include <cstring>

#include "ui/AccessibleNames.h"
#include "ui/ControlRules.h"
#include "ui/DialogUnits.h"
#include "ui/win32/Accessibility.h"
#include "ui/win32/DialogTemplateEx.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/Win32Controls.h"

namespace halvo::ui::win32 {

namespace {

// Marks our dialog windows, so that a message loop knows which windows' keys are the dialogs'.
constexpr wchar_t kWindowProperty[] = L"HalvoWindow";

// WM_DPICHANGED_AFTERPARENT, which the headers declare for Windows 10 only (we build for 7).
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// The bitmap of a BMP file's bytes; null when they are not one.
HBITMAP BitmapFromFile(const Bytes& file) {
    if (file.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || file[0] != 'B' ||
        file[1] != 'M') {
        return nullptr;
    }
    BITMAPFILEHEADER header;
    std::memcpy(&header, file.data(), sizeof header);
    if (header.bfOffBits >= file.size()) {
        return nullptr;
    }
    const auto* info = reinterpret_cast<const BITMAPINFO*>(file.data() + sizeof header);
    const HDC screen = ::GetDC(nullptr);
    const HBITMAP bitmap = ::CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT,
                                            file.data() + header.bfOffBits, info, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

// The bitmap `id` at `dpi`: from its 2x file above 96 dpi where there is one, brought to the
// size of the 1x bitmap scaled for the dpi.
HBITMAP BitmapForDpi(const ResourceStore& store, int id, int dpi) {
    const Bytes twice = dpi > kDesignDpi ? store.Bitmap(id, 2) : Bytes();
    const int scale = twice.empty() ? 1 : 2;
    const HBITMAP bitmap = BitmapFromFile(twice.empty() ? store.Bitmap(id) : twice);
    BITMAP info{};
    if (bitmap == nullptr || ::GetObjectW(bitmap, sizeof info, &info) == 0) {
        return bitmap;
    }
    const int width = ScaleForDpi(info.bmWidth / scale, dpi);
    const int height = ScaleForDpi(info.bmHeight / scale, dpi);
    if (width == info.bmWidth && height == info.bmHeight) {
        return bitmap;
    }
    const HANDLE sized = ::CopyImage(bitmap, IMAGE_BITMAP, width, height, LR_COPYDELETEORG);
    return sized != nullptr ? static_cast<HBITMAP>(sized) : bitmap;
}

// The width a PNG file gives in its header; 0 for any other file.
int PngWidth(const Bytes& file) {
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 24 || std::memcmp(file.data(), kSignature, sizeof kSignature) != 0) {
        return 0;
    }
    return (file[16] << 24) | (file[17] << 16) | (file[18] << 8) | file[19];
}

// The icon of `files` at `size` pixels, from the smallest image at least that large (the
// largest when none is), so that Windows scales it down if at all, never up.
HICON IconOf(const std::vector<Bytes>& files, int size) {
    const Bytes* pick = nullptr;
    int pickWidth = 0;
    for (const Bytes& file : files) {
        const int width = PngWidth(file);
        const bool fits = width >= size;
        const bool pickFits = pickWidth >= size;
        if (pick == nullptr || (fits && (!pickFits || width < pickWidth)) ||
            (!fits && !pickFits && width > pickWidth)) {
            pick = &file;
            pickWidth = width;
        }
    }
    if (pick == nullptr || pick->empty()) {
        return nullptr;
    }
    return ::CreateIconFromResourceEx(const_cast<PBYTE>(pick->data()),
                                      static_cast<DWORD>(pick->size()), TRUE, 0x00030000, size,
                                      size, LR_DEFAULTCOLOR);
}

Key RuleKey(WPARAM virtualKey) {
    if (virtualKey == VK_RETURN) {
        return Key::enter;
    }
    const bool modified = (::GetKeyState(VK_CONTROL) & 0x8000) != 0 ||
                          (::GetKeyState(VK_MENU) & 0x8000) != 0 ||
                          (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
    if (virtualKey == VK_ESCAPE && !modified) {
        return Key::escape;
    }
    return Key::other;
}

// True when the key belongs to an open drop-down list or calendar, which closes on it.
bool PopupTakes(HWND focus) {
    for (HWND w = focus; w != nullptr; w = ::GetParent(w)) {
        wchar_t name[32] = {};
        ::GetClassNameW(w, name, 32);
        if (std::wcscmp(name, L"ComboBox") == 0) {
            return ::SendMessageW(w, CB_GETDROPPEDSTATE, 0, 0) != 0;
        }
        if (std::wcscmp(name, DATETIMEPICK_CLASSW) == 0) {
            return ::SendMessageW(w, DTM_GETMONTHCAL, 0, 0) != 0;
        }
        if ((::GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) == 0) {
            break;
        }
    }
    return false;
}

std::unique_ptr<Control> MakeControl(const ControlTemplate& c, HWND w, const std::string& name) {
    switch (c.kind) {
        case ControlKind::pushButton:
        case ControlKind::defPushButton:
            return std::make_unique<Win32PushButton>(c, w);
        case ControlKind::checkBox:
            return std::make_unique<Win32CheckBox>(c, w);
        case ControlKind::groupBox:
            return std::make_unique<Win32GroupBox>(c, w);
        case ControlKind::label:
        case ControlKind::valueField:
            return std::make_unique<Win32StaticText>(c, w);
        case ControlKind::etchedLine:
        case ControlKind::etchedFrame:
            return std::make_unique<Win32Frame>(c, w);
        case ControlKind::picture:
        case ControlKind::icon:
            return std::make_unique<Win32Picture>(c, w);
        case ControlKind::edit:
            return std::make_unique<Win32Edit>(c, w);
        case ControlKind::listBox:
            return std::make_unique<Win32ListBox>(c, w);
        case ControlKind::listView:
            return std::make_unique<Win32ListView>(c, w);
        case ControlKind::comboBox:
            return std::make_unique<Win32ComboBox>(c, w);
        case ControlKind::datePicker:
            return std::make_unique<Win32DatePicker>(c, w);
        case ControlKind::timePicker:
            return std::make_unique<Win32TimePicker>(c, w);
        case ControlKind::ipAddress:
            return std::make_unique<Win32IpAddressControl>(c, w, name);
    }
    return nullptr;
}

}  // namespace

// --- backend

Win32Backend::Win32Backend(HINSTANCE instance) : instance_(instance) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                     ICC_DATE_CLASSES | ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&classes);
    com_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

Win32Backend::~Win32Backend() {
    if (com_) {
        ::CoUninitialize();
    }
}

std::unique_ptr<Window> Win32Backend::CreateDialogWindow(const DialogTemplate& dialogTemplate,
                                                         const ResourceStore& store,
                                                         WindowEvents& events, Window* parent,
                                                         bool child) {
    return std::make_unique<Win32Window>(instance_, dialogTemplate, store, events,
                                         dynamic_cast<Win32Window*>(parent), child, wait_);
}

void Win32Backend::Dispatch(MSG& msg) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        Win32Window* window = Win32Window::Containing(msg.hwnd);
        if (window != nullptr && !PopupTakes(msg.hwnd)) {
            const Key key = msg.message == WM_KEYDOWN ? RuleKey(msg.wParam) : Key::other;
            if (window->Events().OnKey(key)) {
                return;
            }
        }
    }
    // Tab, the arrows and the mnemonics, across a frame's pages too.
    if (Win32Window* window = Win32Window::Containing(msg.hwnd); window != nullptr) {
        const HWND top = ::GetAncestor(window->Hwnd(), GA_ROOT);
        if (::IsDialogMessageW(top, &msg)) {
            return;
        }
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

// --- window

Win32Window::Win32Window(HINSTANCE instance, const DialogTemplate& t, const ResourceStore& store,
                         WindowEvents& events, Win32Window* parent, bool child,
                         const Win32EventWait& wait)
    : template_(t), store_(store), events_(events), wait_(wait) {
    const std::vector<std::uint8_t> bytes = BuildDialogTemplateEx(t, child);
    // The dialog manager reads the template from DWORD-aligned memory.
    std::vector<DWORD> aligned((bytes.size() + 3) / 4);
    std::memcpy(aligned.data(), bytes.data(), bytes.size());
    const HWND owner = parent != nullptr ? parent->Hwnd() : nullptr;
    hwnd_ = ::CreateDialogIndirectParamW(instance,
                                         reinterpret_cast<LPCDLGTEMPLATEW>(aligned.data()), owner,
                                         &Win32Window::DialogProc, reinterpret_cast<LPARAM>(this));
    if (hwnd_ == nullptr) {
        throw std::runtime_error("the dialog manager could not create dialog " +
                                 std::to_string(t.id) + " (error " +
                                 std::to_string(::GetLastError()) + ")");
    }
    MakeControls();
}

Win32Window::~Win32Window() {
    // Nothing the windows send on their way out reaches a dialog that is itself going away.
    ::RemovePropW(hwnd_, kWindowProperty);
    ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    controls_.clear();
    ::DestroyWindow(hwnd_);
    for (HBITMAP bitmap : bitmaps_) {
        ::DeleteObject(bitmap);
    }
    for (HICON icon : icons_) {
        ::DestroyIcon(icon);
    }
}

void Win32Window::MakeControls() {
    ::SetPropW(hwnd_, kWindowProperty, reinterpret_cast<HANDLE>(this));
    dpi_ = WindowDpi(hwnd_);
    const int count = static_cast<int>(template_.controls.size());
    for (int i = 0; i < count; ++i) {
        const ControlTemplate& c = template_.controls[static_cast<std::size_t>(i)];
        const HWND w = ::GetDlgItem(hwnd_, WindowIdOf(template_, i));
        if (w == nullptr) {
            throw std::runtime_error("dialog " + std::to_string(template_.id) + ": control " +
                                     std::to_string(i) + " has no window");
        }
        const std::string name = AccessibleName(template_, i);
        windows_.push_back(w);
        controls_.push_back(MakeControl(c, w, name));
        if (c.kind == ControlKind::comboBox) {
            auto* combo = static_cast<Win32ComboBox*>(controls_.back().get());
            for (const std::string& item : c.items) {
                combo->AddString(item);
            }
        }
        // The address control names itself and its parts.
        if (TraitsOf(c.kind).takesTemplateName && c.kind != ControlKind::ipAddress) {
            SetAccessibleName(w, name);
        }
    }
    ShowImages();
}

void Win32Window::ShowImages() {
    std::vector<HBITMAP> oldBitmaps = std::move(bitmaps_);
    std::vector<HICON> oldIcons = std::move(icons_);
    bitmaps_.clear();
    icons_.clear();
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        const ControlTemplate& c = template_.controls[i];
        if (c.kind == ControlKind::picture) {
            const HBITMAP bitmap = BitmapForDpi(store_, c.image, dpi_);
            if (bitmap != nullptr) {
                bitmaps_.push_back(bitmap);
            }
            ::SendMessageW(windows_[i], STM_SETIMAGE, IMAGE_BITMAP,
                           reinterpret_cast<LPARAM>(bitmap));
        } else if (c.kind == ControlKind::icon) {
            // The size of an icon control, as the dialog manager's own: SM_CXICON at the dpi.
            const HICON icon = IconOf(store_.Icon(c.image), SystemMetricForDpi(SM_CXICON, dpi_));
            if (icon != nullptr) {
                icons_.push_back(icon);
            }
            ::SendMessageW(windows_[i], STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        }
    }
    if (iconId_ >= 0) {
        const std::vector<Bytes> files = store_.Icon(iconId_);
        const HICON small = IconOf(files, SystemMetricForDpi(SM_CXSMICON, dpi_));
        const HICON big = IconOf(files, SystemMetricForDpi(SM_CXICON, dpi_));
        for (HICON icon : {small, big}) {
            if (icon != nullptr) {
                icons_.push_back(icon);
            }
        }
        ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
        ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    }
    // The controls and the window hold the new images now.
    for (HBITMAP bitmap : oldBitmaps) {
        ::DeleteObject(bitmap);
    }
    for (HICON icon : oldIcons) {
        ::DestroyIcon(icon);
    }
}

void Win32Window::DpiChanged(int dpi) {
    if (dpi <= 0 || dpi == dpi_) {
        return;
    }
    dpi_ = dpi;
    for (const auto& control : controls_) {
        if (auto* view = dynamic_cast<Win32ListView*>(control.get())) {
            view->FollowDpi(dpi);
        }
    }
    ShowImages();
}

Win32Window* Win32Window::FromHwnd(HWND hwnd) {
    return hwnd != nullptr ? static_cast<Win32Window*>(::GetPropW(hwnd, kWindowProperty)) : nullptr;
}

Win32Window* Win32Window::Containing(HWND hwnd) {
    for (HWND w = hwnd; w != nullptr; w = ::GetAncestor(w, GA_PARENT)) {
        if (Win32Window* window = FromHwnd(w)) {
            return window;
        }
        if ((::GetWindowLongPtrW(w, GWL_STYLE) & WS_CHILD) == 0) {
            break;
        }
    }
    return nullptr;
}

INT_PTR CALLBACK Win32Window::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Win32Window*>(lParam);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        return FALSE;  // the dialog sets the focus itself
    }
    auto* self = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    return self != nullptr && !self->controls_.empty() ? self->Handle(message, wParam, lParam)
                                                       : FALSE;
}

INT_PTR Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam != 0) {
                Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            }
            return TRUE;
        case WM_NOTIFY: {
            // The open calendar of a date picker says its name and the day it is on.
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == DTN_DROPDOWN || header->code == DTN_DATETIMECHANGE) {
                AnnounceCalendar(header->hwndFrom, header->code == DTN_DROPDOWN);
            }
            return FALSE;
        }
        case WM_CLOSE:
            if (events_.OnClose()) {
                ::ShowWindow(hwnd_, SW_HIDE);
            }
            return TRUE;
        case WM_SYSCOMMAND: {
            const UINT command = static_cast<UINT>(wParam & 0xFFF0);
            // The window menu by Alt+Space or a click on the window's icon: the dialog's items.
            if ((command == SC_KEYMENU && lParam == ' ') || command == SC_MOUSEMENU) {
                POINT at{};
                ::GetCursorPos(&at);
                std::optional<Point> where;
                if (command == SC_MOUSEMENU) {
                    where = Point{at.x, at.y};
                } else {
                    RECT frame{};
                    ::GetWindowRect(hwnd_, &frame);
                    where = Point{frame.left, frame.top + SystemMetricForDpi(SM_CYCAPTION, dpi_)};
                }
                if (events_.OnContextMenu(where)) {
                    return TRUE;
                }
            }
            return FALSE;
        }
        case WM_CONTEXTMENU: {
            std::optional<Point> where;
            if (lParam != -1) {
                where =
                    Point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            }
            if (events_.OnContextMenu(where)) {
                ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, 0);
                return TRUE;
            }
            return FALSE;
        }
        case WM_SETCURSOR:
            if (wait_.WaitCursorShown()) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
                ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        case WM_DPICHANGED: {
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top,
                           suggested.right - suggested.left, suggested.bottom - suggested.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
            DpiChanged(LOWORD(wParam));
            return FALSE;  // the dialog manager scales its font and controls after it
        }
        case kDpiChangedAfterParent:  // a page, inside its frame
            DpiChanged(WindowDpi(hwnd_));
            return FALSE;
        case WM_SHOWWINDOW:
            if (wParam != FALSE && pendingFocus_ >= 0) {
                // After the window is on show, as the focus of a hidden window does not stay.
                ::PostMessageW(
                    hwnd_, WM_NEXTDLGCTL,
                    reinterpret_cast<WPARAM>(windows_[static_cast<std::size_t>(pendingFocus_)]),
                    TRUE);
                pendingFocus_ = -1;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

void Win32Window::Command(int id, int code, HWND from) {
    const int index = IndexOfWindowId(id);
    if (index < 0 || windows_[static_cast<std::size_t>(index)] != from) {
        return;
    }
    const ControlTemplate& c = template_.controls[static_cast<std::size_t>(index)];
    if (c.id == 0) {
        return;  // a control without identifier has nothing to tell
    }
    switch (c.kind) {
        case ControlKind::pushButton:
        case ControlKind::defPushButton:
        case ControlKind::checkBox:
            if (code == BN_CLICKED) {
                events_.OnNotify(c.id);
            }
            break;
        case ControlKind::listBox:
            if (code == LBN_SELCHANGE && c.Has(styleNotify)) {
                static_cast<Win32ListBox*>(controls_[static_cast<std::size_t>(index)].get())
                    ->Notified();
                events_.OnNotify(c.id);
            }
            break;
        case ControlKind::comboBox: {
            auto* combo =
                static_cast<Win32ComboBox*>(controls_[static_cast<std::size_t>(index)].get());
            if (code == CBN_SELCHANGE) {
                combo->Chosen();
                events_.OnNotify(c.id);
            } else if (code == CBN_EDITCHANGE) {
                combo->Typed();
            }
            break;
        }
        default:
            break;
    }
}

int Win32Window::IndexOfWindowId(int windowId) const {
    if (windowId >= kUnnumberedBase &&
        windowId - kUnnumberedBase < static_cast<int>(windows_.size())) {
        return windowId - kUnnumberedBase;
    }
    for (std::size_t i = 0; i < template_.controls.size(); ++i) {
        if (template_.controls[i].id == windowId) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Control* Win32Window::ControlAt(int index) const {
    return index >= 0 && index < static_cast<int>(controls_.size())
               ? controls_[static_cast<std::size_t>(index)].get()
               : nullptr;
}

int Win32Window::FocusedIndex() const {
    // The focus may sit in a part of a control: a combo box's field, an address field.
    for (HWND w = ::GetFocus(); w != nullptr && w != hwnd_; w = ::GetParent(w)) {
        for (std::size_t i = 0; i < windows_.size(); ++i) {
            if (windows_[i] == w) {
                return static_cast<int>(i);
            }
        }
        if (FromHwnd(w) != nullptr) {
            return -1;  // a control of a page of this window
        }
    }
    return -1;
}

void Win32Window::FocusNow(int index) {
    // Through the dialog manager, so that the default button follows the focus.
    ::SendMessageW(hwnd_, WM_NEXTDLGCTL,
                   reinterpret_cast<WPARAM>(windows_[static_cast<std::size_t>(index)]), TRUE);
}

void Win32Window::SetFocus(int index) {
    if (index < 0 || index >= static_cast<int>(windows_.size())) {
        return;
    }
    if (IsVisible()) {
        FocusNow(index);
    } else {
        pendingFocus_ = index;
    }
}

Rect Win32Window::ControlRect(int index) const {
    if (index < 0 || index >= static_cast<int>(windows_.size())) {
        return {};
    }
    RECT r{};
    ::GetWindowRect(windows_[static_cast<std::size_t>(index)], &r);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

BaseUnits Win32Window::GetBaseUnits() const {
    RECT r{0, 0, 4, 8};
    ::MapDialogRect(hwnd_, &r);
    return BaseUnits{r.right, r.bottom};
}

Rect Win32Window::MapDialogRect(const Rect& du) const {
    RECT r{du.x, du.y, du.x + du.width, du.y + du.height};
    ::MapDialogRect(hwnd_, &r);
    return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

int Win32Window::RunModal() {
    const HWND owner = ::GetWindow(hwnd_, GW_OWNER);
    const bool disableOwner = owner != nullptr && ::IsWindowEnabled(owner) != FALSE;
    if (disableOwner) {
        ::EnableWindow(owner, FALSE);
    }
    running_ = true;
    ended_ = false;
    result_ = 0;
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
    ::SetActiveWindow(hwnd_);
    MSG msg;
    while (!ended_) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // The program is quitting: the run ends as cancelled, the quit stays for the outer
            // loop.
            if (got == 0) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
            }
            if (!ended_) {
                result_ = IDCANCEL;
                events_.OnEnded(result_);
            }
            break;
        }
        Win32Backend::Dispatch(msg);
    }
    running_ = false;
    // The owner takes the activation back before this window goes.
    if (disableOwner) {
        ::EnableWindow(owner, TRUE);
    }
    HandBackActivation();
    ::ShowWindow(hwnd_, SW_HIDE);
    return result_;
}

void Win32Window::EndModal(int result) {
    if (!running_ || ended_) {
        return;
    }
    result_ = result;
    ended_ = true;
    events_.OnEnded(result);
    const HWND owner = ::GetWindow(hwnd_, GW_OWNER);
    if (owner != nullptr) {
        ::EnableWindow(owner, TRUE);
    }
    HandBackActivation();
    ::ShowWindow(hwnd_, SW_HIDE);
    ::PostMessageW(hwnd_, WM_NULL, 0, 0);  // wakes the run's loop
}

void Win32Window::HandBackActivation() {
    // As the dialog manager's EndDialog: a window going away while active hands the activation
    // to its owner, so that the next modal window and the keyboard find the program active.
    const HWND owner = ::GetWindow(hwnd_, GW_OWNER);
    if (owner != nullptr && ::GetActiveWindow() == hwnd_) {
        ::SetActiveWindow(owner);
    }
}

bool Win32Window::IsVisible() const {
    return ::IsWindowVisible(hwnd_) != FALSE;
}

void Win32Window::Show(bool visible) {
    ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}

void Win32Window::Move(const Rect& pixels) {
    RECT r{pixels.x, pixels.y, pixels.x + pixels.width, pixels.y + pixels.height};
    if ((::GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_CHILD) == 0) {
        // A top-level window's rectangle includes its frame.
        ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    }
    ::MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void Win32Window::Minimize() {
    ::ShowWindow(hwnd_, SW_MINIMIZE);
}

void Win32Window::Close() {
    ::SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

std::string Win32Window::Title() const {
    return WindowText(hwnd_);
}

void Win32Window::SetIcon(int iconId) {
    iconId_ = iconId;
    ShowImages();
}

int Win32Window::TrackMenu(const std::vector<MenuItem>& items, std::optional<Point> screen) {
    // The window menu is the system menu, holding exactly the dialog's items; a window without
    // one (a page) gets a popup of its own.
    HMENU system = ::GetSystemMenu(hwnd_, FALSE);
    const bool own = system == nullptr;
    HMENU menu = own ? ::CreatePopupMenu() : system;
    while (::GetMenuItemCount(menu) > 0) {
        ::DeleteMenu(menu, 0, MF_BYPOSITION);
    }
    for (const MenuItem& item : items) {
        if (item.id == 0 && item.text.empty()) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            const std::u16string text = ToUtf16(item.text);
            ::AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.id),
                          reinterpret_cast<const wchar_t*>(text.c_str()));
        }
    }
    POINT at{};
    if (screen) {
        at = POINT{screen->x, screen->y};
    } else {
        const int focus = FocusedIndex();
        RECT r{};
        ::GetWindowRect(focus >= 0 ? windows_[static_cast<std::size_t>(focus)] : hwnd_, &r);
        at = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    const int chosen = static_cast<int>(::TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, hwnd_, nullptr));
    if (own) {
        ::DestroyMenu(menu);
    }
    return chosen;
}

void Win32Window::Update() {
    for (HWND control : windows_) {
        ResumeRedraw(control);
    }
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

Win32Window* WindowOf(const Dialog& dialog) {
    return dynamic_cast<Win32Window*>(dialog.GetWindow());
}

HWND ControlHwnd(const Dialog& dialog, int id) {
    return HwndOf(dialog.GetDlgItem(id));
}

}  // namespace halvo::ui::win32
