// SPDX-License-Identifier: GPL-3.0-or-later
// The socket layer the protocol talks through: the few datagram operations an exchange needs,
// with the results callers rely on. platform/posix/ puts the POSIX calls behind it, and
// platform/win32/ the Winsock ones (where one socket of the layer stands for one socket per
// adapter: see Win32SocketLayer.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <span>

namespace halvo::platform {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle INVALID_SOCKET_HANDLE = -1;

// The way a datagram leaves or came in: the interface and the workstation's address on it. An
// interface index of 0 leaves the choice to the routing table.
struct DatagramPath {
    std::uint32_t interfaceIndex = 0;
    std::uint32_t localAddress = 0;  // IPv4, host order; 0: the interface's own
};

// Where a received datagram came from and in by.
struct ReceivedFrom {
    DatagramPath path;                // interface and local address it arrived on (0 when unknown)
    std::uint32_t senderAddress = 0;  // IPv4, host order
    std::uint16_t senderPort = 0;
};

// The error a send through an interface that is not there (any more) leaves in LastError, as the
// Windows layer numbers "network is down".
inline constexpr int SOCKET_ERROR_NETWORK_DOWN = 10050;

enum class SocketType {
    Datagram,  // AF_INET, SOCK_DGRAM, IPPROTO_UDP
    Stream,    // AF_INET, SOCK_STREAM, IPPROTO_TCP
};

// Version words as the start-up call takes them: low byte major, high byte minor.
inline constexpr std::uint16_t SOCKET_VERSION_1_1 = 0x0101;
inline constexpr std::uint16_t SOCKET_VERSION_2_2 = 0x0202;

class SocketLayer {
  public:
    virtual ~SocketLayer() = default;

    // Starts one use of the layer. 0 on success, otherwise an error code (shown to the user).
    virtual int Startup(std::uint16_t version) = 0;
    // Ends one use of the layer started by Startup. 0 on success, -1 on failure.
    virtual int Cleanup() = 0;
    // The error number of the last failed call.
    virtual int LastError() = 0;

    // A new socket, or INVALID_SOCKET_HANDLE.
    virtual SocketHandle Open(SocketType type) = 0;
    // 0 on success, -1 on failure.
    virtual int SetNonBlocking(SocketHandle socket) = 0;
    virtual int EnableBroadcast(SocketHandle socket) = 0;
    // Binds to `port` on any local address; 0 or -1.
    virtual int Bind(SocketHandle socket, std::uint16_t port) = 0;
    virtual int Listen(SocketHandle socket, int backlog) = 0;
    // Sends one datagram to `address` (IPv4, host order) and `port`; bytes sent or -1.
    virtual int SendTo(SocketHandle socket, std::span<const std::uint8_t> datagram,
                       std::uint32_t address, std::uint16_t port) = 0;
    // SendTo out of one given interface only, with the path's local address as the source: a
    // datagram to 255.255.255.255 then reaches that interface's segment and no other. Needs no
    // privilege. -1 with SOCKET_ERROR_NETWORK_DOWN when the interface is missing or down.
    virtual int SendVia(SocketHandle socket, std::span<const std::uint8_t> datagram,
                        const DatagramPath& path, std::uint32_t address, std::uint16_t port) = 0;
    // Receives one waiting datagram into `buffer`: its length, or -1 when none is waiting or the
    // receive failed. A datagram longer than the buffer is dropped and also gives -1.
    virtual int ReceiveFrom(SocketHandle socket, std::span<std::uint8_t> buffer) = 0;
    // ReceiveFrom that also tells the sender and the interface the datagram came in on.
    virtual int ReceiveWithPath(SocketHandle socket, std::span<std::uint8_t> buffer,
                                ReceivedFrom& from) = 0;
    // Waits until a datagram is waiting or `timeout` has passed; true when one is waiting.
    virtual bool WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) = 0;
    // The native handle an event loop can watch for `socket` turning readable, so that a window
    // can wait for a reply without blocking: a descriptor on POSIX, an event on Win32 (which may
    // stay set with nothing left to read); -1 when there is none (a scripted network).
    virtual std::intptr_t NotifierHandle(SocketHandle /*socket*/) { return -1; }
    // 0 or -1.
    virtual int Close(SocketHandle socket) = 0;
};

}  // namespace halvo::platform
