#include "platform/drives/DriveTable.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace halvo::platform {

namespace {

constexpr std::string_view TABLE_HEADER = "halvo-drives 1";
constexpr std::string_view TABLE_NAME = "drives";
constexpr std::size_t MAX_TABLE_BYTES = 1 << 20;
constexpr std::string_view OWN_MOUNT = "own";
constexpr std::string_view FOUND_MOUNT = "found";
constexpr std::string_view DAMAGED_PREFIX = "drives.damaged-";
constexpr int MAX_DAMAGED_COPIES = 1000;

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

DriveTableFile::DriveTableFile(std::filesystem::path where) : folder(std::move(where)) {}

std::filesystem::path DriveTableFile::DefaultFolder(const char* xdgRuntimeDir,
                                                    const char* xdgCacheHome, const char* home) {
    auto usable = [](const char* value) { return value != nullptr && value[0] == '/'; };
    if (usable(xdgRuntimeDir)) {
        return std::filesystem::path(xdgRuntimeDir) / "halvo-drives";
    }
    if (usable(xdgCacheHome)) {
        return std::filesystem::path(xdgCacheHome) / "halvo-drives";
    }
    if (usable(home)) {
        return std::filesystem::path(home) / ".cache" / "halvo-drives";
    }
    return {};
}

bool DriveTableFile::Prepare() const {
    if (folder.empty()) {
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::geteuid()) {
        return false;
    }
    if ((info.st_mode & 0077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        return false;
    }
    return true;
}

DriveTableFile::Loaded DriveTableFile::Load() const {
    Loaded loaded;
    const std::filesystem::path path = folder / TABLE_NAME;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (errno != ENOENT) {
            loaded.problem = "drive table " + path.string() + " cannot be read (" +
                             std::error_code(errno, std::generic_category()).message() +
                             "); it is left as it is";
            loaded.writable = false;
        }
        return loaded;
    }
    std::string text;
    std::vector<char> buffer(64 * 1024);
    bool failed = false;
    while (text.size() <= MAX_TABLE_BYTES) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        failed = got < 0;
        if (got <= 0) {
            break;
        }
        text.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (failed) {
        loaded.problem = "drive table " + path.string() + " cannot be read; it is left as it is";
        loaded.writable = false;
        return loaded;
    }
    std::vector<std::string> problems;
    if (text.size() > MAX_TABLE_BYTES) {
        text.resize(MAX_TABLE_BYTES);
        problems.push_back("larger than " + std::to_string(MAX_TABLE_BYTES) + " bytes");
    }
    DriveTable::Parsed parsed = DriveTable::Parse(text);
    loaded.table = std::move(parsed.table);
    problems.insert(problems.end(), parsed.problems.begin(), parsed.problems.end());
    if (problems.empty()) {
        return loaded;
    }

    std::string account = "drive table " + path.string() + " is damaged (";
    for (std::size_t i = 0; i < problems.size() && i < 3; ++i) {
        account += (i == 0 ? "" : "; ") + problems[i];
    }
    account += problems.size() > 3 ? "; …)" : ")";
    // The damaged file keeps its name until a copy of it is safe under another one.
    std::filesystem::path aside;
    for (int n = 1; n <= MAX_DAMAGED_COPIES && aside.empty(); ++n) {
        const std::filesystem::path candidate =
            folder / (std::string(DAMAGED_PREFIX) + std::to_string(n));
        if (::link(path.c_str(), candidate.c_str()) == 0) {
            aside = candidate;
        } else if (errno != EEXIST) {
            break;
        }
    }
    if (aside.empty()) {
        loaded.problem = account + "; it could not be set aside and is left as it is";
        loaded.writable = false;
        return loaded;
    }
    const std::size_t valid = static_cast<std::size_t>(std::popcount(loaded.table.Mask()));
    if (!Save(loaded.table)) {
        loaded.problem = account + "; kept as " + aside.string() +
                         ", but the valid entries could not be written back";
        loaded.writable = false;
        return loaded;
    }
    loaded.problem = account + "; kept as " + aside.string() + ", " + std::to_string(valid) +
                     " valid " + (valid == 1 ? "entry" : "entries") + " kept";
    return loaded;
}

bool DriveTableFile::Save(const DriveTable& table) const {
    const std::string text = table.Serialize();
    std::string temp = (folder / ".drives.XXXXXX").string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }
    bool ok = ::fchmod(fd, 0600) == 0;
    std::size_t written = 0;
    while (ok && written < text.size()) {
        const ssize_t put = ::write(fd, text.data() + written, text.size() - written);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        ok = put > 0;
        if (ok) {
            written += static_cast<std::size_t>(put);
        }
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    const std::filesystem::path path = folder / TABLE_NAME;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
    }
    return ok;
}

bool DriveTableFile::Link(int index, const std::string& target) const {
    const std::string name(1, static_cast<char>('A' + index));
    const std::filesystem::path link = folder / name;
    const std::filesystem::path temp =
        folder / ("." + name + ".link." + std::to_string(::getpid()));
    ::unlink(temp.c_str());
    if (::symlink(target.c_str(), temp.c_str()) != 0) {
        return false;
    }
    if (::rename(temp.c_str(), link.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

void DriveTableFile::Unlink(int index) const {
    const std::filesystem::path link = folder / std::string(1, static_cast<char>('A' + index));
    struct stat info {};
    // Only our link goes; whatever else a user put there stays.
    if (::lstat(link.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        ::unlink(link.c_str());
    }
}

DriveTableFile::Lock::Lock(const std::filesystem::path& folder) {
    const std::filesystem::path path = folder / ".lock";
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            fd = -1;
            return;
        }
    }
}

DriveTableFile::Lock::~Lock() {
    if (fd >= 0) {
        ::close(fd);
    }
}

}  // namespace halvo::platform
