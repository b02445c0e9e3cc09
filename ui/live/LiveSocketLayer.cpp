// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/live/LiveSocketLayer.h"

#include <algorithm>

namespace halvo::ui {

int LiveSocketLayer::Startup(std::uint16_t version) {
    if (busy_.eventWait().InsideWait()) {
        ++refused_;
        return SOCKET_ERROR_IN_PROGRESS;
    }
    const int rc = inner_.Startup(version);
    if (rc == 0 && uses_++ == 0) {
        busy_.Start();
    }
    return rc;
}

int LiveSocketLayer::Cleanup() {
    const int rc = inner_.Cleanup();
    if (uses_ > 0 && --uses_ == 0) {
        busy_.Stop();
    }
    return rc;
}

bool LiveSocketLayer::WaitReadable(platform::SocketHandle socket,
                                   std::chrono::milliseconds timeout) {
    busy_.Waiting();
    const std::intptr_t handle = inner_.NotifierHandle(socket);
    if (handle >= 0) {
        // A box that answers at once is heard before anything is painted: a query of many steps
        // paints once, when its handler has returned, instead of after every step. A longer
        // wait turns live well within a frame.
        const auto quiet = std::min(timeout, QUIET_WAIT);
        if (inner_.WaitReadable(socket, quiet)) {
            return true;
        }
        if (timeout <= quiet) {
            return false;
        }
        timeout -= quiet;
    } else if (inner_.WaitReadable(socket, std::chrono::milliseconds(0))) {
        return true;
    }
    if (handle < 0) {
        // A layer no event loop can watch (a scripted network on virtual time): let what is
        // pending run, then let it wait its own way.
        busy_.eventWait().PumpPending();
        const bool readable = inner_.WaitReadable(socket, timeout);
        busy_.Waiting();
        return readable;
    }
    const auto ready = [this, socket] {
        return inner_.WaitReadable(socket, std::chrono::milliseconds(0));
    };
    busy_.eventWait().WaitLive(
        handle, timeout, busy_.Remaining(), [this] { busy_.Due(); }, ready);
    // The notifier tells that something is there; the layer says whether it is a datagram.
    return ready();
}

}  // namespace halvo::ui
