// SPDX-License-Identifier: GPL-3.0-or-later
// The program on Qt: the system's seams and the Qt toolkit. No command line.
#include <QApplication>
#include <memory>

#include "app/WindowProgram.h"
#include "platform/SystemSeams.h"
#include "ui/qt/QtBackend.h"
#include "ui/qt/QtMessageBoxes.h"
#include "ui/qt/QtShell.h"

int main(int argc, char** argv) {
    const std::unique_ptr<halvo::platform::SystemSeams> system = halvo::platform::MakeSystemSeams();
    // First of all: GIO's volume monitor reports mount changes only on the main context it was
    // first fetched under, and the drives fetch it under their own. Anything that touches it
    // earlier (Qt's platform theme may) would leave the drives with a stale mount list.
    system->drives();

    QApplication application(argc, argv);
    halvo::ui::qt::QtBackend backend;
    halvo::ui::QtMessageBoxes messages(halvo::ui::ProgramName());
    // The desktop's opener as the toolkit knows it, rather than the system seams' own.
    halvo::ui::QtShell shell;
    return halvo::app::RunWindowProgram(*system, {backend, backend.eventWait(), messages, shell});
}
