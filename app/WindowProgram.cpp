// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowProgram.h"

#include <memory>
#include <optional>
#include <string>

#include "app/SetupApp.h"
#include "ui/ResourceStore.h"
#include "ui/live/LiveSeams.h"

namespace halvo::app {

int RunWindowProgram(platform::SystemSeams& system, const Toolkit& toolkit) {
    ui::ResourceStore resources;
    std::string error;
    if (!resources.LoadBuiltIn(&error)) {
        toolkit.messages.ShowWarning(error);  // only a broken build gets here
        return 2;
    }
    // The boxes' texts: the system's code page, or the one HALVO_CODEPAGE names. A wrong number
    // stops here rather than showing every name wrong.
    const std::unique_ptr<platform::TextCodec> codec = system.Codec(std::nullopt, error);
    if (!codec) {
        toolkit.messages.ShowWarning(error);
        return 2;
    }
    // Exchanges wait in the toolkit's local event loop, so the windows keep painting while input
    // waits its turn, with the busy cursor once a reply is slow.
    ui::LiveSeams live(system.sockets(), system.clock(), toolkit.messages, toolkit.wait);

    AppContext context{live.sockets(),  live.clock(),      live.messages(),
                       toolkit.shell,   resources,         toolkit.backend,
                       system.drives(), system.timeZone(), *codec};
    context.interfaces = &system.interfaces();
    SetupApp setup(context);
    return setup.Run();
}

}  // namespace halvo::app
