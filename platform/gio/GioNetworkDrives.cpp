#include "platform/gio/GioNetworkDrives.h"

#include <cstdlib>

namespace halvo::platform {

GioNetworkDrives::GioNetworkDrives()
    : GioNetworkDrives(
          DriveTableFile::DefaultFolder(std::getenv("XDG_RUNTIME_DIR"),
                                        std::getenv("XDG_CACHE_HOME"), std::getenv("HOME")),
          std::chrono::seconds(30)) {}

GioNetworkDrives::GioNetworkDrives(std::filesystem::path folder, std::chrono::milliseconds timeout)
    : mounter(timeout), file(std::move(folder)), letters(mounter, file) {}

}  // namespace halvo::platform
