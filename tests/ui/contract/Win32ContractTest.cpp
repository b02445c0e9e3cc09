// SPDX-License-Identifier: GPL-3.0-or-later
// The backend contract on the Win32 backend, driven as the user drives it: mouse clicks and
// keys through the system's input queue (SendInput), so that hit testing, the focus and the
// enabled state decide where they land; the close box and the window menu as the system sends
// them.
// The dialog layer before <windows.h>, whose macros would hide its constants.
#include "tests/ui/contract/BackendContract.h"
// clang-format off
#include "ui/win32/Win32Backend.h"
#include <commctrl.h>
#include <oleacc.h>
// clang-format on

#include <algorithm>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "platform/win32/WideText.h"
#include "ui/win32/Accessibility.h"
#include "ui/win32/DialogTemplateEx.h"
#include "ui/win32/Win32Controls.h"

namespace halvo::ui::contract {
namespace {

using win32::Win32Backend;

// Runs what the system has queued (the input sent, what it caused) until the queue has stayed
// empty for a moment.
void Settle() {
    DWORD quietSince = ::GetTickCount();
    const DWORD start = quietSince;
    while (::GetTickCount() - quietSince < 30 && ::GetTickCount() - start < 2000) {
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            Win32Backend::Dispatch(msg);
            quietSince = ::GetTickCount();
        } else {
            ::Sleep(1);
        }
    }
}

void Send(std::vector<INPUT> inputs) {
    ASSERT_EQ(::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
              inputs.size());
    Settle();
}

INPUT KeyInput(WORD key, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

void KeyPress(WORD key) {
    Send({KeyInput(key, false), KeyInput(key, true)});
}

void TypeText(const std::string& utf8) {
    for (const char16_t c : win32::ToUtf16(utf8)) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wScan = static_cast<WORD>(c);
        down.ki.dwFlags = KEYEVENTF_UNICODE;
        INPUT up = down;
        up.ki.dwFlags |= KEYEVENTF_KEYUP;
        Send({down, up});
    }
}

// A click of `button` at `screen`.
void ClickAt(POINT screen, bool right = false) {
    ::SetCursorPos(screen.x, screen.y);
    INPUT down{};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    INPUT up{};
    up.type = INPUT_MOUSE;
    up.mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    Send({down, up});
}

POINT CenterOf(HWND window, RECT client) {
    POINT at{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
    ::ClientToScreen(window, &at);
    return at;
}

// What runs inside a modal run, from a thread timer of the run's own loop.
std::function<void()> pendingSteps;

class Win32Driver final : public ContractDriver {
  public:
    Backend& Ui() override { return ui_; }
    void Show(Dialog& dialog) override {
        const HWND w = win32::WindowOf(dialog)->Hwnd();
        ::ShowWindow(w, SW_SHOW);
        ::SetForegroundWindow(w);
        Settle();
        EXPECT_EQ(::GetForegroundWindow(), w);
    }
    void Hide(Dialog& dialog) override {
        ::ShowWindow(win32::WindowOf(dialog)->Hwnd(), SW_HIDE);
        Settle();
    }
    void Click(Dialog& dialog, int id) override {
        const HWND w = win32::ControlHwnd(dialog, id);
        ASSERT_NE(w, nullptr);
        RECT r{};
        ::GetClientRect(w, &r);
        // A check box takes clicks on its box and its text, not on the empty rest.
        if ((::GetWindowLongPtrW(w, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
            r.right = r.left + 12;
        }
        ClickAt(CenterOf(w, r));
    }
    void Type(Dialog& dialog, int id, const std::string& text) override {
        HWND w = win32::ControlHwnd(dialog, id);
        ASSERT_NE(w, nullptr);
        COMBOBOXINFO combo{};
        combo.cbSize = sizeof combo;
        if (::GetComboBoxInfo(w, &combo) && combo.hwndItem != nullptr) {
            w = combo.hwndItem;
        }
        ::SetFocus(w);
        ::SendMessageW(w, EM_SETSEL, 0, -1);
        KeyPress(VK_DELETE);
        TypeText(text);
    }
    void TypeAddress(Dialog& dialog, int id, const std::string& keys) override {
        auto* address = dialog.ControlAs<IpAddressControl>(id);
        ASSERT_NE(address, nullptr);
        address->ClearAddress();
        ::SendMessageW(win32::ControlHwnd(dialog, id), IPM_SETFOCUS, 0, 0);  // its first field
        Settle();
        TypeText(keys);
    }
    void Choose(Dialog& dialog, int id, int row) override {
        const HWND w = win32::ControlHwnd(dialog, id);
        wchar_t name[32] = {};
        ::GetClassNameW(w, name, 32);
        const std::wstring kind = name;
        RECT r{};
        if (kind == L"ListBox") {
            ::SendMessageW(w, LB_GETITEMRECT, static_cast<WPARAM>(row),
                           reinterpret_cast<LPARAM>(&r));
            ClickAt(CenterOf(w, r));
        } else if (kind == WC_LISTVIEWW) {
            r.left = LVIR_LABEL;
            ::SendMessageW(w, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                           reinterpret_cast<LPARAM>(&r));
            ClickAt(CenterOf(w, r));
        } else if (kind == L"ComboBox") {
            // Dropped down by its button, then the row clicked in its list.
            COMBOBOXINFO combo{};
            combo.cbSize = sizeof combo;
            ASSERT_TRUE(::GetComboBoxInfo(w, &combo));
            ClickAt(CenterOf(w, combo.rcButton));
            ::SendMessageW(combo.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(row),
                           reinterpret_cast<LPARAM>(&r));
            ClickAt(CenterOf(combo.hwndList, r));
        } else {
            ADD_FAILURE() << "control " << id << " has no rows to choose";
        }
    }
    void Press(Dialog&, Key key) override {
        switch (key) {
            case Key::enter:
                KeyPress(VK_RETURN);
                break;
            case Key::escape:
                KeyPress(VK_ESCAPE);
                break;
            case Key::menu:
                KeyPress(VK_APPS);
                break;
            case Key::other:
                KeyPress('A');
                break;
        }
    }
    void Tab(Dialog&) override { KeyPress(VK_TAB); }
    int RunModal(Dialog& dialog, const std::function<void()>& steps) override {
        pendingSteps = [&dialog, steps] {
            steps();
            if (dialog.IsRunning() && dialog.IsWindowVisible()) {
                dialog.EndDialog(IDCANCEL);
            }
        };
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
            const HWND active = ::GetForegroundWindow();
            if (!pendingSteps || active == nullptr ||
                win32::Win32Window::FromHwnd(active) == nullptr ||
                !win32::Win32Window::FromHwnd(active)->InModalRun()) {
                return;
            }
            ::KillTimer(nullptr, id);
            const std::function<void()> run = std::move(pendingSteps);
            pendingSteps = nullptr;
            run();
        });
        const int result = dialog.RunModal();
        ::KillTimer(nullptr, timer);
        pendingSteps = nullptr;
        return result;
    }
    void CloseBox(Dialog& dialog) override {
        ::PostMessageW(win32::WindowOf(dialog)->Hwnd(), WM_SYSCOMMAND, 0xF060 /* SC_CLOSE */, 0);
        Settle();
    }
    void ChooseMenuItem(Dialog& dialog, int id) override {
        // The menu runs a loop of its own: the item is clicked from a timer that fires in it.
        static int wanted = 0;
        static HWND window = nullptr;
        wanted = id;
        window = win32::WindowOf(dialog)->Hwnd();
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR timerId, DWORD) {
            // Until the menu is on show.
            const HWND shown = ::FindWindowW(L"#32768", nullptr);
            if (shown == nullptr || !::IsWindowVisible(shown)) {
                return;
            }
            ::KillTimer(nullptr, timerId);
            const HMENU menu = ::GetSystemMenu(window, FALSE);
            int position = -1;
            for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
                if (static_cast<int>(::GetMenuItemID(menu, i)) == wanted) {
                    position = i;
                }
            }
            RECT item{};
            if (position < 0 ||
                !::GetMenuItemRect(nullptr, menu, static_cast<UINT>(position), &item)) {
                ::EndMenu();
                return;
            }
            const POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
            ::SetCursorPos(at.x, at.y);
            INPUT click[2] = {};
            click[0].type = click[1].type = INPUT_MOUSE;
            click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            ::SendInput(2, click, sizeof(INPUT));
        });
        RECT r{};
        ::GetWindowRect(window, &r);
        ClickAt(POINT{r.left + 20, r.bottom - 5}, /*right=*/true);
        ::KillTimer(nullptr, timer);
    }
    std::string AccessibleName(Dialog& dialog, int id) override {
        // As a screen reader asks: the control's accessible object, through the system.
        IAccessible* object = nullptr;
        const HRESULT got = ::AccessibleObjectFromWindow(
            win32::ControlHwnd(dialog, id), static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
            reinterpret_cast<void**>(&object));
        if (FAILED(got)) {
            ADD_FAILURE() << "no accessible object: " << std::hex << got;
            return {};
        }
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr;
        std::string result;
        const HRESULT hr = object->get_accName(self, &name);
        EXPECT_EQ(hr, S_OK);
        if (SUCCEEDED(hr) && name != nullptr) {
            const std::wstring wide(name, ::SysStringLen(name));
            result = platform::win32::Narrow(wide);
            ::SysFreeString(name);
        }
        object->Release();
        return result;
    }

    int Paints(Dialog& dialog, int id) override {
        const HWND w = win32::ControlHwnd(dialog, id);
        if (paints_.count(w) == 0) {
            ::SetWindowSubclass(w, &CountPaints, kPaintCounter,
                                reinterpret_cast<DWORD_PTR>(&paints_[w]));
        }
        return paints_[w];
    }

  private:
    static constexpr UINT_PTR kPaintCounter = 0x50;  // "P"
    static LRESULT CALLBACK CountPaints(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR count) {
        if (message == WM_PAINT) {
            ++*reinterpret_cast<int*>(count);
        }
        return ::DefSubclassProc(window, message, wParam, lParam);
    }

    Win32Backend ui_;
    std::map<HWND, int> paints_;  // the subclass of each counted window points into it
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, BackendContract, Win32Driver);

