// halvo-devsim: answers the device protocol on UDP port 1638 for the devices of its
// configuration, and serves each device's web page. It runs only inside a network namespace
// of our own LAN (scripts/lan.sh), never in the machine's own.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <queue>
#include <string>
#include <vector>

#include "tools/devsim/DeviceConfig.h"
#include "tools/devsim/NamespaceGuard.h"
#include "tools/devsim/Simulator.h"
#include "tools/devsim/WebPage.h"

namespace {

using namespace halvo::devsim;
using SteadyClock = std::chrono::steady_clock;

volatile std::sig_atomic_t stopRequested = 0;
void OnStopSignal(int) {
    stopRequested = 1;
}

struct Options {
    std::vector<std::string> configs;
    std::string address;
    std::uint16_t port = halvo::protocol::DEVICE_PORT;
    unsigned instance = 0;
    std::string readyFile;
    bool verbose = false;
    bool web = true;
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
            o.address = v;
        } else if (a == "--port" && (v = next())) {
            o.port = static_cast<std::uint16_t>(std::strtoul(v, nullptr, 10));
        } else if (a == "--instance" && (v = next())) {
            o.instance = static_cast<unsigned>(std::strtoul(v, nullptr, 10));
        } else if (a == "--ready-file" && (v = next())) {
            o.readyFile = v;
        } else if (a == "--verbose") {
            o.verbose = true;
        } else if (a == "--no-web") {
            o.web = false;
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
    return !o.configs.empty() && inet_pton(AF_INET, o.address.c_str(), &probe) == 1 && o.port;
}

struct Pending {
    SteadyClock::time_point due;
    std::uint64_t sequence;
    sockaddr_in to;
    Bytes bytes;
    bool operator>(const Pending& o) const {
        return due != o.due ? due > o.due : sequence > o.sequence;
    }
};

struct WebConnection {
    int fd;
    std::uint16_t port;
    std::string head;
    SteadyClock::time_point deadline;
};

class Server {
  public:
    Server(Options options, DeviceHost host) : o_(std::move(options)), host_(std::move(host)) {}

