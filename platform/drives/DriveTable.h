// Drive letters on a workstation that has none: our own table of letter → SMB share, kept in the
// user's runtime folder so that a mapping outlives the program and ends with the login session.
// Standard C++ only; the mounting itself sits behind ShareMounter (DriveLetters.h).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvo::platform {

// One share of one SMB server.
struct ShareLocation {
    std::string server;
    std::string share;
};

// "\\server\share" → its parts. Nothing when the text has another shape, when the server is not a
// plain host name or address, or when the share name is empty, "." or "..", or holds '/', '\' or
// a control character (such a name would address a folder inside a share, or another share).
std::optional<ShareLocation> ParseRemoteName(std::string_view remoteName);

// "smb://server/share" with the share name percent-escaped; no credentials in it.
std::string MountUri(const ShareLocation& location);

// The share a mount URI names, as GVfs reports a mount's root ("smb://[user@]server/share/").
// The share is unescaped. Nothing for other schemes or shapes.
std::optional<ShareLocation> ParseMountUri(std::string_view uri);
// True when the URI names a user ("smb://[domain;]user@server/…"): such a mount is someone
// else's login to the share, not one of ours.
bool MountUriHasUser(std::string_view uri);

// SMB server and share names do not depend on case (ASCII letters).
bool SameShare(const ShareLocation& a, const ShareLocation& b);

// "Z:" (or "z:") → 25. Nothing for any other text.
std::optional<int> DriveIndex(std::string_view localName);

// "DOMAIN\user" → domain and user; a name without a backslash has an empty domain.
struct UserName {
    std::string domain;
    std::string user;
};
UserName SplitUserName(std::string_view userName);

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
