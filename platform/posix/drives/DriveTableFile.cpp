// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/drives/DriveTableFile.h"

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

constexpr std::string_view TABLE_NAME = "drives";
constexpr std::size_t MAX_TABLE_BYTES = 1 << 20;
constexpr std::string_view DAMAGED_PREFIX = "drives.damaged-";
constexpr int MAX_DAMAGED_COPIES = 1000;

}  // namespace

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
