// SPDX-License-Identifier: GPL-3.0-or-later
// The rules for the names of SMB shares: "\\server\share" as the user gives it, the mount URI it
// becomes, drive letters and "DOMAIN\user" names. Text only; nothing is read or mounted here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

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

}  // namespace halvo::platform
