// SPDX-License-Identifier: GPL-3.0-or-later
// The program on Win32: the system's seams and the Win32 backend of the dialogs, with the
// system's own message boxes and opener. No command line.
#include <memory>

#include "app/WindowProgram.h"
#include "platform/SystemSeams.h"
#include "platform/win32/Win32MessageBoxes.h"
#include "ui/win32/Win32Backend.h"  // and with it <windows.h>, after the headers it would upset

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const std::unique_ptr<halvo::platform::SystemSeams> system = halvo::platform::MakeSystemSeams();
    halvo::ui::win32::Win32Backend backend(instance);
    halvo::platform::Win32MessageBoxes messages;
    return halvo::app::RunWindowProgram(*system,
                                        {backend, backend.eventWait(), messages, system->shell()});
}