    bool Open() {
        udp_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (udp_ < 0) {
            return Error("socket");
        }
        int size = 4 << 20;
        setsockopt(udp_, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
        setsockopt(udp_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        // Any local address, so that requests sent to 255.255.255.255 arrive too.
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(o_.port);
        any.sin_addr.s_addr = htonl(INADDR_ANY);
        if (bind(udp_, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
            return Error("bind UDP port " + std::to_string(o_.port));
        }
        if (o_.web) {
            for (const auto& d : host_.devices()) {
                const auto port = d.config().webPort;
                if (!listeners_.count(port)) {
                    OpenListener(port);
                }
            }
        }
        return true;
    }

    int Run() {
        while (!stopRequested) {
            std::vector<pollfd> fds;
            fds.push_back({udp_, POLLIN, 0});
            for (const auto& [port, fd] : listeners_) {
                fds.push_back({fd, POLLIN, 0});
            }
            for (const auto& c : connections_) {
                fds.push_back({c.fd, POLLIN, 0});
            }
            const timespec timeout = NextTimeout();
            const int rc = ppoll(fds.data(), fds.size(), &timeout, nullptr);
            if (rc < 0 && errno != EINTR) {
                return Error("poll") ? 0 : 1;
            }
            if (rc > 0) {
                if (fds[0].revents & POLLIN) {
                    ReceiveAll();
                }
                std::size_t at = 1;
                for (const auto& [port, fd] : listeners_) {
                    if (fds[at++].revents & POLLIN) {
                        Accept(fd, port);
                    }
                }
                std::vector<int> ready;
                for (std::size_t i = at; i < fds.size(); ++i) {
                    if (fds[i].revents) {
                        ready.push_back(fds[i].fd);
                    }
                }
                for (int fd : ready) {
                    ReadWeb(fd);
                }
            }
            SendDue();
            ExpireConnections();
        }
        std::printf("halvo-devsim: stopping after %llu requests, %llu replies sent\n",
                    static_cast<unsigned long long>(requests_),
                    static_cast<unsigned long long>(sent_));
        return 0;
    }

  private:
    bool Error(const std::string& what) {
        std::fprintf(stderr, "halvo-devsim: %s failed: %s\n", what.c_str(), std::strerror(errno));
        return false;
    }

    void OpenListener(std::uint16_t port) {
        const int fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        inet_pton(AF_INET, o_.address.c_str(), &a.sin_addr);
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            listen(fd, 16) != 0) {
            Error("web listener on " + o_.address + ":" + std::to_string(port));
            if (fd >= 0) {
                close(fd);
            }
            return;
        }
        fcntl(fd, F_SETFL, O_NONBLOCK);
        listeners_[port] = fd;
    }

    void ReceiveAll() {
        std::uint8_t buffer[2048];
        while (true) {
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n = recvfrom(udp_, buffer, sizeof buffer, MSG_DONTWAIT,
                                       reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 0) {
                return;
            }
            // The tool never sends from the device port; a datagram from it is another device's
            // answer, and answering it could start two simulators talking to each other forever.
            if (ntohs(from.sin_port) == o_.port) {
                continue;
            }
            ++requests_;
            const auto now = SteadyClock::now();
            auto replies =
                host_.Handle(std::span(buffer, static_cast<std::size_t>(n)), WallClock::now());
            if (o_.verbose) {
                char ip[INET_ADDRSTRLEN] = "?";
                inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
                const unsigned command = n >= 2 ? (buffer[0] | (buffer[1] << 8)) : 0xFFFF;
                std::printf("request %s (%zd bytes) from %s:%u: %zu datagrams\n",
                            CommandName(static_cast<std::uint16_t>(command)).c_str(), n, ip,
                            ntohs(from.sin_port), replies.size());
                std::fflush(stdout);
            }
            for (auto& r : replies) {
                if (r.delay.count() == 0) {
                    Send(from, r.bytes);
                } else {
                    pending_.push({now + r.delay, sequence_++, from, std::move(r.bytes)});
                }
            }
        }
    }

    // Replies go by unicast to the requester's address and port, never by broadcast.
    void Send(const sockaddr_in& to, const Bytes& bytes) {
        if (sendto(udp_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                   sizeof to) >= 0) {
            ++sent_;
        } else if (o_.verbose) {
            Error("sendto");
        }
    }

    void SendDue() {
        const auto now = SteadyClock::now();
        while (!pending_.empty() && pending_.top().due <= now) {
            Send(pending_.top().to, pending_.top().bytes);
            pending_.pop();
        }
    }

    // Until the next reply is due (latencies are in microseconds), at most a second.
    timespec NextTimeout() const {
        auto next = SteadyClock::now() + std::chrono::seconds(1);
        if (!pending_.empty()) {
            next = std::min(next, pending_.top().due);
        }
        for (const auto& c : connections_) {
            next = std::min(next, c.deadline);
        }
        const auto wait = std::max<std::chrono::nanoseconds>(std::chrono::nanoseconds{0},
                                                             next - SteadyClock::now());
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
        return timespec{static_cast<time_t>(seconds.count()),
                        static_cast<long>((wait - seconds).count())};
    }

    void Accept(int listener, std::uint16_t port) {
        while (true) {
            const int fd = accept(listener, nullptr, nullptr);
            if (fd < 0) {
                return;
            }
            fcntl(fd, F_SETFL, O_NONBLOCK);
            connections_.push_back({fd, port, {}, SteadyClock::now() + std::chrono::seconds(5)});
        }
    }

    void ReadWeb(int fd) {
        auto it = std::find_if(connections_.begin(), connections_.end(),
                               [fd](const WebConnection& c) { return c.fd == fd; });
        if (it == connections_.end()) {
            return;
        }
        char buffer[1024];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0 && !(n < 0 && errno == EAGAIN)) {
            CloseConnection(it);
            return;
        }
        if (n > 0) {
            it->head.append(buffer, static_cast<std::size_t>(n));
        }
        const bool complete = it->head.find("\r\n\r\n") != std::string::npos ||
                              it->head.find("\n\n") != std::string::npos;
        if (!complete && it->head.size() < 8192) {
            return;
        }
        std::vector<const SimulatedDevice*> onPort;
        for (const auto& d : host_.devices()) {
            if (d.config().webPort == it->port) {
                onPort.push_back(&d);
            }
        }
        const std::string response = BuildWebResponse(it->head, onPort);
        // Small pages: a blocking write with a short timeout is enough.
        fcntl(fd, F_SETFL, 0);
        timeval tv{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        // MSG_NOSIGNAL: a client that resets early must not end the simulator with SIGPIPE.
        [[maybe_unused]] const ssize_t w = send(fd, response.data(), response.size(), MSG_NOSIGNAL);
        CloseConnection(it);
    }

    void CloseConnection(std::vector<WebConnection>::iterator it) {
        close(it->fd);
        connections_.erase(it);
    }

    void ExpireConnections() {
        const auto now = SteadyClock::now();
        for (auto it = connections_.begin(); it != connections_.end();) {
            if (it->deadline <= now) {
                close(it->fd);
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
    }

    Options o_;
    DeviceHost host_;
    int udp_ = -1;
    std::map<std::uint16_t, int> listeners_;
    std::vector<WebConnection> connections_;
    std::priority_queue<Pending, std::vector<Pending>, std::greater<>> pending_;
    std::uint64_t sequence_ = 0;
    std::uint64_t requests_ = 0;
    std::uint64_t sent_ = 0;
};

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
    devices = ExpandDevices(devices, options.address, options.instance);
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
    Server server(options, DeviceHost(std::move(devices)));
    if (!server.Open()) {
        return 1;
    }
    std::printf("halvo-devsim: %zu device(s) on %s, UDP port %u, namespace %s\n", count,
                options.address.c_str(), options.port, lan.c_str());
    std::fflush(stdout);
    if (!options.readyFile.empty()) {
        std::ofstream(options.readyFile) << getpid() << "\n";
    }
    return server.Run();
}
