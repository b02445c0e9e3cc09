// SPDX-License-Identifier: GPL-3.0-or-later
// A window program's start, the same on every system: the compiled-in resources, the code page,
// the live seams over the system's and the toolkit's, and the application. main() only makes the
// system's seams (platform/SystemSeams.h) and picks the toolkit.
#pragma once

#include "platform/MessageBoxes.h"
#include "platform/Shell.h"
#include "platform/SystemSeams.h"
#include "ui/Backend.h"
#include "ui/live/EventWait.h"

namespace halvo::app {

// What a toolkit brings beside its dialogs: its event wait, its message boxes and its opener for
// addresses. Under Win32 the last two are the system's own; under Qt they are the toolkit's.
struct Toolkit {
    ui::Backend& backend;
    ui::EventWait& wait;
    platform::MessageBoxes& messages;
    platform::Shell& shell;
};

// Runs the program to its end; its exit status. A start that cannot go on (resources missing
// from a broken build, a code page the system cannot convert) is told in a message box and ends
// with 2.
int RunWindowProgram(platform::SystemSeams& system, const Toolkit& toolkit);

}  // namespace halvo::app
