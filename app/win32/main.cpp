// SPDX-License-Identifier: GPL-3.0-or-later
// The program on Win32: the system's seams, the Win32 backend of the dialogs, the application
// object, and nothing else. No command line.
#include <memory>
#include <optional>
#include <string>

#include "app/SetupApp.h"
#include "platform/SystemSeams.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32MessageBoxes.h"
#include "ui/ResourceStore.h"
#include "ui/live/LiveSeams.h"
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
                  halvo::platform::win32::Widen(ProgramName()).c_str(), MB_OK | MB_ICONSTOP);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    halvo::ui::ResourceStore resources;
    std::string error;
    if (!resources.LoadBuiltIn(&error)) {
        Fail(error);  // only a broken build gets here: the resources are compiled in
        return 2;
    }
    const std::unique_ptr<halvo::platform::SystemSeams> system = halvo::platform::MakeSystemSeams();
    // The boxes' texts: the system's ANSI code page, or the one HALVO_CODEPAGE names. A wrong
    // number stops here rather than showing every name wrong.
    const std::unique_ptr<halvo::platform::TextCodec> codec = system->Codec(std::nullopt, error);
    if (!codec) {
        Fail(error);
        return 2;
    }
    halvo::platform::Win32MessageBoxes systemMessages(ProgramName());
    // Exchanges wait on the message queue, so the windows keep painting while input waits its
    // turn, with the busy cursor once a reply is slow.
    halvo::ui::win32::Win32Backend backend(instance);
    halvo::ui::LiveSeams live(system->sockets(), system->clock(), systemMessages,
                              backend.eventWait());

    halvo::app::AppContext context{live.sockets(),   live.clock(),       live.messages(),
                                   system->shell(),  resources,          backend,
                                   system->drives(), system->timeZone(), *codec};
    context.interfaces = &system->interfaces();
    halvo::app::SetupApp setup(context);
    return setup.Run();
}
