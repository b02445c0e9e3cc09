// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 backend's windows as the dialog manager makes them, under wine.
// - The templates' faces draw with the Debian fonts the Qt backend uses for them (the test
//   prefixes map them: scripts/wine-env.sh).
// - At 144 and 192 dpi, what the backend gives in pixels, read back from the real windows: the
//   list view's header, the images the statics and the window hold. The dpi of a prefix is read
//   once by each process, so each dpi runs in a process of its own, started with the prefix's
//   LogPixels set for it (and set back after).
// The dialog layer before <windows.h>, whose macros would hide its constants.
#include "ui/Dialog.h"
// clang-format off
#include "ui/win32/Win32Backend.h"
#include <commctrl.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/WideText.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/Win32Controls.h"

namespace halvo::ui::win32 {
namespace {

constexpr char kDpiVariable[] = "HALVO_TEST_DPI";
constexpr wchar_t kDpiVariableW[] = L"HALVO_TEST_DPI";
constexpr int kMainWindow = 102;
constexpr int kUsbList = 1081;
constexpr int kAbout = 100;
constexpr int kShareMapping = 105;
constexpr int kWizardFrame = 129;
constexpr int kSideBitmap = 1024;
constexpr int kIcon = 128;
// The main window's USB columns, as the design gives them (pixels at 96 dpi).
const std::vector<int> kDesignWidths = {110, 70, 70, 100, 72};

class Window : public Dialog {
  public:
    Window(Backend& backend, const ResourceStore& store, int id) : Dialog(backend, store, id) {}
    bool OnInitDialog() override {
        SetIcon(kIcon);
        if (auto* list = ControlAs<ListView>(kUsbList)) {
            for (int c = 0; c < static_cast<int>(kDesignWidths.size()); ++c) {
                list->InsertColumn(c, "Column " + std::to_string(c), Align::left,
                                   kDesignWidths[static_cast<std::size_t>(c)]);
            }
        }
        return true;
    }
    HWND Hwnd() const { return WindowOf(*this)->Hwnd(); }
};

// The widths of the list view's columns as its header has them, in pixels.
std::vector<int> HeaderWidths(HWND list) {
    const HWND header = ListView_GetHeader(list);
    std::vector<int> widths;
    for (int c = 0; c < Header_GetItemCount(header); ++c) {
        RECT r{};
        Header_GetItemRect(header, c, &r);
        widths.push_back(r.right - r.left);
    }
    return widths;
}

std::vector<int> Scaled(const std::vector<int>& widths, int dpi) {
    std::vector<int> out;
    for (int w : widths) {
        out.push_back(ScaleForDpi(w, dpi));
    }
    return out;
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    return ::GetObjectW(bitmap, sizeof info, &info) != 0 ? SIZE{info.bmWidth, info.bmHeight}
                                                         : SIZE{0, 0};
}

int IconWidth(HICON icon) {
    ICONINFO info{};
    if (icon == nullptr || !::GetIconInfo(icon, &info)) {
        return 0;
    }
    const int width = BitmapSize(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask).cx;
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return width;
}

int WindowIconWidth(HWND window, WPARAM which) {
    return IconWidth(reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, which, 0)));
}

// The widths of a few texts and the height of a font, which tell one font from another.
std::vector<long> Measures(HDC dc, HFONT font) {
    const HGDIOBJ old = ::SelectObject(dc, font);
    std::vector<long> out;
    for (const wchar_t* text :
         {L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", L"Free Space", L"0123456789"}) {
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text, static_cast<int>(std::wcslen(text)), &size);
        out.push_back(size.cx);
    }
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    out.push_back(metrics.tmHeight);
    ::SelectObject(dc, old);
    return out;
}

