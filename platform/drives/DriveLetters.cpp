#include "platform/drives/DriveLetters.h"

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
            return ERROR_BAD_NETPATH;
        case MountOutcome::Failed:
            break;
    }
    return ERROR_BAD_NET_NAME;
}

}  // namespace

DriveLetters::DriveLetters(ShareMounter& shareMounter, DriveTableFile& tableFile)
    : mounter(shareMounter), file(tableFile) {}

DriveTable DriveLetters::DropVanished(DriveTable table) {
    if (table.Mask() == 0) {
        return table;
    }
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
        file.Unlink(i);
        dropped = true;
    }
    if (dropped) {
        file.Save(table);
    }
    return table;
}

DriveTable DriveLetters::Current() {
    if (!file.Prepare()) {
        return {};
    }
    const DriveTableFile::Lock lock(file.Folder());
    return DropVanished(file.Load());
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
    if (Current().At(*index)) {
        return ERROR_ALREADY_ASSIGNED;
    }

    // Mounted before by someone else (the file manager, another letter): never ours to undo.
    const bool mountedBefore = Contains(mounter.MountedShares(), *share);
    const int mounted = ResultOf(mounter.Mount(*share, SplitUserName(userName), password));
    if (mounted != NO_ERROR_RESULT) {
        return mounted;
    }

    const std::string uri = MountUri(*share);
    const DriveTableFile::Lock lock(file.Folder());
    DriveTable table = DropVanished(file.Load());
    auto undo = [&](int result) {
        if (!mountedBefore && !table.ShareUsedElsewhere(uri, *index)) {
            mounter.Unmount(*share);
        }
        return result;
    };
    // Another program may have taken the letter while the mount was under way.
    if (table.At(*index)) {
        return undo(ERROR_ALREADY_ASSIGNED);
    }
    table.Set(*index, DriveEntry{std::string(remoteName), uri});
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
    DriveTable table = DropVanished(file.Load());
    if (!table.At(*index)) {
        return ERROR_NOT_CONNECTED;
    }
    const std::string uri = table.At(*index)->mountUri;
    // Another letter on the same share keeps the mount.
    if (!table.ShareUsedElsewhere(uri, *index)) {
        const std::optional<ShareLocation> share = ParseMountUri(uri);
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
