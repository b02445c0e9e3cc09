// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end: halvo.exe's windows under wine, on the namespace LAN, against the simulator. The
// program is put together as app/win32/main.cpp does, on the real Win32 seams (Winsock, the WNet
// calls, ShellExecute); only the message boxes are recorded, so that their texts can be read.
// The user's clicks and typing reach the controls as the messages they cause (BM_CLICK, the
// list's and combo's notifications, WM_CHAR): without a window manager wine stacks and focuses
// its windows by the X pointer, which would send input through the queue astray. The contract
// suite drives the same controls through the real input queue.
//
// WineGuiLanTest.sh runs it on the workstation host of a LAN of NAS-Alpha, NAS-Locked (which asks
// for the administrator check) and NAS-Mute (which never answers a query). The LAN's hosts file
// (HALVO_LAN_HOSTS, through wine's Z: drive) names each box's address and configuration.
#include "app/AppContext.h"
#include "app/MainDialog.h"
#include "platform/SystemSeams.h"
#include "platform/testing/RecordingMessageBoxes.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32TextCodec.h"
#include "protocol/Messages.h"
#include "shares/ShareMappingDialog.h"
#include "shares/ShareMessages.h"
#include "ui/ResourceStore.h"
#include "ui/live/LiveSeams.h"
#include "wizard/VerifyDialog.h"
#include "wizard/WizardDialog.h"
#include "wizard/WizardPages.h"
// After the headers above, which <windows.h> would upset.
// clang-format off
#include "ui/win32/Win32Backend.h"
#include <gtest/gtest.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "ui/win32/DialogTemplateEx.h"
#include "ui/win32/Win32Controls.h"

namespace halvo::e2e {
namespace {

using app::MainDialog;
using ui::win32::ControlHwnd;
using ui::win32::Win32Backend;
using ui::win32::Win32Window;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// A file of the Linux side, by wine's Z: drive.
std::ifstream OpenUnix(const std::string& path) {
    std::string windows = "Z:" + path;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return std::ifstream(windows);
}

// The "key = value" settings of a box's configuration file.
std::map<std::string, std::string> Settings(const std::string& path) {
    std::map<std::string, std::string> settings;
    std::ifstream in = OpenUnix(path);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t at = line.find(" = ");
        if (at != std::string::npos && line[0] != '#') {
            settings.emplace(line.substr(0, at), line.substr(at + 3));
        }
    }
    return settings;
}

struct LanBox {
    std::string address;
    std::map<std::string, std::string> settings;
};

// Runs what the system has queued until the queue has stayed empty for a moment.
void Settle(DWORD quietMs = 30) {
    DWORD quietSince = ::GetTickCount();
    const DWORD start = quietSince;
    while (::GetTickCount() - quietSince < quietMs && ::GetTickCount() - start < 5000) {
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            Win32Backend::Dispatch(msg);
            quietSince = ::GetTickCount();
        } else {
            ::Sleep(1);
        }
    }
}

// Gives `control`'s window the keyboard. Without a window manager, wine's windows follow the X
// pointer's focus, which a click may hand to another window of the program.
void Activate(HWND control) {
    const HWND root = ::GetAncestor(control, GA_ROOT);
    if (::GetActiveWindow() != root) {
        ::SetForegroundWindow(root);
        ::SetActiveWindow(root);
        Settle();
    }
}

void Click(const ui::Dialog& dialog, int id) {
    const HWND w = ControlHwnd(dialog, id);
    ASSERT_NE(w, nullptr) << "no control " << id;
    Activate(w);
    // As the button tells its dialog it was clicked: wine's windows without a window manager
    // may be stacked so that a click at the screen point lands on another window of the program.
    ASSERT_TRUE(::IsWindowEnabled(w)) << "control " << id << " is disabled";
    ::SendMessageW(::GetParent(w), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(w));
    Settle();
}

