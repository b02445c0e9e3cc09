// SPDX-License-Identifier: GPL-3.0-or-later
// The workstation's network drives on a Linux desktop: our letter table in the runtime folder,
// shares mounted through GIO/GVfs. Each mapped letter is also a link, in the table's folder, to
// the mount's local folder (e.g. $XDG_RUNTIME_DIR/halvo-drives/Z →
// $XDG_RUNTIME_DIR/gvfs/smb-share:server=…,share=…).
#pragma once

#include <chrono>
#include <filesystem>

#include "platform/NetworkDrives.h"
#include "platform/posix/drives/DriveLetters.h"
#include "platform/posix/drives/DriveTableFile.h"
#include "platform/posix/gio/GioShareMounter.h"

namespace halvo::platform {

class GioNetworkDrives : public NetworkDrives {
  public:
    // The table in DriveTableFile::DefaultFolder of this process's environment; a mount gives
    // up after 30 s. Problems with the table file go to standard error.
    GioNetworkDrives();
    // `timeout` bounds each mount and unmount (an unreachable server fails after it).
    GioNetworkDrives(std::filesystem::path folder, std::chrono::milliseconds timeout,
                     DriveLetters::ProblemReport problemReport);

    // Where the table and the letters' links are.
    const std::filesystem::path& Folder() const { return file.Folder(); }

    std::uint32_t GetLogicalDrives() override { return letters.GetLogicalDrives(); }
    unsigned GetDriveType(std::string_view localName) override {
        return letters.GetDriveType(localName);
    }
    std::string GetConnection(std::string_view localName) override {
        return letters.GetConnection(localName);
    }
    int AddConnection(std::string_view localName, std::string_view remoteName,
                      std::string_view userName, std::string_view password) override {
        return letters.AddConnection(localName, remoteName, userName, password);
    }
    int CancelConnection(std::string_view localName) override {
        return letters.CancelConnection(localName);
    }
    const std::string& LastProblem() const { return letters.LastProblem(); }

  private:
    GioShareMounter mounter;
    DriveTableFile file;
    DriveLetters letters;
};

}  // namespace halvo::platform
