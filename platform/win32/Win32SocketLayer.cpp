// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win32/Win32SocketLayer.h"

// winsock2.h before windows.h, as Winsock requires.
#include <winsock2.h>

#include <mswsock.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <climits>
#include <cstring>

namespace halvo::platform {

namespace {

// 1 MiB: room for a thousand discovery replies in one burst.
constexpr int RECEIVE_BUFFER_BYTES = 1 << 20;

SOCKET Native(SocketHandle socket) {
    return static_cast<SOCKET>(socket);
}

bool Valid(SocketHandle socket) {
    return socket != INVALID_SOCKET_HANDLE && Native(socket) != INVALID_SOCKET;
}

sockaddr_in Endpoint(std::uint32_t address, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

// WSARecvMsg is an extension function: its address comes from the socket's provider.
LPFN_WSARECVMSG RecvMsgOf(SOCKET s) {
    GUID guid = WSAID_WSARECVMSG;
    LPFN_WSARECVMSG function = nullptr;
    DWORD bytes = 0;
    if (::WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &guid, sizeof guid, &function,
                   sizeof function, &bytes, nullptr, nullptr) != 0) {
        return nullptr;
    }
    return function;
}

}  // namespace

Win32SocketLayer::~Win32SocketLayer() {
    // Uses a caller forgot to end still hold Winsock for the process: release them.
    while (started_ > 0) {
        Cleanup();
    }
}

int Win32SocketLayer::Fail() {
    lastError_ = ::WSAGetLastError();
    return -1;
}

int Win32SocketLayer::Startup(std::uint16_t version) {
    // Winsock takes the version each caller asks for as long as the DLL covers it; the two the
    // protocol uses are the only ones anybody asks for.
    if (version != SOCKET_VERSION_1_1 && version != SOCKET_VERSION_2_2) {
        return WSAVERNOTSUPPORTED;
    }
    WSADATA data{};
    const int rc = ::WSAStartup(version, &data);
    if (rc != 0) {
        return rc;
    }
    if (data.wVersion != version) {
        ::WSACleanup();
        return WSAVERNOTSUPPORTED;
    }
    ++started_;
    return 0;
}

int Win32SocketLayer::Cleanup() {
    if (started_ == 0) {
        lastError_ = WSANOTINITIALISED;
        return -1;
    }
    if (::WSACleanup() != 0) {
        return Fail();
    }
    --started_;
    return 0;
}

SocketHandle Win32SocketLayer::Open(SocketType type) {
    if (started_ == 0) {
        lastError_ = WSANOTINITIALISED;
        return INVALID_SOCKET_HANDLE;
    }
    const SOCKET s = type == SocketType::Datagram ? ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP)
                                                  : ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        Fail();
        return INVALID_SOCKET_HANDLE;
    }
    // A socket is not inherited by programs this one starts (the browser).
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    if (type == SocketType::Datagram) {
        // A discovery answered by many boxes arrives as one burst. A refusal only leaves the
        // default size, and a refused IP_PKTINFO only leaves receives without their interface,
        // so neither result is judged.
        int size = RECEIVE_BUFFER_BYTES;
        ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
        DWORD on = 1;
        ::setsockopt(s, IPPROTO_IP, IP_PKTINFO, reinterpret_cast<const char*>(&on), sizeof on);
    }
    return static_cast<SocketHandle>(s);
}

int Win32SocketLayer::SetNonBlocking(SocketHandle socket) {
    if (!Valid(socket)) {
        return -1;
    }
    u_long on = 1;
    return ::ioctlsocket(Native(socket), FIONBIO, &on) == 0 ? 0 : Fail();
}

int Win32SocketLayer::EnableBroadcast(SocketHandle socket) {
    if (!Valid(socket)) {
        return -1;
    }
    BOOL on = TRUE;
    return ::setsockopt(Native(socket), SOL_SOCKET, SO_BROADCAST,
                        reinterpret_cast<const char*>(&on), sizeof on) == 0
               ? 0
               : Fail();
}

