// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: checks once that the socket layer can be used, then runs the main
// window modally; the program ends when that window closes.
#pragma once

#include "app/AppContext.h"

namespace halvo::app {

inline constexpr int STRING_SOCKET_INIT_FAILED = 103;

class SetupApp {
  public:
    explicit SetupApp(const AppContext& context) : context_(context) {}

    // The whole run. Returns the process's exit status: 1 when the socket layer is unusable
    // (after its message, with no window created), 0 after the main window has closed.
    int Run();

    // Start the socket layer at version 1.1 and open a datagram socket; both are released
    // again. False when either fails.
    static bool SocketLayerUsable(platform::SocketLayer& sockets);

  private:
    AppContext context_;
};

}  // namespace halvo::app