// Replaces an edit's text by typing: focused, everything selected, Delete, then the
// characters. The keys are posted to the edit itself, through the program's message loop: the
// X pointer's focus that wine follows without a window manager cannot send them elsewhere.
void Type(const ui::Dialog& dialog, int id, const std::string& text) {
    const HWND w = ControlHwnd(dialog, id);
    ASSERT_NE(w, nullptr) << "no control " << id;
    Activate(w);
    ::SendMessageW(::GetParent(w), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(w), TRUE);
    ::SendMessageW(w, EM_SETSEL, 0, -1);
    ::PostMessageW(w, WM_KEYDOWN, VK_DELETE, 0x00530001);
    ::PostMessageW(w, WM_KEYUP, VK_DELETE, 0xC0530001);
    for (const char16_t c : ui::win32::ToUtf16(text)) {
        ::PostMessageW(w, WM_CHAR, static_cast<WPARAM>(c), 1);
    }
    Settle();
}

// Chooses the row of a drop-list combo box that reads `text`, by its drop-down list.
void Choose(const ui::Dialog& dialog, int id, const std::string& text) {
    auto* combo = dialog.ControlAs<ui::ComboBox>(id);
    ASSERT_NE(combo, nullptr);
    int row = -1;
    for (int i = 0; i < combo->GetCount(); ++i) {
        if (combo->GetLBText(i) == text) {
            row = i;
        }
    }
    ASSERT_GE(row, 0) << text << " is not a row of " << id;
    // As the drop-down list tells its dialog a row was chosen.
    const HWND w = ControlHwnd(dialog, id);
    ::SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    ::SendMessageW(::GetParent(w), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(w));
    Settle();
    ASSERT_EQ(combo->GetCurSel(), row);
}

// The actions armed for modal windows, by the timer that polls for each. An action runs message
// loops (the window's own, a wait's), in which its timer fires again: `running` keeps it out.
struct ArmedPoll {
    std::function<bool()> poll;  // true when done (the action ran, or the time is up)
    bool running = false;
};
std::map<UINT_PTR, ArmedPoll>& Armed() {
    static std::map<UINT_PTR, ArmedPoll> armed;
    return armed;
}

// Runs `action` once on the modal window of type T that is the active window, from inside its
// run; gives up after `timeoutMs`. Arm it before the click that opens the window.
template <class T>
std::shared_ptr<bool> WhenActive(std::function<void(T*)> action, DWORD timeoutMs = 10000) {
    auto done = std::make_shared<bool>(false);
    const DWORD until = ::GetTickCount() + timeoutMs;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
        auto found = Armed().find(id);
        if (found == Armed().end()) {
            ::KillTimer(nullptr, id);
            return;
        }
        if (found->second.running) {
            return;
        }
        found->second.running = true;
        const std::function<bool()> poll = found->second.poll;
        const bool finished = poll();
        if (finished) {
            ::KillTimer(nullptr, id);
            Armed().erase(id);
        } else {
            Armed()[id].running = false;
        }
    });
    Armed()[timer].poll = [action, done, until] {
        Win32Window* window = Win32Window::FromHwnd(::GetActiveWindow());
        T* target = window != nullptr && window->InModalRun() ? dynamic_cast<T*>(&window->Events())
                                                              : nullptr;
        if (target != nullptr) {
            *done = true;
            action(target);
            return true;
        }
        if (::GetTickCount() > until) {
            // Nothing to answer: whatever modal window runs now is ended, so that the test
            // fails instead of waiting for ever.
            auto* stuck =
                window != nullptr ? dynamic_cast<ui::Dialog*>(&window->Events()) : nullptr;
            std::fprintf(stderr, "no %s became active; ending the window \"%s\"\n",
                         typeid(T).name(), stuck != nullptr ? stuck->GetWindowText().c_str() : "");
            if (stuck != nullptr && stuck->IsRunning()) {
                stuck->EndDialog(ui::IDCANCEL);
            }
            return true;
        }
        return false;
    };
    return done;
}

// A modal run is ended when the armed action returns, whatever a failed check left undone.
class EndOnExit {
  public:
    explicit EndOnExit(ui::Dialog* dialog) : dialog_(dialog) {}
    ~EndOnExit() {
        if (dialog_->IsRunning() && dialog_->IsWindowVisible()) {
            dialog_->EndDialog(ui::IDCANCEL);
        }
    }
    EndOnExit(const EndOnExit&) = delete;
    EndOnExit& operator=(const EndOnExit&) = delete;

