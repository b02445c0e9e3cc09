// SPDX-License-Identifier: GPL-3.0-or-later
// The program on Qt: the real seams, the Qt backend of the dialogs, the application object, and
// nothing else. No command line.
#include <QApplication>
#include <QMessageBox>

#include "app/SetupApp.h"
#include "platform/gio/GioNetworkDrives.h"
#include "platform/posix/IconvTextCodec.h"
#include "platform/posix/LocaleCodePage.h"
#include "platform/posix/PosixNetworkInterfaces.h"
#include "platform/posix/PosixSocketLayer.h"
#include "platform/posix/SystemClock.h"
#include "platform/posix/SystemTimeZone.h"
#include "ui/ResourceStore.h"
#include "ui/live/BusyCursor.h"
#include "ui/live/LiveClock.h"
#include "ui/live/LiveMessageBoxes.h"
#include "ui/live/LiveSocketLayer.h"
#include "ui/qt/QtBackend.h"
#include "ui/qt/QtMessageBoxes.h"
#include "ui/qt/QtShell.h"

int main(int argc, char** argv) {
    // First of all: GIO's volume monitor reports mount changes only on the main context it was
    // first fetched under, and the drives fetch it under their own. Anything that touches it
    // earlier (Qt's platform theme may) would leave the drives with a stale mount list.
    halvo::platform::GioNetworkDrives drives;

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
    const halvo::platform::CodePageChoice codePage =
        halvo::platform::ChooseCodePage(halvo::platform::ProcessEnvironment());
    const auto codec =
        codePage.error.empty() ? halvo::platform::IconvTextCodec::Open(codePage.codePage) : nullptr;
    if (!codec) {
        QMessageBox::critical(
            nullptr, halvo::ui::ProgramName(),
            QString::fromStdString(!codePage.error.empty()
                                       ? codePage.error
                                       : "The C library cannot convert code page " +
                                             std::to_string(codePage.codePage) + "."));
        return 2;
    }
    halvo::platform::PosixSocketLayer posixSockets;
    halvo::platform::SystemClock systemClock;
    halvo::ui::QtMessageBoxes qtMessages(halvo::ui::ProgramName());
    // Exchanges wait in a local event loop, so the windows keep painting and stay responsive to
    // the window manager, with the busy cursor once a reply is slow; input waits its turn.
    halvo::ui::BusyCursor busy(systemClock);
    halvo::ui::LiveSocketLayer sockets(posixSockets, busy);
    halvo::ui::LiveClock clock(systemClock);
    halvo::ui::LiveMessageBoxes messages(qtMessages, busy);
    halvo::ui::QtShell shell;
    const halvo::platform::SystemTimeZone timeZone;
    halvo::platform::PosixNetworkInterfaces interfaces;
    halvo::ui::qt::QtBackend backend;

    halvo::app::AppContext context{sockets, clock,  messages, shell, resources,
                                   backend, drives, timeZone, *codec};
    context.interfaces = &interfaces;
    halvo::app::SetupApp setup(context);
    return setup.Run();
}
