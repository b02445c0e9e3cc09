// SPDX-License-Identifier: GPL-3.0-or-later
// Every window of the Win32 program checked for cut texts at the dpi of the prefix it runs in
// (HKCU\Control Panel\Desktop LogPixels), with halvo.exe's manifest (per-monitor aware):
//
//   halvo-text-fit.exe [--scale LABEL]
//
// Prints each window's controls checked and cut, and every cut with both widths; exits 1 on any
// cut. Run it only through scripts/text-fit.sh (a wineserver inside a namespace of ours).
#include <cstdio>
#include <cstring>
#include <string>

#include "TextFitScenes.h"
#include "platform/SystemTimeZone.h"
#include "platform/win32/Win32TextCodec.h"
#include "ui/win32/Win32Backend.h"  // and with it <windows.h>, after the headers it would upset

namespace {

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        halvo::ui::win32::Win32Backend::Dispatch(msg);
    }
}

// The face the dialog asked for and the one the system drew with.
void PrintFont(HWND window, const std::string& scale) {
    auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    LOGFONTW asked{};
    ::GetObjectW(font, sizeof asked, &asked);
    HDC dc = ::GetDC(window);
    HGDIOBJ old = ::SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    ::GetTextFaceW(dc, LF_FACESIZE, face);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    char askedName[3 * LF_FACESIZE] = {};
    char drawnName[3 * LF_FACESIZE] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, asked.lfFaceName, -1, askedName, sizeof askedName, nullptr,
                          nullptr);
    ::WideCharToMultiByte(CP_UTF8, 0, face, -1, drawnName, sizeof drawnName, nullptr, nullptr);
    std::printf("%-6s Win32: %d dpi, font \"%s\" drawn as \"%s\", %ld px high\n", scale.c_str(),
                dpi, askedName, drawnName, static_cast<long>(metrics.tmHeight));
}

}  // namespace

int main(int argc, char** argv) {
    std::string scale = "-";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc) {
            scale = argv[++i];
        } else {
            std::fprintf(stderr, "usage: halvo-text-fit.exe [--scale LABEL]\n");
            return 2;
        }
    }
    halvo::ui::ResourceStore resources;
    std::string error;
    if (!resources.LoadBuiltIn(&error)) {
        std::fprintf(stderr, "text fit: the built-in resources: %s\n", error.c_str());
        return 2;
    }
    const halvo::platform::Win32TextCodec codec(65001);
    const halvo::platform::UtcTimeZone zone;
    halvo::ui::win32::Win32Backend backend;
    halvo::textfit::FakeProgram program(backend, resources, zone, codec);
    bool told = false;
    const auto shown = [&](halvo::ui::Dialog& dialog, const std::string&) {
        if (!told) {
            told = true;
            PrintFont(halvo::ui::win32::WindowOf(dialog)->Hwnd(), scale);
        }
    };
    const auto fits = halvo::textfit::CheckEveryWindow(program, Pump, shown);
    std::fflush(stdout);
    return halvo::textfit::PrintFits(fits, scale) ? 0 : 1;
}
