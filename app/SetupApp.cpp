// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SetupApp.h"

#include "app/MainDialog.h"

namespace halvo::app {

bool SetupApp::SocketLayerUsable(platform::SocketLayer& sockets) {
    if (sockets.Startup(platform::SOCKET_VERSION_1_1) != 0) {
        return false;
    }
    const platform::SocketHandle probe = sockets.Open(platform::SocketType::Datagram);
    const bool usable = probe != platform::INVALID_SOCKET_HANDLE;
    if (usable) {
        sockets.Close(probe);
    }
    sockets.Cleanup();
    return usable;
}

int SetupApp::Run() {
    if (!SocketLayerUsable(context_.sockets)) {
        context_.messages.ShowWarning(context_.resources.String(STRING_SOCKET_INIT_FAILED));
        return 1;
    }
    MainDialog main(context_);
    main.RunModal();
    return 0;
}

}  // namespace halvo::app