  private:
    ui::Dialog* dialog_;
};

std::string Text(const ui::Dialog& dialog, int id) {
    return ui::win32::WindowText(ControlHwnd(dialog, id));
}

class WineGuiLan : public ::testing::Test {
  protected:
    void SetUp() override {
        // "index address instance config" per device host.
        std::ifstream hosts = OpenUnix(Env("HALVO_LAN_HOSTS"));
        std::string index, address, instance, config;
        while (hosts >> index >> address >> instance >> config) {
            LanBox box{address, Settings(config)};
            boxes_[box.settings["name"]] = box;
        }
        ASSERT_EQ(boxes_.size(), 3u) << "the LAN's hosts file: " << Env("HALVO_LAN_HOSTS");
        std::string error;
        ASSERT_TRUE(resources_.LoadBuiltIn(&error)) << error;
        context_.interfaces = &system_->interfaces();
    }

    std::unique_ptr<MainDialog> OpenMain() {
        auto main = std::make_unique<MainDialog>(context_);
        EXPECT_TRUE(main->Create());  // its first discovery runs here
        const HWND w = ui::win32::WindowOf(*main)->Hwnd();
        ::ShowWindow(w, SW_SHOW);
        ::SetForegroundWindow(w);
        Settle();
        return main;
    }

    std::vector<std::string> Entries(const MainDialog& main) const {
        auto* list = main.ControlAs<ui::ListBox>(app::IDC_DEVICE_LIST);
        std::vector<std::string> names;
        for (int i = 0; i < list->GetCount(); ++i) {
            names.push_back(list->GetText(i));
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Clicks the entry of the device list that shows `name`: the detail query runs.
    void ClickEntry(MainDialog& main, const std::string& name, bool selected = true) {
        auto* list = main.ControlAs<ui::ListBox>(app::IDC_DEVICE_LIST);
        int row = -1;
        for (int i = 0; i < list->GetCount(); ++i) {
            if (list->GetText(i) == name) {
                row = i;
            }
        }
        ASSERT_GE(row, 0) << name << " is not in the device list";
        // As the list box tells its dialog the user's choice.
        const HWND w = ControlHwnd(main, app::IDC_DEVICE_LIST);
        Activate(w);
        ::SendMessageW(w, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
        ::SendMessageW(::GetParent(w), WM_COMMAND, MAKEWPARAM(app::IDC_DEVICE_LIST, LBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(w));
        Settle();
        if (selected) {
            ASSERT_EQ(list->GetCurSel(), row);
        }
    }

    bool Enabled(const ui::Dialog& dialog, int id) const {
        return ::IsWindowEnabled(ControlHwnd(dialog, id)) != FALSE;
    }

    std::map<std::string, LanBox> boxes_;
    ui::ResourceStore resources_;
    const std::unique_ptr<platform::SystemSeams> system_ = platform::MakeSystemSeams();
    platform::testing::RecordingMessageBoxes recorded_;
    platform::Win32TextCodec codec_;
    Win32Backend ui_;
    ui::LiveSeams live_{system_->sockets(), system_->clock(), recorded_, ui_.eventWait()};
    app::AppContext context_{live_.sockets(),   live_.clock(),       live_.messages(),
                             system_->shell(),  resources_,          ui_,
                             system_->drives(), system_->timeZone(), codec_};
};

TEST_F(WineGuiLan, EveryBoxIsListedAfterTheStartUpDiscoveryAndEachSelectionShowsItsDetails) {
    auto main = OpenMain();
    std::vector<std::string> expected;
    for (const auto& [name, box] : boxes_) {
        expected.push_back(name);
    }
    EXPECT_EQ(Entries(*main), expected);
    for (const char* name : {"NAS-Alpha", "NAS-Locked"}) {
        ClickEntry(*main, name);
        EXPECT_EQ(Text(*main, app::IDC_IP_ADDRESS), boxes_[name].address) << name;
        EXPECT_EQ(Text(*main, app::IDC_DESCRIPTION), boxes_[name].settings["description"]) << name;
        EXPECT_FALSE(Text(*main, app::IDC_FIRMWARE_VERSION).empty()) << name;
        EXPECT_EQ(Text(*main, app::IDC_MAC_ADDRESS).size(), 17u) << name;
        EXPECT_GT(main->ControlAs<ui::ListView>(app::IDC_USB_LIST)->GetItemCount(), 0) << name;
        for (int id : {app::IDC_ACCESS_VIA_WEB, app::IDC_SETUP_WIZARD, app::IDC_SHARE_MAPPING}) {
            EXPECT_TRUE(Enabled(*main, id)) << name << " " << id;
        }
    }
    EXPECT_TRUE(recorded_.boxes.empty());
}

TEST_F(WineGuiLan, TheWizardWritesBehindTheAdministratorCheckRefusedThenAccepted) {
    const LanBox& locked = boxes_["NAS-Locked"];
    auto main = OpenMain();
    ClickEntry(*main, "NAS-Locked");
    ASSERT_NE(main->SelectedDevice(), nullptr);
    ASSERT_EQ(main->SelectedDevice()->passwordRequired, 1);

    std::vector<std::string> afterWrong;
    bool stayedOpen = false;
    std::vector<int> pages;
    std::shared_ptr<bool> wizardSeen;
    auto verifySeen = WhenActive<wizard::VerifyDialog>([&](wizard::VerifyDialog* verify) {
        EndOnExit end(verify);
        Type(*verify, wizard::VERIFY_NAME_EDIT, locked.settings.at("admin_name"));
        Type(*verify, wizard::VERIFY_PASSWORD_EDIT, "wrong");
        Click(*verify, wizard::VERIFY_OK_BUTTON);
        afterWrong = recorded_.Texts();
        stayedOpen = verify->IsRunning();
        wizardSeen = WhenActive<wizard::WizardDialog>(
            [&](wizard::WizardDialog* wizard) {
                EndOnExit endWizard(wizard);
                Type(*wizard->GetPage(0), wizard::SystemPage::DESCRIPTION_EDIT,
                     "Written under wine");
                Click(*wizard, wizard::WizardDialog::NEXT_BUTTON);
                pages.push_back(wizard->CurrentPage());
                auto* gateway = wizard->GetPage(1)->ControlAs<ui::IpAddressControl>(
                    wizard::NetworkPage::GATEWAY);
                EXPECT_TRUE(gateway->SetAddress("10.77.0.1"));
                Click(*wizard, wizard::WizardDialog::NEXT_BUTTON);
                pages.push_back(wizard->CurrentPage());
                Click(*wizard, wizard::WizardDialog::NEXT_BUTTON);  // "&Finished"
            },
            30000);
        // The right password: the check ends and the wizard opens.
        Type(*verify, wizard::VERIFY_PASSWORD_EDIT, locked.settings.at("admin_password"));
        Click(*verify, wizard::VERIFY_OK_BUTTON);
        // Ended: hidden at once, its run returns once this action has.
        EXPECT_FALSE(verify->IsWindowVisible());
    });
    Click(*main, app::IDC_SETUP_WIZARD);

    ASSERT_TRUE(*verifySeen) << "the administrator check did not open";
    EXPECT_EQ(afterWrong, std::vector<std::string>{std::string(protocol::MSG_VERIFY_FAILED)});
    EXPECT_TRUE(stayedOpen);
    ASSERT_TRUE(wizardSeen && *wizardSeen) << "the wizard did not open after the right password";
    EXPECT_EQ(pages, (std::vector<int>{1, 2}));
    EXPECT_EQ(recorded_.Texts(), afterWrong);  // both writes were taken

    // The next detail query reads back what the pages sent.
    ClickEntry(*main, "NAS-Locked");
    EXPECT_EQ(Text(*main, app::IDC_DESCRIPTION), "Written under wine");
    ASSERT_NE(main->SelectedDevice(), nullptr);
    EXPECT_EQ(main->SelectedDevice()->gateway.view(), "10.77.0.1");
}

TEST_F(WineGuiLan, ShareMappingReachesTheSystemWhichHasNoNetworkHere) {
    const LanBox& alpha = boxes_["NAS-Alpha"];
    auto main = OpenMain();
    ClickEntry(*main, "NAS-Alpha");
    std::vector<std::string> messages;
    int mappedRows = -1;
    auto seen = WhenActive<shares::ShareMappingDialog>([&](shares::ShareMappingDialog* dialog) {
        EndOnExit end(dialog);
        Type(*dialog, shares::IDC_USER_NAME, alpha.settings.at("smb_user"));
        Type(*dialog, shares::IDC_PASSWORD, alpha.settings.at("smb_password"));
        Choose(*dialog, shares::IDC_SHARE_COMBO, "public");
        Choose(*dialog, shares::IDC_DRIVE_COMBO, "Q:");
        Click(*dialog, shares::IDC_MAP);
        messages = recorded_.Texts();
        mappedRows = dialog->ControlAs<ui::ListView>(shares::IDC_MAPPED_LIST)->GetItemCount();
        Click(*dialog, ui::IDCANCEL);
    });
    Click(*main, app::IDC_SHARE_MAPPING);
    ASSERT_TRUE(*seen) << "the share mapping dialog did not open";
    // Wine's WNetAddConnection2W answers "no network" (1222): the failure as the window shows it.
    EXPECT_EQ(messages, std::vector<std::string>{std::string(shares::MSG_MAP_FAILED)});
    EXPECT_EQ(mappedRows, 0);
    EXPECT_EQ(system_->drives().GetLogicalDrives() & (1u << ('Q' - 'A')), 0u);
}

TEST_F(WineGuiLan, AccessViaWebHandsTheBoxsAddressToTheShell) {
    auto main = OpenMain();
    ClickEntry(*main, "NAS-Alpha");
    Click(*main, app::IDC_ACCESS_VIA_WEB);
    // The shell's browser (wine's hook, set by the script) records what it got; the script
    // checks it against this address.
    std::printf("web-page-opened-for %s\n", boxes_["NAS-Alpha"].address.c_str());
    EXPECT_TRUE(recorded_.boxes.empty());
}

// During a query the silent box never answers, the window is covered and uncovered: it paints
// itself again meanwhile, and the busy cursor shows.
TEST_F(WineGuiLan, TheWindowRepaintsWhileASilentBoxsQueryWaits) {
    auto main = OpenMain();
    const HWND w = ui::win32::WindowOf(*main)->Hwnd();
    RECT frame{};
    ::GetWindowRect(w, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;

    // The window's pixels, as the screen shows them.
    auto capture = [&] {
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
        const HDC screen = ::GetDC(nullptr);
        const HDC memory = ::CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
        std::memcpy(pixels.data(), bits, pixels.size() * 4);
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
        return pixels;
    };

    static std::vector<std::function<void()>> steps;
    static std::size_t next = 0;
    std::vector<std::uint32_t> before;
    std::vector<std::uint32_t> covered;
    std::vector<std::uint32_t> after;
    bool busyShown = false;
    HWND cover = nullptr;
    steps = {
        [&] {
            before = capture();
            busyShown = ::GetCursor() == ::LoadCursorW(nullptr, IDC_WAIT);
            // A plain black window over the whole of ours, then gone again.
            cover = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"",
                                      WS_POPUP | WS_VISIBLE | SS_BLACKRECT, frame.left, frame.top,
                                      width, height, nullptr, nullptr, nullptr, nullptr);
        },
        [&] {
            covered = capture();
            ::DestroyWindow(cover);
        },
        [&] { after = capture(); },
    };
    next = 0;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 400, [](HWND, UINT, UINT_PTR id, DWORD) {
        if (next < steps.size()) {
            steps[next++]();
        } else {
            ::KillTimer(nullptr, id);
        }
    });
    const auto start = std::chrono::steady_clock::now();
    ClickEntry(*main, "NAS-Mute", false);  // the query waits until it gives up
    const auto waited = std::chrono::steady_clock::now() - start;
    ::KillTimer(nullptr, timer);

    ASSERT_EQ(next, steps.size()) << "the steps did not all run inside the wait";
    EXPECT_GT(waited, std::chrono::milliseconds(1200));
    EXPECT_TRUE(busyShown) << "no busy cursor 400 ms into the wait";
    EXPECT_NE(covered, before) << "the cover did not show";
    EXPECT_EQ(after, before) << "the window did not paint itself again while the query waited";
}

}  // namespace
}  // namespace halvo::e2e