int Win32SocketLayer::Bind(SocketHandle socket, std::uint16_t port) {
    if (!Valid(socket)) {
        return -1;
    }
    const sockaddr_in sa = Endpoint(INADDR_ANY, port);
    return ::bind(Native(socket), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0 ? 0
                                                                                          : Fail();
}

int Win32SocketLayer::Listen(SocketHandle socket, int backlog) {
    if (!Valid(socket)) {
        return -1;
    }
    return ::listen(Native(socket), backlog) == 0 ? 0 : Fail();
}

int Win32SocketLayer::SendTo(SocketHandle socket, std::span<const std::uint8_t> datagram,
                             std::uint32_t address, std::uint16_t port) {
    if (!Valid(socket) || datagram.size() > INT_MAX) {
        return -1;
    }
    // Back to the routing table's choice, should an earlier send have picked an interface.
    DWORD any = 0;
    ::setsockopt(Native(socket), IPPROTO_IP, IP_UNICAST_IF, reinterpret_cast<const char*>(&any),
                 sizeof any);
    const sockaddr_in sa = Endpoint(address, port);
    const int n = ::sendto(Native(socket), reinterpret_cast<const char*>(datagram.data()),
                           static_cast<int>(datagram.size()), 0,
                           reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    return n == SOCKET_ERROR ? Fail() : n;
}

int Win32SocketLayer::SendVia(SocketHandle socket, std::span<const std::uint8_t> datagram,
                              const DatagramPath& path, std::uint32_t address, std::uint16_t port) {
    if (!Valid(socket) || datagram.size() > INT_MAX) {
        return -1;
    }
    // The index in network byte order: Winsock reads the option as an address in 0.0.0.0/8.
    const DWORD index = htonl(path.interfaceIndex);
    if (path.interfaceIndex == 0 || path.interfaceIndex > 0x00FFFFFFu ||
        ::setsockopt(Native(socket), IPPROTO_IP, IP_UNICAST_IF,
                     reinterpret_cast<const char*>(&index), sizeof index) != 0) {
        lastError_ = SOCKET_ERROR_NETWORK_DOWN;
        return -1;
    }
    const sockaddr_in sa = Endpoint(address, port);
    const int n = ::sendto(Native(socket), reinterpret_cast<const char*>(datagram.data()),
                           static_cast<int>(datagram.size()), 0,
                           reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (n != SOCKET_ERROR) {
        return n;
    }
    Fail();
    if (lastError_ == WSAENETUNREACH || lastError_ == WSAEHOSTUNREACH ||
        lastError_ == WSAEADDRNOTAVAIL || lastError_ == WSAEINVAL) {
        lastError_ = SOCKET_ERROR_NETWORK_DOWN;
    }
    return -1;
}

int Win32SocketLayer::ReceiveFrom(SocketHandle socket, std::span<std::uint8_t> buffer) {
    ReceivedFrom unused;  // received, never examined
    return ReceiveWithPath(socket, buffer, unused);
}

int Win32SocketLayer::ReceiveWithPath(SocketHandle socket, std::span<std::uint8_t> buffer,
                                      ReceivedFrom& from) {
    from = ReceivedFrom{};
    if (!Valid(socket) || buffer.size() > ULONG_MAX) {
        return -1;
    }
    const SOCKET s = Native(socket);
    // Never blocks, whatever became of the non-blocking switch.
    if (!WaitReadable(socket, std::chrono::milliseconds(0))) {
        lastError_ = WSAEWOULDBLOCK;
        return -1;
    }
    const LPFN_WSARECVMSG recvMsg = RecvMsgOf(s);
    if (recvMsg == nullptr) {
        return Fail();
    }
    sockaddr_in sender{};
    alignas(WSACMSGHDR) char control[WSA_CMSG_SPACE(sizeof(IN_PKTINFO))] = {};
    WSABUF data{static_cast<ULONG>(buffer.size()), reinterpret_cast<char*>(buffer.data())};
    WSAMSG msg{};
    msg.name = reinterpret_cast<sockaddr*>(&sender);
    msg.namelen = sizeof sender;
    msg.lpBuffers = &data;
    msg.dwBufferCount = 1;
    msg.Control = WSABUF{sizeof control, control};
    DWORD received = 0;
    if (recvMsg(s, &msg, &received, nullptr, nullptr) != 0) {
        // WSAEMSGSIZE: longer than the buffer, the rest is lost: dropped whole.
        return Fail();
    }
    if ((msg.dwFlags & MSG_TRUNC) != 0) {
        lastError_ = WSAEMSGSIZE;
        return -1;
    }
    if (msg.namelen >= static_cast<int>(sizeof sender) && sender.sin_family == AF_INET) {
        from.senderAddress = ntohl(sender.sin_addr.s_addr);
        from.senderPort = ntohs(sender.sin_port);
    }
    for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&msg); c != nullptr; c = WSA_CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO &&
            c->cmsg_len >= WSA_CMSG_LEN(sizeof(IN_PKTINFO))) {
            IN_PKTINFO info{};
            std::memcpy(&info, WSA_CMSG_DATA(c), sizeof info);
            from.path.interfaceIndex = info.ipi_ifindex;
            from.path.localAddress = ntohl(info.ipi_addr.s_addr);
        }
    }
    return static_cast<int>(received);
}

bool Win32SocketLayer::WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
    if (!Valid(socket)) {
        return false;
    }
    WSAPOLLFD p{Native(socket), POLLRDNORM, 0};
    const auto ms =
        timeout.count() < 0 ? 0 : (timeout.count() > INT_MAX ? INT_MAX : timeout.count());
    const int rc = ::WSAPoll(&p, 1, static_cast<INT>(ms));
    // An error condition also wakes the caller: the receive that follows clears it.
    return rc > 0 && p.revents != 0;
}

std::intptr_t Win32SocketLayer::NotifierHandle(SocketHandle socket) {
    return Valid(socket) ? static_cast<std::intptr_t>(Native(socket)) : -1;
}

int Win32SocketLayer::Close(SocketHandle socket) {
    if (!Valid(socket)) {
        return -1;
    }
    return ::closesocket(Native(socket)) == 0 ? 0 : Fail();
}

}  // namespace halvo::platform
