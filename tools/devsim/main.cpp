// SPDX-License-Identifier: GPL-3.0-or-later
// halvo-devsim: answers the device protocol on UDP port 1638 for the devices of its
// configuration, and serves each device's web page. It runs only inside a network namespace
// of our own LAN (scripts/lan.sh), never in the machine's own.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tools/devsim/DeviceConfig.h"
#include "tools/devsim/NamespaceGuard.h"
#include "tools/devsim/Server.h"
#include "tools/devsim/Simulator.h"

namespace {

using namespace halvo::devsim;

volatile std::sig_atomic_t stopRequested = 0;
void OnStopSignal(int) {
    stopRequested = 1;
}

struct Options {
    std::vector<std::string> configs;
    ServerOptions server;
    unsigned instance = 0;
    std::string readyFile;
    bool check = false;
    bool smbAccounts = false;
};

void Usage() {
    std::fprintf(stderr,
                 "usage: halvo-devsim --config FILE [--config FILE...] --address A.B.C.D\n"
                 "                    [--port N] [--instance K] [--ready-file PATH]\n"
                 "                    [--no-web] [--verbose]\n"
                 "       halvo-devsim --check --config FILE [--config FILE...]\n"
                 "       halvo-devsim --smb-accounts --config FILE [--config FILE...]\n"
                 "Answers the device protocol for the configured devices. Runs only inside a\n"
                 "network namespace of the test LAN (scripts/lan.sh). --check only reads the\n"
                 "files and lists their devices; it opens no socket. --smb-accounts prints\n"
                 "\"user<TAB>password<TAB>share...\" for every device with an SMB account.\n");
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (a == "--config" && (v = next())) {
            o.configs.emplace_back(v);
        } else if (a == "--address" && (v = next())) {
            o.server.address = v;
        } else if (a == "--port" && (v = next())) {
            o.server.port = static_cast<std::uint16_t>(std::strtoul(v, nullptr, 10));
        } else if (a == "--instance" && (v = next())) {
            o.instance = static_cast<unsigned>(std::strtoul(v, nullptr, 10));
        } else if (a == "--ready-file" && (v = next())) {
            o.readyFile = v;
        } else if (a == "--verbose") {
            o.server.verbose = true;
        } else if (a == "--no-web") {
            o.server.web = false;
        } else if (a == "--check") {
            o.check = true;
        } else if (a == "--smb-accounts") {
            o.check = true;
            o.smbAccounts = true;
        } else {
            return false;
        }
    }
    if (o.check) {
        return !o.configs.empty();
    }
    in_addr probe{};
    return !o.configs.empty() && inet_pton(AF_INET, o.server.address.c_str(), &probe) == 1 &&
           o.server.port;
}

// The devices as the files list them, before `replicate` makes copies.
bool ReadConfigs(const Options& options, std::vector<DeviceConfig>& devices) {
    for (const auto& path : options.configs) {
        auto result = LoadConfigFile(path);
        if (result.error) {
            std::fprintf(stderr, "halvo-devsim: %s:%d: %s\n", path.c_str(), result.error->line,
                         result.error->message.c_str());
            return false;
        }
        for (auto& d : result.devices) {
            devices.push_back(std::move(d));
        }
    }
    return true;
}

bool LoadDevices(const Options& options, std::vector<DeviceConfig>& devices) {
    if (!ReadConfigs(options, devices)) {
        return false;
    }
    devices = ExpandDevices(devices, options.server.address, options.instance);
    return true;
}

// One line per device: MAC, name, share count, volume count, faults present.
void ListDevices(const std::vector<DeviceConfig>& devices) {
    for (const auto& d : devices) {
        const auto& m = d.mac;
        std::printf("%02x:%02x:%02x:%02x:%02x:%02x  %-16s  %zu share(s), %zu volume(s)\n", m[0],
                    m[1], m[2], m[3], m[4], m[5], d.name.c_str(), d.shares.size(),
                    d.volumes.size());
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return 2;
    }
    std::vector<DeviceConfig> devices;
    if (options.smbAccounts) {
        std::string lines;
        std::string error;
        if (!ReadConfigs(options, devices) || !FormatSmbAccounts(devices, lines, error)) {
            if (!error.empty()) {
                std::fprintf(stderr, "halvo-devsim: %s\n", error.c_str());
            }
            return 2;
        }
        std::fputs(lines.c_str(), stdout);
        return 0;
    }
    if (options.check) {
        if (!LoadDevices(options, devices)) {
            return 2;
        }
        ListDevices(devices);
        return 0;
    }
    const std::string lan = OwnLanNamespace();
    if (lan.empty()) {
        std::fprintf(stderr,
                     "halvo-devsim: refusing to run outside a halvo-* namespace of the test LAN "
                     "(start it with scripts/lan.sh)\n");
        return 3;
    }
    if (!LoadDevices(options, devices)) {
        return 2;
    }

    struct sigaction stop {};
    stop.sa_handler = OnStopSignal;
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);

    const std::size_t count = devices.size();
    Server server(options.server, DeviceHost(std::move(devices)));
    if (!server.Open()) {
        return 1;
    }
    std::printf("halvo-devsim: %zu device(s) on %s, UDP port %u, namespace %s\n", count,
                options.server.address.c_str(), options.server.port, lan.c_str());
    std::fflush(stdout);
    if (!options.readyFile.empty()) {
        std::ofstream(options.readyFile) << getpid() << "\n";
    }
    return server.Run(stopRequested);
}
