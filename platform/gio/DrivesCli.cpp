// A small driver of the network-drives layer, for scripts and end-to-end checks:
//   halvo-drives-cli [--folder DIR] [--timeout-ms N] map L: '\\server\share' USER
//   halvo-drives-cli [--folder DIR] unmap L:
//   halvo-drives-cli [--folder DIR] list
// `map` reads the password as one line from standard input, never from the command line.
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

#include "platform/drives/DriveTable.h"
#include "platform/gio/GioNetworkDrives.h"

namespace {

int Usage() {
    std::cerr << "usage: halvo-drives-cli [--folder DIR] [--timeout-ms N] "
                 "(map L: \\\\server\\share USER | unmap L: | list)\n";
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
                      << drives.GetConnection(local) << "\n";
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
    if (command == "unmap" && at + 2 == args.size()) {
        const int result = drives.CancelConnection(args[at + 1]);
        std::cout << "unmap " << args[at + 1] << " -> " << result << "\n";
        return result == 0 ? 0 : 1;
    }
    if (command == "map" && at + 4 == args.size()) {
        // One line, read straight into a buffer that is wiped afterwards (no stream buffers).
        std::array<char, 257> buffer{};
        std::size_t length = 0;
        while (length + 1 < buffer.size()) {
            const ssize_t got = ::read(STDIN_FILENO, buffer.data() + length, 1);
            if (got <= 0 || buffer[length] == '\n') {
                break;
            }
            ++length;
        }
        const int result = drives.AddConnection(args[at + 1], args[at + 2], args[at + 3],
                                                std::string_view(buffer.data(), length));
        explicit_bzero(buffer.data(), buffer.size());
        std::cout << "map " << args[at + 1] << " " << args[at + 2] << " -> " << result << "\n";
        return result == 0 ? 0 : 1;
    }
    return Usage();
}
