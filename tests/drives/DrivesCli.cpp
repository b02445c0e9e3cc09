// SPDX-License-Identifier: GPL-3.0-or-later
// A small driver of the network-drives layer, for scripts and end-to-end checks:
//   halvo-drives-cli [--folder DIR] [--timeout-ms N] map L: '\\server\share' USER
//   halvo-drives-cli [--folder DIR] unmap L:
//   halvo-drives-cli [--folder DIR] list
//   halvo-drives-cli [--folder DIR] [--timeout-ms N] session
// `map` reads the password as one line from standard input, never from the command line.
// `session` keeps one layer alive (as a program does) and runs commands read from standard
// input, one a line with tab-separated words ("map<TAB>Z:<TAB>\\s\share<TAB>user", then the
// password on the next line; "unmap<TAB>Z:"; "list", whose output ends with a line "end").
// `list` prints one line per letter that is in use or remote: "L: type=T mask=0|1 REMOTE".
// Exit status: 0 success, 1 the operation failed (its result code is printed), 2 usage.
#include <string.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "platform/posix/drives/DriveTableFile.h"
#include "platform/posix/gio/GioNetworkDrives.h"

namespace {

int Usage() {
    std::cerr << "usage: halvo-drives-cli [--folder DIR] [--timeout-ms N] "
                 "(map L: \\\\server\\share USER | unmap L: | list | session)\n";
    return 2;
}

void ListDrives(halvo::platform::NetworkDrives& drives) {
    const std::uint32_t mask = drives.GetLogicalDrives();
    for (char letter = 'Z'; letter >= 'A'; --letter) {
        const std::string local{letter, ':'};
        const unsigned type = drives.GetDriveType(local);
        const bool inMask = (mask >> (letter - 'A')) & 1u;
        if (type == halvo::platform::DRIVE_REMOTE || inMask) {
            std::cout << local << " type=" << type << " mask=" << inMask << " "
                      << drives.GetConnection(local) << std::endl;
        }
    }
}

bool ParseMillis(const std::string& text, std::chrono::milliseconds& out) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 0 ||
        value > 3'600'000) {
        return false;
    }
    out = std::chrono::milliseconds(value);
    return true;
}

// One line from standard input, read a byte at a time so that nothing beyond it is consumed and
// no stream buffer keeps a copy. False at the end of input.
bool ReadLine(std::array<char, 1025>& buffer, std::size_t& length) {
    length = 0;
    while (length + 1 < buffer.size()) {
        const ssize_t got = ::read(STDIN_FILENO, buffer.data() + length, 1);
        if (got <= 0) {
            return length > 0;
        }
        if (buffer[length] == '\n') {
            return true;
        }
        ++length;
    }
    return true;
}

int Map(halvo::platform::NetworkDrives& drives, const std::string& local, const std::string& remote,
        const std::string& user) {
    std::array<char, 1025> password{};
    std::size_t length = 0;
    ReadLine(password, length);
    const int result =
        drives.AddConnection(local, remote, user, std::string_view(password.data(), length));
    explicit_bzero(password.data(), password.size());
    std::cout << "map " << local << " " << remote << " -> " << result << std::endl;
    return result;
}

int Unmap(halvo::platform::NetworkDrives& drives, const std::string& local) {
    const int result = drives.CancelConnection(local);
    std::cout << "unmap " << local << " -> " << result << std::endl;
    return result;
}

void Session(halvo::platform::NetworkDrives& drives) {
    std::array<char, 1025> buffer{};
    std::size_t length = 0;
    while (ReadLine(buffer, length)) {
        std::vector<std::string> words;
        std::string_view line(buffer.data(), length);
        while (true) {
            const std::size_t tab = line.find('\t');
            words.emplace_back(line.substr(0, tab));
            if (tab == std::string_view::npos) {
                break;
            }
            line.remove_prefix(tab + 1);
        }
        if (words[0] == "map" && words.size() == 4) {
            Map(drives, words[1], words[2], words[3]);
        } else if (words[0] == "unmap" && words.size() == 2) {
            Unmap(drives, words[1]);
        } else if (words[0] == "list" && words.size() == 1) {
            ListDrives(drives);
            std::cout << "end" << std::endl;
        } else {
            std::cout << "unknown command" << std::endl;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::filesystem::path folder;
    std::chrono::milliseconds timeout = std::chrono::seconds(30);
    std::size_t at = 0;
    while (at + 1 < args.size() && args[at].rfind("--", 0) == 0) {
        if (args[at] == "--folder") {
            folder = args[at + 1];
        } else if (args[at] == "--timeout-ms") {
            if (!ParseMillis(args[at + 1], timeout)) {
                return Usage();
            }
        } else {
            return Usage();
        }
        at += 2;
    }
    if (at >= args.size()) {
        return Usage();
    }
    if (folder.empty()) {
        folder = halvo::platform::DriveTableFile::DefaultFolder(
            std::getenv("XDG_RUNTIME_DIR"), std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
    }
    halvo::platform::GioNetworkDrives drives(
        folder, timeout, [](const std::string& problem) { std::cerr << problem << "\n"; });
    const std::string& command = args[at];
    if (command == "list" && at + 1 == args.size()) {
        ListDrives(drives);
        return 0;
    }
    if (command == "session" && at + 1 == args.size()) {
        Session(drives);
        return 0;
    }
    if (command == "unmap" && at + 2 == args.size()) {
        return Unmap(drives, args[at + 1]) == 0 ? 0 : 1;
    }
    if (command == "map" && at + 4 == args.size()) {
        return Map(drives, args[at + 1], args[at + 2], args[at + 3]) == 0 ? 0 : 1;
    }
    return Usage();
}
