// SPDX-License-Identifier: GPL-3.0-or-later
// The socket layer on Winsock 2. Error numbers are Winsock's own (WSAGetLastError).
#pragma once

#include <cstdint>

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
    // IP_UNICAST_IF with the interface index, set for this send: it also steers a limited
    // broadcast, and one socket can send out of every interface in turn and hear all the replies.
    int SendVia(SocketHandle socket, std::span<const std::uint8_t> datagram,
                const DatagramPath& path, std::uint32_t address, std::uint16_t port) override;
    int ReceiveFrom(SocketHandle socket, std::span<std::uint8_t> buffer) override;
    // WSARecvMsg with IP_PKTINFO.
    int ReceiveWithPath(SocketHandle socket, std::span<std::uint8_t> buffer,
                        ReceivedFrom& from) override;
    bool WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) override;
    // The SOCKET itself: a window's wait selects FD_READ on it into an event.
    std::intptr_t NotifierHandle(SocketHandle socket) override;
    int Close(SocketHandle socket) override;

    int startedCount() const { return started_; }

  private:
    int Fail();

    int started_ = 0;
    int lastError_ = 0;
};

}  // namespace halvo::platform
