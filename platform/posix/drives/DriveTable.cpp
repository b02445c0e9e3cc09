// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/drives/DriveTable.h"

#include <vector>

namespace halvo::platform {

namespace {

constexpr std::string_view TABLE_HEADER = "halvo-drives 1";
constexpr std::string_view OWN_MOUNT = "own";
constexpr std::string_view FOUND_MOUNT = "found";

}  // namespace

std::uint32_t DriveTable::Mask() const {
    std::uint32_t mask = 0;
    for (int i = 0; i < LETTERS; ++i) {
        if (entries[static_cast<std::size_t>(i)]) {
            mask |= 1u << i;
        }
    }
    return mask;
}

bool DriveTable::ShareUsedElsewhere(std::string_view uri, int except) const {
    return FindOther(uri, except, false);
}

bool DriveTable::ShareMountedByLetter(std::string_view uri, int except) const {
    return FindOther(uri, except, true);
}

bool DriveTable::FindOther(std::string_view uri, int except, bool ownMountOnly) const {
    const std::optional<ShareLocation> share = ParseMountUri(uri);
    if (!share) {
        return false;
    }
    for (int i = 0; i < LETTERS; ++i) {
        const auto& entry = entries[static_cast<std::size_t>(i)];
        if (i == except || !entry || (ownMountOnly && !entry->ownMount)) {
            continue;
        }
        const std::optional<ShareLocation> other = ParseMountUri(entry->mountUri);
        if (other && SameShare(*share, *other)) {
            return true;
        }
    }
    return false;
}

std::string DriveTable::Serialize() const {
    std::string text(TABLE_HEADER);
    text.push_back('\n');
    for (int i = 0; i < LETTERS; ++i) {
        const auto& entry = entries[static_cast<std::size_t>(i)];
        if (!entry) {
            continue;
        }
        text.push_back(static_cast<char>('A' + i));
        text.push_back('\t');
        text += entry->remoteName;
        text.push_back('\t');
        text += entry->mountUri;
        text.push_back('\t');
        text += entry->ownMount ? OWN_MOUNT : FOUND_MOUNT;
        text.push_back('\n');
    }
    return text;
}

namespace {

// Splits a line at its tabs into exactly `count` fields; nothing for any other number.
std::optional<std::vector<std::string_view>> SplitFields(std::string_view line, std::size_t count) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) {
            break;
        }
        start = tab + 1;
    }
    if (fields.size() != count) {
        return std::nullopt;
    }
    return fields;
}

}  // namespace

DriveTable::Parsed DriveTable::Parse(std::string_view text) {
    Parsed parsed;
    auto problem = [&](std::size_t number, std::string_view what) {
        parsed.problems.push_back("line " + std::to_string(number) + ": " + std::string(what));
    };
    std::size_t start = 0;
    std::size_t number = 0;
    while (start < text.size()) {
        ++number;
        std::size_t end = text.find('\n', start);
        const bool complete = end != std::string_view::npos;
        if (!complete) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (number == 1) {
            if (line != TABLE_HEADER) {
                problem(number, "not the header \"" + std::string(TABLE_HEADER) + "\"");
            } else if (complete) {
                continue;
            }
        }
        // A last line without its newline may have been cut short: not trusted.
        if (!complete) {
            problem(number, "cut short (no line end)");
            break;
        }
        const auto fields = SplitFields(line, 4);
        if (!fields || (*fields)[0].size() != 1 || (*fields)[0][0] < 'A' || (*fields)[0][0] > 'Z') {
            if (number != 1) {
                problem(number, "not a drive entry");
            }
            continue;
        }
        const std::string_view remote = (*fields)[1];
        const std::string_view uri = (*fields)[2];
        const std::string_view owner = (*fields)[3];
        const auto remoteShare = ParseRemoteName(remote);
        const auto uriShare = ParseMountUri(uri);
        if (!remoteShare || !uriShare || !SameShare(*remoteShare, *uriShare) ||
            MountUriHasUser(uri) || (owner != OWN_MOUNT && owner != FOUND_MOUNT)) {
            problem(number, "not a valid drive entry");
            continue;
        }
        const int index = (*fields)[0][0] - 'A';
        if (parsed.table.At(index)) {
            problem(number, "repeats drive " + std::string((*fields)[0]) + ":, kept the first");
            continue;
        }
        parsed.table.Set(index,
                         DriveEntry{std::string(remote), std::string(uri), owner == OWN_MOUNT});
    }
    return parsed;
}

}  // namespace halvo::platform
