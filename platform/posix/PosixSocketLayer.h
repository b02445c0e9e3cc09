// SPDX-License-Identifier: GPL-3.0-or-later
// The socket layer on POSIX sockets.
#pragma once

#include <cstdint>

#include "platform/SocketLayer.h"

namespace halvo::platform {

// Error numbers the start-up and clean-up calls report, as the Windows layer numbers them.
inline constexpr int SOCKET_ERROR_VERSION_NOT_SUPPORTED = 10092;
inline constexpr int SOCKET_ERROR_NOT_INITIALISED = 10093;

// Start-up is reference-counted per object: each successful Startup must be matched by one
// Cleanup; a Cleanup beyond that fails with -1. Sockets may only be opened while started.
class PosixSocketLayer final : public SocketLayer {
  public:
    PosixSocketLayer() = default;
    PosixSocketLayer(const PosixSocketLayer&) = delete;
    PosixSocketLayer& operator=(const PosixSocketLayer&) = delete;

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
    int SendVia(SocketHandle socket, std::span<const std::uint8_t> datagram,
                const DatagramPath& path, std::uint32_t address, std::uint16_t port) override;
    int ReceiveFrom(SocketHandle socket, std::span<std::uint8_t> buffer) override;
    int ReceiveWithPath(SocketHandle socket, std::span<std::uint8_t> buffer,
                        ReceivedFrom& from) override;
    bool WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) override;
    // The file descriptor itself.
    std::intptr_t NotifierHandle(SocketHandle socket) override;
    int Close(SocketHandle socket) override;

    int startedCount() const { return started_; }

  private:
    int Fail();

    int started_ = 0;
    int lastError_ = 0;
};

}  // namespace halvo::platform
