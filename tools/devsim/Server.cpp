// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/Server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/devsim/DeviceConfig.h"
#include "tools/devsim/WebPage.h"

namespace halvo::devsim {

Server::Server(ServerOptions options, DeviceHost host)
    : o_(std::move(options)), host_(std::move(host)) {}

bool Server::Open() {
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

int Server::Run(const volatile std::sig_atomic_t& stop) {
    while (!stop) {
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
                static_cast<unsigned long long>(requests_), static_cast<unsigned long long>(sent_));
    return 0;
}

bool Server::Error(const std::string& what) {
    std::fprintf(stderr, "halvo-devsim: %s failed: %s\n", what.c_str(), std::strerror(errno));
    return false;
}

void Server::OpenListener(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, o_.address.c_str(), &a.sin_addr);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 16) != 0) {
        Error("web listener on " + o_.address + ":" + std::to_string(port));
        if (fd >= 0) {
            close(fd);
        }
        return;
    }
    fcntl(fd, F_SETFL, O_NONBLOCK);
    listeners_[port] = fd;
}

void Server::ReceiveAll() {
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
void Server::Send(const sockaddr_in& to, const Bytes& bytes) {
    if (sendto(udp_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to) >= 0) {
        ++sent_;
    } else if (o_.verbose) {
        Error("sendto");
    }
}

void Server::SendDue() {
    const auto now = SteadyClock::now();
    while (!pending_.empty() && pending_.top().due <= now) {
        Send(pending_.top().to, pending_.top().bytes);
        pending_.pop();
    }
}

// Until the next reply is due (latencies are in microseconds), at most a second.
timespec Server::NextTimeout() const {
    auto next = SteadyClock::now() + std::chrono::seconds(1);
    if (!pending_.empty()) {
        next = std::min(next, pending_.top().due);
    }
    for (const auto& c : connections_) {
        next = std::min(next, c.deadline);
    }
    const auto wait =
        std::max<std::chrono::nanoseconds>(std::chrono::nanoseconds{0}, next - SteadyClock::now());
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
    return timespec{static_cast<time_t>(seconds.count()),
                    static_cast<long>((wait - seconds).count())};
}

void Server::Accept(int listener, std::uint16_t port) {
    while (true) {
        const int fd = accept(listener, nullptr, nullptr);
        if (fd < 0) {
            return;
        }
        fcntl(fd, F_SETFL, O_NONBLOCK);
        connections_.push_back({fd, port, {}, SteadyClock::now() + std::chrono::seconds(5)});
    }
}

void Server::ReadWeb(int fd) {
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

void Server::CloseConnection(std::vector<WebConnection>::iterator it) {
    close(it->fd);
    connections_.erase(it);
}

void Server::ExpireConnections() {
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

}  // namespace halvo::devsim
