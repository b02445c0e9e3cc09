// The program: the real seams, the application object, and nothing else. No command line.
#include <QApplication>
#include <QMessageBox>

#include "app/SetupApp.h"
#include "platform/posix/PosixSocketLayer.h"
#include "ui/QtMessageBoxes.h"
#include "ui/QtShell.h"
#include "ui/ResourceStore.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);

    halvo::ui::ResourceStore resources;
    QString error;
    if (!resources.LoadBuiltIn(&error)) {
        // Only a broken build gets here: the resources are compiled in.
        QMessageBox::critical(nullptr, halvo::ui::ProgramName(), error);
        return 2;
    }
    halvo::platform::PosixSocketLayer sockets;
    halvo::platform::SystemClock clock;
    halvo::ui::QtMessageBoxes messages(halvo::ui::ProgramName());
    halvo::ui::QtShell shell;

    halvo::app::SetupApp setup({sockets, clock, messages, shell, resources});
    return setup.Run();
}
