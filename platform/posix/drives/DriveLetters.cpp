// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/drives/DriveLetters.h"

#include <optional>

namespace halvo::platform {

namespace {

bool Contains(const std::vector<ShareLocation>& shares, const ShareLocation& share) {
    for (const ShareLocation& mounted : shares) {
        if (SameShare(mounted, share)) {
            return true;
        }
    }
    return false;
}

int ResultOf(MountOutcome outcome) {
    switch (outcome) {
        case MountOutcome::Mounted:
            return NO_ERROR_RESULT;
        case MountOutcome::Refused:
            return ERROR_LOGON_FAILURE;
        case MountOutcome::TimedOut:
        case MountOutcome::Unreachable:
            return ERROR_BAD_NETPATH;
        case MountOutcome::Smb1Only:
            return ERROR_NOT_SUPPORTED;
        case MountOutcome::NoSuchShare:
        case MountOutcome::Failed:
            break;
    }
    return ERROR_BAD_NET_NAME;
}

}  // namespace

DriveLetters::DriveLetters(ShareMounter& shareMounter, DriveTableFile& tableFile,
                           ProblemReport problemReport)
    : mounter(shareMounter), file(tableFile), report(std::move(problemReport)) {}

DriveTableFile::Loaded DriveLetters::LoadLive() {
    DriveTableFile::Loaded loaded = file.Load();
    if (!loaded.problem.empty()) {
        lastProblem = loaded.problem;
        if (report) {
            report(loaded.problem);
        }
    }
    DriveTable& table = loaded.table;
    droppedNow = 0;
    if (table.Mask() == 0) {
        return loaded;
    }
    // Liveness comes from the desktop's mount list only; the mounts' files are never touched.
    const std::vector<ShareLocation> mounted = mounter.MountedShares();
    bool dropped = false;
    for (int i = 0; i < DriveTable::LETTERS; ++i) {
        const auto& entry = table.At(i);
        if (!entry) {
            continue;
        }
        const std::optional<ShareLocation> share = ParseMountUri(entry->mountUri);
        if (share && Contains(mounted, *share)) {
            continue;
        }
        table.Erase(i);
        dropped = true;
        droppedNow |= 1u << i;
        if (loaded.writable) {
            file.Unlink(i);
        }
    }
    if (dropped && loaded.writable) {
        file.Save(table);
    }
    return loaded;
}

DriveTable DriveLetters::Current() {
    if (!file.Prepare()) {
        return {};
    }
    const DriveTableFile::Lock lock(file.Folder());
    return LoadLive().table;
}

std::uint32_t DriveLetters::GetLogicalDrives() {
    return Current().Mask();
}

unsigned DriveLetters::GetDriveType(std::string_view localName) {
    const std::optional<int> index = DriveIndex(localName);
    if (!index) {
        return DRIVE_NO_ROOT_DIR;
    }
    return Current().At(*index) ? DRIVE_REMOTE : DRIVE_NO_ROOT_DIR;
}

std::string DriveLetters::GetConnection(std::string_view localName) {
    const std::optional<int> index = DriveIndex(localName);
    if (!index) {
        return {};
    }
    const DriveTable table = Current();
    return table.At(*index) ? table.At(*index)->remoteName : std::string();
}

int DriveLetters::AddConnection(std::string_view localName, std::string_view remoteName,
                                std::string_view userName, std::string_view password) {
    const std::optional<int> index = DriveIndex(localName);
    if (!index) {
        return ERROR_BAD_DEVICE;
    }
    const std::optional<ShareLocation> share = ParseRemoteName(remoteName);
    if (!share) {
        return ERROR_BAD_NET_NAME;
    }
    if (!file.Prepare()) {
        return ERROR_CANNOT_RECORD;
    }
    {
        const DriveTableFile::Lock lock(file.Folder());
        const DriveTableFile::Loaded before = LoadLive();
        if (!before.writable) {
            return ERROR_CANNOT_RECORD;
        }
        if (before.table.At(*index)) {
            return ERROR_ALREADY_ASSIGNED;
        }
    }

    // Mounted before (by the file manager, or for another letter): only letters whose own
    // mount it is may take it away later.
    const bool mountedBefore = Contains(mounter.MountedShares(), *share);
    // The lock is not held while mounting: that may take as long as the server lets it.
    const int mounted = ResultOf(mounter.Mount(*share, SplitUserName(userName), password));
    if (mounted != NO_ERROR_RESULT) {
        return mounted;
    }

    const std::string uri = MountUri(*share);
    const DriveTableFile::Lock lock(file.Folder());
    DriveTableFile::Loaded loaded = LoadLive();
    DriveTable& table = loaded.table;
    auto undo = [&](int result) {
        if (!mountedBefore && !table.ShareUsedElsewhere(uri, *index)) {
            mounter.Unmount(*share);
        }
        return result;
    };
    if (!loaded.writable) {
        return undo(ERROR_CANNOT_RECORD);
    }
    // Another program may have taken the letter while the mount was under way.
    if (table.At(*index)) {
        return undo(ERROR_ALREADY_ASSIGNED);
    }
    const bool ownMount = !mountedBefore || table.ShareMountedByLetter(uri, *index);
    table.Set(*index, DriveEntry{std::string(remoteName), uri, ownMount});
    if (!file.Save(table)) {
        table.Erase(*index);
        return undo(ERROR_CANNOT_RECORD);
    }
    // The link is for the user's convenience; the table alone says what the letter is.
    if (const std::string folder = mounter.LocalFolder(*share); !folder.empty()) {
        file.Link(*index, folder);
    }
    return NO_ERROR_RESULT;
}

int DriveLetters::CancelConnection(std::string_view localName) {
    const std::optional<int> index = DriveIndex(localName);
    if (!index) {
        return ERROR_BAD_DEVICE;
    }
    if (!file.Prepare()) {
        return ERROR_NOT_CONNECTED;
    }
    const DriveTableFile::Lock lock(file.Folder());
    DriveTableFile::Loaded loaded = LoadLive();
    DriveTable& table = loaded.table;
    if (!table.At(*index)) {
        // A letter whose mount went away by other means is just as gone.
        return (droppedNow >> *index) & 1u ? NO_ERROR_RESULT : ERROR_NOT_CONNECTED;
    }
    if (!loaded.writable) {
        return ERROR_CANNOT_RECORD;
    }
    const DriveEntry entry = *table.At(*index);
    // Another letter on the same share keeps the mount; a mount found already there when the
    // letter was made belongs to whoever made it.
    if (entry.ownMount && !table.ShareUsedElsewhere(entry.mountUri, *index)) {
        const std::optional<ShareLocation> share = ParseMountUri(entry.mountUri);
        if (share && !mounter.Unmount(*share)) {
            return ERROR_OPEN_FILES;
        }
    }
    table.Erase(*index);
    if (!file.Save(table)) {
        return ERROR_CANNOT_RECORD;
    }
    file.Unlink(*index);
    return NO_ERROR_RESULT;
}

}  // namespace halvo::platform
