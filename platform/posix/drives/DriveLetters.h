// SPDX-License-Identifier: GPL-3.0-or-later
// The five network-drive operations over our own letter table and a share mounter. Standard C++
// over the table's file (DriveTableFile.h, POSIX); the GIO mounter is in platform/posix/gio, a
// scripted one in the tests.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/NetworkDrives.h"
#include "platform/posix/drives/DriveTable.h"
#include "platform/posix/drives/DriveTableFile.h"
#include "platform/posix/drives/ShareNames.h"

namespace halvo::platform {

// Result codes of AddConnection and CancelConnection, with the values the workstation's own
// network-drive facility gives for the same cases. Callers only test for 0.
inline constexpr int ERROR_BAD_NETPATH = 53;       // server unreachable (gave up waiting)
inline constexpr int ERROR_BAD_NET_NAME = 67;      // no such share, or an unusable name
inline constexpr int ERROR_ALREADY_ASSIGNED = 85;  // the letter is taken
inline constexpr int ERROR_BAD_DEVICE = 1200;      // not a drive letter
inline constexpr int ERROR_LOGON_FAILURE = 1326;   // credentials refused
inline constexpr int ERROR_NOT_CONNECTED = 2250;   // the letter is not mapped
inline constexpr int ERROR_OPEN_FILES = 2401;      // the share would not unmount
inline constexpr int ERROR_CANNOT_RECORD = 29;     // the letter table could not be written
inline constexpr int ERROR_NOT_SUPPORTED = 50;     // the server's SMB dialect is not offered

enum class MountOutcome {
    Mounted,      // mounted now, or was already mounted
    Refused,      // the server refused the credentials
    TimedOut,     // no answer within the time allowed
    Unreachable,  // no route, no host, or nothing listening on the SMB port
    NoSuchShare,  // the server has no share of that name
    Smb1Only,     // the server speaks only a dialect the client no longer offers
    Failed,       // anything else (no session bus, …)
};

// Makes and removes desktop mounts of SMB shares.
class ShareMounter {
  public:
    virtual ~ShareMounter() = default;
    virtual MountOutcome Mount(const ShareLocation& share, const UserName& user,
                               std::string_view password) = 0;
    // True when the share is no longer mounted, also when it was not mounted.
    virtual bool Unmount(const ShareLocation& share) = 0;
    // The shares mounted in this login session, from the desktop's mount list. Must not touch the
    // mounts' files: a dead server can hold such a call for a minute.
    virtual std::vector<ShareLocation> MountedShares() = 0;
    // The mount's local folder; empty when it has none.
    virtual std::string LocalFolder(const ShareLocation& share) = 0;
};

class DriveLetters : public NetworkDrives {
  public:
    // Told, once per occurrence, what was wrong with the letter table file and what became of
    // it (a damaged file is set aside and its valid entries kept).
    using ProblemReport = std::function<void(const std::string&)>;

    DriveLetters(ShareMounter& shareMounter, DriveTableFile& tableFile,
                 ProblemReport problemReport = {});

    std::uint32_t GetLogicalDrives() override;
    unsigned GetDriveType(std::string_view localName) override;
    std::string GetConnection(std::string_view localName) override;
    int AddConnection(std::string_view localName, std::string_view remoteName,
                      std::string_view userName, std::string_view password) override;
    int CancelConnection(std::string_view localName) override;

    // The last problem reported (empty when none yet).
    const std::string& LastProblem() const { return lastProblem; }

  private:
    // Reads the table under the caller's lock; letters whose mount has gone are dropped (and the
    // file rewritten when it may be).
    DriveTableFile::Loaded LoadLive();
    // The table as it stands, taking the lock itself.
    DriveTable Current();

    ShareMounter& mounter;
    DriveTableFile& file;
    ProblemReport report;
    std::string lastProblem;
    std::uint32_t droppedNow = 0;  // letters the last LoadLive found without their mount
};

}  // namespace halvo::platform