bool FaceInstalled(HDC dc, const std::wstring& face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    bool found = false;
    ::EnumFontFamiliesExW(
        dc, &wanted,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM out) {
            *reinterpret_cast<bool*>(out) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

TEST(Win32Fonts, TheTemplatesFacesDrawWithTheirDebianStandIns) {
    Win32Backend backend;
    ResourceStore store;
    std::string error;
    ASSERT_TRUE(store.LoadBuiltIn(&error)) << error;
    const HDC dc = ::GetDC(nullptr);
    // The main window (宋体 9) and share mapping (MS Sans Serif 8), and the Debian face each is
    // drawn with (scripts/wine-env.sh says why these).
    for (const auto& [id, face] :
         {std::pair<int, std::wstring>{kMainWindow, L"WenQuanYi Zen Hei Mono"},
          std::pair<int, std::wstring>{kShareMapping, L"DejaVu Sans Condensed"}}) {
        const std::string name(face.begin(), face.end());
        ASSERT_TRUE(FaceInstalled(dc, face)) << name << " is not installed";
        Window window(backend, store, id);
        ASSERT_TRUE(window.Create());
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(window.Hwnd(), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTW asked{};
        ASSERT_NE(::GetObjectW(font, sizeof asked, &asked), 0);
        LOGFONTW debian = asked;
        std::fill(std::begin(debian.lfFaceName), std::end(debian.lfFaceName), L'\0');
        face.copy(debian.lfFaceName, LF_FACESIZE - 1);
        const HFONT expected = ::CreateFontIndirectW(&debian);
        EXPECT_EQ(Measures(dc, font), Measures(dc, expected))
            << "dialog " << id << " does not draw with " << name
            << " (alphabet, \"Free Space\", digits, height)";
        ::DeleteObject(expected);
    }
    ::ReleaseDC(nullptr, dc);
}

// What a process started at `dpi` finds.
void CheckAtDpi(int dpi) {
    Win32Backend backend;
    ResourceStore store;
    std::string error;
    ASSERT_TRUE(store.LoadBuiltIn(&error)) << error;

    Window main(backend, store, kMainWindow);
    ASSERT_TRUE(main.Create());
    ASSERT_EQ(WindowDpi(main.Hwnd()), dpi)
        << "the window is not at the prefix's dpi: is the process per-monitor aware?";

    // The columns: scaled in the header, the design's widths through the interface.
    auto* list = main.ControlAs<ListView>(kUsbList);
    ASSERT_NE(list, nullptr);
    const HWND listWindow = ControlHwnd(main, kUsbList);
    EXPECT_EQ(HeaderWidths(listWindow), Scaled(kDesignWidths, dpi));
    for (int c = 0; c < static_cast<int>(kDesignWidths.size()); ++c) {
        EXPECT_EQ(list->GetColumnWidth(c), kDesignWidths[static_cast<std::size_t>(c)]) << c;
    }
    // The window's icons at the sizes of this dpi.
    EXPECT_EQ(WindowIconWidth(main.Hwnd(), ICON_SMALL), ScaleForDpi(16, dpi));
    EXPECT_EQ(WindowIconWidth(main.Hwnd(), ICON_BIG), ScaleForDpi(32, dpi));

    // A column the user drags keeps its width across a change of dpi, as the design's do.
    ListView_SetColumnWidth(listWindow, 0, ScaleForDpi(150, dpi));
    EXPECT_EQ(list->GetColumnWidth(0), 150);

    // Moved to a 96-dpi screen, as Windows tells a per-monitor aware window (wine never does:
    // it has one dpi for every screen).
    RECT suggested{40, 30, 40 + 500, 30 + 400};
    ::SendMessageW(main.Hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96),
                   reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    ::GetWindowRect(main.Hwnd(), &now);
    EXPECT_EQ(now.left, suggested.left);
    EXPECT_EQ(now.top, suggested.top);
    EXPECT_EQ(now.right, suggested.right);
    EXPECT_EQ(now.bottom, suggested.bottom);
    std::vector<int> at96 = kDesignWidths;
    at96[0] = 150;
    EXPECT_EQ(HeaderWidths(listWindow), at96);
    EXPECT_EQ(list->GetColumnWidth(1), kDesignWidths[1]);
    EXPECT_EQ(WindowIconWidth(main.Hwnd(), ICON_BIG), 32);

    // The wizard's side bitmap from its 2x drawing, at the size the dpi gives 160 x 249.
    Window wizard(backend, store, kWizardFrame);
    ASSERT_TRUE(wizard.Create());
    const auto bitmap = reinterpret_cast<HBITMAP>(
        ::SendMessageW(ControlHwnd(wizard, kSideBitmap), STM_GETIMAGE, IMAGE_BITMAP, 0));
    const SIZE size = BitmapSize(bitmap);
    EXPECT_EQ(size.cx, ScaleForDpi(160, dpi));
    EXPECT_EQ(size.cy, ScaleForDpi(249, dpi));

    // About's icon control, at the icon size of the dpi.
    Window about(backend, store, kAbout);
    ASSERT_TRUE(about.Create());
    HWND iconWindow = nullptr;
    for (HWND w = ::GetWindow(about.Hwnd(), GW_CHILD); w != nullptr;
         w = ::GetWindow(w, GW_HWNDNEXT)) {
        if ((::GetWindowLongPtrW(w, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            iconWindow = w;
        }
    }
    ASSERT_NE(iconWindow, nullptr);
    EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(::SendMessageW(iconWindow, STM_GETICON, 0, 0))),
              ScaleForDpi(32, dpi));
}

// The prefix's dpi (HKCU\Control Panel\Desktop, LogPixels) for the processes started while it
// lives; what was there before comes back after.
class PrefixDpi {
  public:
    explicit PrefixDpi(DWORD dpi) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr);
        DWORD value = 0;
        DWORD size = sizeof value;
        DWORD type = 0;
        if (::RegQueryValueExW(key_, L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&value),
                               &size) == ERROR_SUCCESS &&
            type == REG_DWORD) {
            before_ = value;
        }
        ::RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                         sizeof dpi);
    }
    ~PrefixDpi() {
        if (before_) {
            ::RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&*before_), sizeof *before_);
        } else {
            ::RegDeleteValueW(key_, L"LogPixels");
        }
        ::RegCloseKey(key_);
    }
    PrefixDpi(const PrefixDpi&) = delete;
    PrefixDpi& operator=(const PrefixDpi&) = delete;

  private:
    HKEY key_ = nullptr;
    std::optional<DWORD> before_;
};

