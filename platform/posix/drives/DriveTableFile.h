// SPDX-License-Identifier: GPL-3.0-or-later
// The drive table on disk: its folder in the user's runtime folder, the file written whole and
// renamed into place, a damaged file set aside, the letters' links and the lock that keeps two
// programs from interleaving their changes. POSIX files, links and flock.
#pragma once

#include <filesystem>
#include <string>

#include "platform/posix/drives/DriveTable.h"

namespace halvo::platform {

// Where the table and the letters' links live: `folder`/drives (the table) and `folder`/A … Z
// (each a symbolic link to the local folder of the letter's mount).
class DriveTableFile {
  public:
    explicit DriveTableFile(std::filesystem::path where);

    // "$XDG_RUNTIME_DIR/halvo-drives"; without a usable runtime folder (unset or relative)
    // "$XDG_CACHE_HOME/halvo-drives", then "$HOME/.cache/halvo-drives" (where GVfs keeps its
    // own folder then). Empty when none of them is set. Values are passed in, not read here.
    static std::filesystem::path DefaultFolder(const char* xdgRuntimeDir, const char* xdgCacheHome,
                                               const char* home);

    const std::filesystem::path& Folder() const { return folder; }

    // Creates the folder (mode 0700) when missing. False when it cannot be made, or when it is
    // not a directory of this user's that only this user can write to.
    bool Prepare() const;
    struct Loaded {
        DriveTable table;
        // Empty when the file was sound (or missing). Otherwise a one-line account of what was
        // wrong and what became of the file.
        std::string problem;
        // False when the file could not be read, or was damaged and could not be set aside:
        // writing the table then would lose what it holds.
        bool writable = true;
    };
    // The table. A damaged file keeps every valid entry: the file as it was is first set aside
    // as "drives.damaged-N" in the same folder (nothing of it is lost), then the valid entries
    // are written back. Reads at most 1 MiB; a larger file counts as damaged.
    Loaded Load() const;
    // Writes the whole table to a temporary file and renames it over the old one.
    bool Save(const DriveTable& table) const;
    // Points `folder`/<letter> at `target` (replacing a previous link); removes the link.
    bool Link(int index, const std::string& target) const;
    void Unlink(int index) const;

    // Holds an exclusive lock on `folder`/.lock for as long as it lives, so that two programs do
    // not interleave their read-change-write of the table. Best effort: a file system without
    // locks leaves it unlocked.
    class Lock {
      public:
        explicit Lock(const std::filesystem::path& folder);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

      private:
        int fd = -1;
    };

  private:
    std::filesystem::path folder;
};

}  // namespace halvo::platform
