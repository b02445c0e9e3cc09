// SPDX-License-Identifier: GPL-3.0-or-later
// SMB mounts through GIO: the same GVfs mounts the desktop's file manager makes and shows.
// GLib stays out of this header, so Qt code can include it.
#pragma once

#include <chrono>
#include <memory>

#include "platform/posix/drives/DriveLetters.h"

namespace halvo::platform {

class GioShareMounter : public ShareMounter {
  public:
    // `timeout` bounds every mount and unmount; a server that has not answered by then counts
    // as unreachable.
    explicit GioShareMounter(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    ~GioShareMounter() override;
    GioShareMounter(const GioShareMounter&) = delete;
    GioShareMounter& operator=(const GioShareMounter&) = delete;

    MountOutcome Mount(const ShareLocation& share, const UserName& user,
                       std::string_view password) override;
    bool Unmount(const ShareLocation& share) override;
    std::vector<ShareLocation> MountedShares() override;
    std::string LocalFolder(const ShareLocation& share) override;

    struct State;

  private:
    std::unique_ptr<State> state;
};

}  // namespace halvo::platform