// This test alone, in a new process of this program at `dpi`; its exit status.
DWORD RunAtDpi(int dpi) {
    const PrefixDpi prefix(static_cast<DWORD>(dpi));
    // A copy on the prefix's own drive: a test prefix has no drive for the file system's root,
    // and wine names this program by its Unix path ("unix\work\..."), which it does not start.
    wchar_t module[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::wstring self =
        module[0] != L'\0' && module[1] == L':' ? module : L"\\\\?\\" + std::wstring(module);
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring program = std::wstring(temp) + L"halvo_win32_display_tests_child.exe";
    if (!::CopyFileW(self.c_str(), program.c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy this program: error " << ::GetLastError();
        return 1;
    }
    std::wstring command =
        L"\"" + program + L"\" --gtest_filter=Win32Dpi.ColumnsImagesAndDpiChangeAt144And192";
    const std::wstring value = std::to_wstring(dpi);
    ::SetEnvironmentVariableW(kDpiVariableW, value.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE,
                                          0, nullptr, temp, &startup, &process);
    ::SetEnvironmentVariableW(kDpiVariableW, nullptr);
    if (!started) {
        ADD_FAILURE() << "cannot start " << platform::win32::Narrow(program) << " at " << dpi
                      << " dpi: error " << ::GetLastError();
        ::DeleteFileW(program.c_str());
        return 1;
    }
    DWORD status = 1;
    if (::WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(process.hProcess, &status);
    } else {
        ::TerminateProcess(process.hProcess, 1);
        ADD_FAILURE() << "the test at " << dpi << " dpi did not end";
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ::DeleteFileW(program.c_str());
    return status;
}

TEST(Win32Dpi, ColumnsImagesAndDpiChangeAt144And192) {
    if (const char* dpi = std::getenv(kDpiVariable)) {
        CheckAtDpi(std::atoi(dpi));
        return;
    }
    for (int dpi : {144, 192}) {
        EXPECT_EQ(RunAtDpi(dpi), 0u) << "at " << dpi << " dpi (its failures are above)";
    }
}

}  // namespace
}  // namespace halvo::ui::win32
