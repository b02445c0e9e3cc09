// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/gio/GioNetworkDrives.h"

#include <cstdlib>
#include <iostream>

namespace halvo::platform {

GioNetworkDrives::GioNetworkDrives()
    : GioNetworkDrives(
          DriveTableFile::DefaultFolder(std::getenv("XDG_RUNTIME_DIR"),
                                        std::getenv("XDG_CACHE_HOME"), std::getenv("HOME")),
          std::chrono::seconds(30),
          [](const std::string& problem) { std::cerr << "halvo: " << problem << "\n"; }) {}

GioNetworkDrives::GioNetworkDrives(std::filesystem::path folder, std::chrono::milliseconds timeout,
                                   DriveLetters::ProblemReport problemReport)
    : mounter(timeout), file(std::move(folder)), letters(mounter, file, std::move(problemReport)) {}

}  // namespace halvo::platform
