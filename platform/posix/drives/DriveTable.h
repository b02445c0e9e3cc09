// SPDX-License-Identifier: GPL-3.0-or-later
// Drive letters on a workstation that has none: our own table of letter → SMB share, and its
// text form. The table is standard C++; its file in the user's runtime folder, through which a
// mapping outlives the program and ends with the login session, uses POSIX files and locks
// (DriveTableFile.h). The mounting itself sits behind ShareMounter (DriveLetters.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/drives/ShareNames.h"

namespace halvo::platform {

struct DriveEntry {
    std::string remoteName;  // "\\server\share" as it was given
    std::string mountUri;    // MountUri of that share
    // The mount was made for a letter (not found already mounted), so the last letter on the
    // share takes it away again.
    bool ownMount = true;
};

// Letter → share. Index 0 is A, 25 is Z.
class DriveTable {
  public:
    static constexpr int LETTERS = 26;

    const std::optional<DriveEntry>& At(int index) const { return entries.at(index); }
    void Set(int index, DriveEntry entry) { entries.at(index) = std::move(entry); }
    void Erase(int index) { entries.at(index).reset(); }
    std::uint32_t Mask() const;
    // True when a letter other than `except` is mapped to the same share as `uri`.
    bool ShareUsedElsewhere(std::string_view uri, int except) const;
    // True when a letter other than `except` on the same share as `uri` made its mount.
    bool ShareMountedByLetter(std::string_view uri, int except) const;

    // The file form: a header line, then one "L<TAB>\\server\share<TAB>smb://…<TAB>own|found"
    // line per letter.
    std::string Serialize() const;

    struct Parsed;
    // Reads the file form. Every valid line is kept; a wrong header, and lines that are
    // malformed, inconsistent, cut short or repeat a letter, are listed as problems.
    static Parsed Parse(std::string_view text);

  private:
    bool FindOther(std::string_view uri, int except, bool ownMountOnly) const;

    std::array<std::optional<DriveEntry>, LETTERS> entries;
};

struct DriveTable::Parsed {
    DriveTable table;
    std::vector<std::string> problems;  // e.g. "line 3: not a drive entry"
};

}  // namespace halvo::platform

// The file with its lock, for the users of the table that read and write it.
#include "platform/posix/drives/DriveTableFile.h"
