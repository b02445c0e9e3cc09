// SPDX-License-Identifier: GPL-3.0-or-later
// The program on Qt: the real seams, the Qt backend of the dialogs, the application object, and
// nothing else. No command line.
#include <QApplication>
#include <QMessageBox>
#include <memory>
#include <optional>

#include "app/SetupApp.h"
#include "platform/SystemSeams.h"
#include "ui/ResourceStore.h"
#include "ui/live/LiveSeams.h"
#include "ui/qt/QtBackend.h"
#include "ui/qt/QtMessageBoxes.h"
#include "ui/qt/QtShell.h"

int main(int argc, char** argv) {
    const std::unique_ptr<halvo::platform::SystemSeams> system = halvo::platform::MakeSystemSeams();
    // First of all: GIO's volume monitor reports mount changes only on the main context it was
    // first fetched under, and the drives fetch it under their own. Anything that touches it
    // earlier (Qt's platform theme may) would leave the drives with a stale mount list.
    halvo::platform::NetworkDrives& drives = system->drives();

    QApplication application(argc, argv);

    halvo::ui::ResourceStore resources;
    std::string error;
    if (!resources.LoadBuiltIn(&error)) {
        // Only a broken build gets here: the resources are compiled in.
        QMessageBox::critical(nullptr, halvo::ui::ProgramName(), QString::fromStdString(error));
        return 2;
    }
    // The boxes' texts: the code page the locale gives, or HALVO_CODEPAGE's. A wrong number
    // stops here rather than showing every name wrong.
    const auto codec = system->Codec(std::nullopt, error);
    if (!codec) {
        QMessageBox::critical(nullptr, halvo::ui::ProgramName(), QString::fromStdString(error));
        return 2;
    }
    halvo::ui::QtMessageBoxes qtMessages(halvo::ui::ProgramName());
    // Exchanges wait in a local event loop, so the windows keep painting and stay responsive to
    // the window manager, with the busy cursor once a reply is slow; input waits its turn.
    halvo::ui::qt::QtBackend backend;
    halvo::ui::LiveSeams live(system->sockets(), system->clock(), qtMessages, backend.eventWait());
    // The toolkit's opener rather than the system's.
    halvo::ui::QtShell shell;

    halvo::app::AppContext context{live.sockets(), live.clock(),       live.messages(),
                                   shell,          resources,          backend,
                                   drives,         system->timeZone(), *codec};
    context.interfaces = &system->interfaces();
    halvo::app::SetupApp setup(context);
    return setup.Run();
}