// The windows assistive technology was told have the focus or a new value, in that order.
std::vector<std::pair<DWORD, HWND>>& WinEvents() {
    static std::vector<std::pair<DWORD, HWND>> events;
    return events;
}
void CALLBACK RecordWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                             DWORD, DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF) {
        WinEvents().emplace_back(event, window);
    }
}

std::string Text(IAccessible* object,
                 HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    std::string result;
    if ((object->*get)(self, &text) == S_OK && text != nullptr) {
        result = platform::win32::Narrow(std::wstring(text, ::SysStringLen(text)));
        ::SysFreeString(text);
    }
    return result;
}

// The month calendar that a date picker drops down says the picker's name and, as its value, the
// day it is on; dropping down gives it the focus, a new day a new value.
TEST(Win32DatePickerCalendar, SaysThePickersNameAndTheDayItIsOn) {
    Win32Driver driver;
    ContractDialog dialog(driver.Ui());
    ASSERT_TRUE(dialog.Create());
    driver.Show(dialog);
    const HWND picker = win32::ControlHwnd(dialog, DATE);
    win32::SetAccessibleName(picker, "Device date");
    dialog.date->SetDate({2012, 2, 28});
    WinEvents().clear();
    const HWINEVENTHOOK hook =
        ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, &RecordWinEvent, 0,
                          0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    // A click on the drop-down arrow, at the picker's right end.
    RECT box{};
    ::GetClientRect(picker, &box);
    const LPARAM arrow = MAKELPARAM(box.right - 6, box.bottom / 2);
    ::SendMessageW(picker, WM_LBUTTONDOWN, MK_LBUTTON, arrow);
    ::SendMessageW(picker, WM_LBUTTONUP, 0, arrow);
    Settle();
    const auto calendar = reinterpret_cast<HWND>(::SendMessageW(picker, DTM_GETMONTHCAL, 0, 0));
    ASSERT_NE(calendar, nullptr);
    ASSERT_TRUE(::IsWindowVisible(calendar));
    EXPECT_NE(std::find(WinEvents().begin(), WinEvents().end(),
                        std::make_pair(static_cast<DWORD>(EVENT_OBJECT_FOCUS), calendar)),
              WinEvents().end());

    const auto longDate = [](WORD day) {
        SYSTEMTIME date{};
        date.wYear = 2012;
        date.wMonth = 2;
        date.wDay = day;
        wchar_t text[128] = L"";
        ::GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &date, nullptr, text, 128,
                          nullptr);
        return platform::win32::Narrow(text);
    };
    IAccessible* object = nullptr;
    ASSERT_TRUE(SUCCEEDED(::AccessibleObjectFromWindow(calendar, static_cast<DWORD>(OBJID_CLIENT),
                                                       IID_IAccessible,
                                                       reinterpret_cast<void**>(&object))));
    EXPECT_EQ(Text(object, &IAccessible::get_accName), "Device date");
    EXPECT_EQ(Text(object, &IAccessible::get_accValue), longDate(28));

    // Another day, as the calendar reports the user's move to its picker.
    SYSTEMTIME next{};
    next.wYear = 2012;
    next.wMonth = 2;
    next.wDay = 29;
    ::SendMessageW(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&next));
    NMDATETIMECHANGE change{};
    change.nmhdr.hwndFrom = picker;
    change.nmhdr.idFrom = DATE;
    change.nmhdr.code = DTN_DATETIMECHANGE;
    change.st = next;
    WinEvents().clear();
    ::SendMessageW(win32::WindowOf(dialog)->Hwnd(), WM_NOTIFY, DATE,
                   reinterpret_cast<LPARAM>(&change));
    Settle();
    EXPECT_NE(std::find(WinEvents().begin(), WinEvents().end(),
                        std::make_pair(static_cast<DWORD>(EVENT_OBJECT_VALUECHANGE), calendar)),
              WinEvents().end());
    EXPECT_EQ(Text(object, &IAccessible::get_accValue), longDate(29));
    object->Release();
    ::UnhookWinEvent(hook);
    ::SendMessageW(picker, DTM_CLOSEMONTHCAL, 0, 0);
}

}  // namespace
}  // namespace halvo::ui::contract
