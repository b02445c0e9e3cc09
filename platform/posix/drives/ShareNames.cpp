// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/drives/ShareNames.h"

namespace halvo::platform {

namespace {

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

bool IsValidServer(std::string_view server) {
    if (server.empty() || server.size() > 253) {
        return false;
    }
    for (char c : server) {
        if (!IsHostChar(c)) {
            return false;
        }
    }
    return true;
}

bool IsValidShare(std::string_view share) {
    // "." and ".." would be resolved away in the mount URI, leaving the server itself.
    if (share.empty() || share == "." || share == "..") {
        return false;
    }
    for (char c : share) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7f) {
            return false;
        }
    }
    return true;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::string> PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::optional<ShareLocation> ParseRemoteName(std::string_view remoteName) {
    if (remoteName.size() < 2 || remoteName.substr(0, 2) != "\\\\") {
        return std::nullopt;
    }
    const std::string_view rest = remoteName.substr(2);
    const std::size_t slash = rest.find('\\');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view server = rest.substr(0, slash);
    const std::string_view share = rest.substr(slash + 1);
    if (!IsValidServer(server) || !IsValidShare(share)) {
        return std::nullopt;
    }
    return ShareLocation{std::string(server), std::string(share)};
}

std::string MountUri(const ShareLocation& location) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string uri = "smb://" + location.server + "/";
    for (char c : location.share) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved) {
            uri.push_back(c);
        } else {
            uri.push_back('%');
            uri.push_back(HEX[byte >> 4]);
            uri.push_back(HEX[byte & 0x0f]);
        }
    }
    return uri;
}

std::optional<ShareLocation> ParseMountUri(std::string_view uri) {
    constexpr std::string_view SCHEME = "smb://";
    if (!StartsWithNoCase(uri, SCHEME)) {
        return std::nullopt;
    }
    std::string_view rest = uri.substr(SCHEME.size());
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view authority = rest.substr(0, slash);
    std::string_view path = rest.substr(slash + 1);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        authority = authority.substr(at + 1);
    }
    if (const std::size_t colon = authority.find(':'); colon != std::string_view::npos) {
        authority = authority.substr(0, colon);
    }
    if (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    if (path.find('/') != std::string_view::npos || !IsValidServer(authority)) {
        return std::nullopt;
    }
    std::optional<std::string> share = PercentDecode(path);
    if (!share || !IsValidShare(*share)) {
        return std::nullopt;
    }
    return ShareLocation{std::string(authority), std::move(*share)};
}

bool MountUriHasUser(std::string_view uri) {
    constexpr std::string_view SCHEME = "smb://";
    if (!StartsWithNoCase(uri, SCHEME)) {
        return false;
    }
    const std::string_view rest = uri.substr(SCHEME.size());
    return rest.substr(0, rest.find('/')).find('@') != std::string_view::npos;
}

bool SameShare(const ShareLocation& a, const ShareLocation& b) {
    return EqualNoCase(a.server, b.server) && EqualNoCase(a.share, b.share);
}

std::optional<int> DriveIndex(std::string_view localName) {
    if (localName.size() != 2 || localName[1] != ':') {
        return std::nullopt;
    }
    const char letter = AsciiLower(localName[0]);
    if (letter < 'a' || letter > 'z') {
        return std::nullopt;
    }
    return letter - 'a';
}

UserName SplitUserName(std::string_view userName) {
    const std::size_t slash = userName.find('\\');
    if (slash == std::string_view::npos) {
        return UserName{"", std::string(userName)};
    }
    return UserName{std::string(userName.substr(0, slash)),
                    std::string(userName.substr(slash + 1))};
}

}  // namespace halvo::platform
