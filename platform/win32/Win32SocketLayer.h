// SPDX-License-Identifier: GPL-3.0-or-later
// The socket layer on Winsock 2. Error numbers are Winsock's own (WSAGetLastError).
//
// Windows sends a limited broadcast (255.255.255.255) out of one adapter only, the one whose
// route has the lowest metric, whatever IP_UNICAST_IF says. So a datagram socket of this layer
// stands for a set: the unbound socket the handle names, for sends the routing table places, and
// one socket per adapter address that a send was asked to leave by, bound to that address (port
// 0) with broadcast on and IP_UNICAST_IF set as well. A broadcast from a socket bound to an
// adapter's address leaves by that adapter. Receives and waits cover the whole set, so the replies
// of every adapter arrive in one collection, each telling the interface it came in on.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/SocketLayer.h"

namespace halvo::platform {

// Start-up is reference-counted by Winsock per process and here per object as well: each
// successful Startup is matched by one Cleanup, and a Cleanup beyond that fails with -1 and
// WSANOTINITIALISED without touching the process's other users.
class Win32SocketLayer final : public SocketLayer {
  public:
    Win32SocketLayer() = default;
    Win32SocketLayer(const Win32SocketLayer&) = delete;
    Win32SocketLayer& operator=(const Win32SocketLayer&) = delete;
    ~Win32SocketLayer() override;

    int Startup(std::uint16_t version) override;
    int Cleanup() override;
    int LastError() override { return lastError_; }

    SocketHandle Open(SocketType type) override;
    int SetNonBlocking(SocketHandle socket) override;
    int EnableBroadcast(SocketHandle socket) override;
    int Bind(SocketHandle socket, std::uint16_t port) override;
    int Listen(SocketHandle socket, int backlog) override;
    int SendTo(SocketHandle socket, std::span<const std::uint8_t> datagram, std::uint32_t address,
               std::uint16_t port) override;
    // By the set's socket bound to the path's local address, made on first use; with no local
    // address, IP_UNICAST_IF on the unbound socket for this send.
    int SendVia(SocketHandle socket, std::span<const std::uint8_t> datagram,
                const DatagramPath& path, std::uint32_t address, std::uint16_t port) override;
    int ReceiveFrom(SocketHandle socket, std::span<std::uint8_t> buffer) override;
    // WSARecvMsg with IP_PKTINFO, from whichever socket of the set has a datagram waiting.
    int ReceiveWithPath(SocketHandle socket, std::span<std::uint8_t> buffer,
                        ReceivedFrom& from) override;
    bool WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) override;
    // An event selected for FD_READ on every socket of the set for the set's whole life: a
    // window's wait sleeps on it; it may also be set with nothing left to read.
    std::intptr_t NotifierHandle(SocketHandle socket) override;
    int Close(SocketHandle socket) override;

    int startedCount() const { return started_; }
    // The local address each adapter socket of `socket`'s set is bound to (host order), in the
    // order they were made.
    std::vector<std::uint32_t> BoundAddresses(SocketHandle socket) const;

  private:
    struct Bound {
        std::uint32_t localAddress = 0;
        std::uintptr_t socket = 0;  // SOCKET
    };
    struct Set {
        std::vector<Bound> bound;
        void* event = nullptr;           // WSAEVENT
        void* receiveMessage = nullptr;  // WSARecvMsg of the provider
        std::size_t nextReceive = 0;     // fairness among the set's sockets
    };

    int Fail();
    int SendOn(std::uintptr_t native, std::span<const std::uint8_t> datagram, std::uint32_t address,
               std::uint16_t port);
    // The socket of the set bound to `path`'s local address, made now if need be; 0 (with
    // lastError_ set) when none can be had.
    std::uintptr_t BoundSocket(Set& set, const DatagramPath& path);
    // One non-blocking WSARecvMsg on one socket of a set.
    int ReceiveOne(std::uintptr_t native, void* function, std::span<std::uint8_t> buffer,
                   ReceivedFrom& from);
    // Every socket of the set, the unbound one first.
    std::vector<std::uintptr_t> Members(SocketHandle socket) const;

    std::map<SocketHandle, Set> sets_;
    int started_ = 0;
    int lastError_ = 0;
};

}  // namespace halvo::platform
