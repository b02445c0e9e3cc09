// SPDX-License-Identifier: GPL-3.0-or-later
// The program on Win32: the system's seams, the Win32 backend of the dialogs, the application
// object, and nothing else. No command line.
#include <charconv>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "app/SetupApp.h"
#include "platform/win32/SystemClock.h"
#include "platform/win32/SystemTimeZone.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32MessageBoxes.h"
#include "platform/win32/Win32NetworkDrives.h"
#include "platform/win32/Win32NetworkInterfaces.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32SocketLayer.h"
#include "platform/win32/Win32TextCodec.h"
#include "ui/ResourceStore.h"
#include "ui/live/BusyCursor.h"
#include "ui/live/LiveClock.h"
#include "ui/live/LiveMessageBoxes.h"
#include "ui/live/LiveSocketLayer.h"
#include "ui/win32/Win32Backend.h"  // and with it <windows.h>, after the headers it would upset

namespace {

// The program's name as message boxes show it: the executable's file name without extension.
std::string ProgramName() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    name = name.substr(0, name.find_last_of(L'.'));
    return name.empty() ? std::string("halvo") : halvo::platform::win32::Narrow(name);
}

void Fail(const std::string& text) {
    ::MessageBoxW(nullptr, halvo::platform::win32::Widen(text).c_str(),
                  halvo::platform::win32::Widen(ProgramName()).c_str(),
                  MB_OK | MB_ICONSTOP);
}

// The boxes' texts: the system's ANSI code page, or the one HALVO_CODEPAGE names. A wrong
// number stops here rather than showing every name wrong.
std::unique_ptr<halvo::platform::TextCodec> ChooseCodec(std::string* error) {
    wchar_t value[16] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"HALVO_CODEPAGE", value, 16);
    if (length == 0) {
        return std::make_unique<halvo::platform::Win32TextCodec>();
    }
    const std::string text = length < 16 ? halvo::platform::win32::Narrow(value) : std::string();
    unsigned number = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || failure != std::errc() || end != text.data() + text.size() ||
        !halvo::platform::Win32TextCodec::Exists(number)) {
        *error = "HALVO_CODEPAGE: \"" + text + "\" is no code page this system can convert.";
        return nullptr;
    }
    return std::make_unique<halvo::platform::Win32TextCodec>(number);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    halvo::ui::ResourceStore resources;
    std::string error;
    if (!resources.LoadBuiltIn(&error)) {
        Fail(error);  // only a broken build gets here: the resources are compiled in
        return 2;
    }
    const std::unique_ptr<halvo::platform::TextCodec> codec = ChooseCodec(&error);
    if (!codec) {
        Fail(error);
        return 2;
    }
    halvo::platform::Win32SocketLayer winsock;
    halvo::platform::SystemClock systemClock;
    halvo::platform::Win32MessageBoxes systemMessages(ProgramName());
    // Exchanges wait on the message queue, so the windows keep painting while input waits its
    // turn, with the busy cursor once a reply is slow.
    halvo::ui::BusyCursor busy(systemClock);
    halvo::ui::LiveSocketLayer sockets(winsock, busy);
    halvo::ui::LiveClock clock(systemClock);
    halvo::ui::LiveMessageBoxes messages(systemMessages, busy);
    halvo::platform::Win32Shell shell;
    const halvo::platform::SystemTimeZone timeZone;
    halvo::platform::Win32NetworkInterfaces interfaces;
    halvo::platform::Win32NetworkDrives drives;
    halvo::ui::win32::Win32Backend backend(instance);

    halvo::app::AppContext context{sockets, clock,  messages, shell, resources,
                                   backend, drives, timeZone, *codec};
    context.interfaces = &interfaces;
    halvo::app::SetupApp setup(context);
    return setup.Run();
}
