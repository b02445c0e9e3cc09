// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's sockets: one UDP socket on the device port that hands every request to the
// device host and sends its replies when they are due, and a web listener on each device's web
// port. POSIX sockets and ppoll, single-threaded.
#pragma once

#include <netinet/in.h>
#include <time.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <functional>
#include <map>
#include <queue>
#include <string>
#include <vector>

#include "protocol/Protocol.h"
#include "tools/devsim/Simulator.h"

namespace halvo::devsim {

struct ServerOptions {
    std::string address;  // this host's address on the LAN; the web listeners bind to it
    std::uint16_t port = protocol::DEVICE_PORT;
    bool verbose = false;  // one line on stdout per request
    bool web = true;       // serve the devices' web pages
};

class Server {
  public:
    Server(ServerOptions options, DeviceHost host);

    // Binds the UDP port on every local address (so that broadcasts arrive) and the web ports;
    // false, with the reason on stderr, when the UDP port cannot be had.
    bool Open();
    // Serves until `stop` turns non-zero (a signal handler sets it); the exit status.
    int Run(const volatile std::sig_atomic_t& stop);

  private:
    using SteadyClock = std::chrono::steady_clock;

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

    bool Error(const std::string& what);
    void OpenListener(std::uint16_t port);
    void ReceiveAll();
    void Send(const sockaddr_in& to, const Bytes& bytes);
    void SendDue();
    timespec NextTimeout() const;
    void Accept(int listener, std::uint16_t port);
    void ReadWeb(int fd);
    void CloseConnection(std::vector<WebConnection>::iterator it);
    void ExpireConnections();

    ServerOptions o_;
    DeviceHost host_;
    int udp_ = -1;
    std::map<std::uint16_t, int> listeners_;
    std::vector<WebConnection> connections_;
    std::priority_queue<Pending, std::vector<Pending>, std::greater<>> pending_;
    std::uint64_t sequence_ = 0;
    std::uint64_t requests_ = 0;
    std::uint64_t sent_ = 0;
};

}  // namespace halvo::devsim
