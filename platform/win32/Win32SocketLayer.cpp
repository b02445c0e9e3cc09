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

namespace {

// What every datagram socket of a set gets: not inherited by programs this one starts (the
// browser), room for a burst of a thousand discovery replies, and the interface each datagram
// came in on. A refused buffer size only leaves the default, and a refused IP_PKTINFO only leaves
// receives without their interface, so neither result is judged.
void PrepareDatagramSocket(SOCKET s) {
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    int size = RECEIVE_BUFFER_BYTES;
    ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
    DWORD on = 1;
    ::setsockopt(s, IPPROTO_IP, IP_PKTINFO, reinterpret_cast<const char*>(&on), sizeof on);
}

// The index in network byte order: Winsock reads the option as an address in 0.0.0.0/8.
bool SetUnicastInterface(SOCKET s, std::uint32_t interfaceIndex) {
    const DWORD index = htonl(interfaceIndex);
    return ::setsockopt(s, IPPROTO_IP, IP_UNICAST_IF, reinterpret_cast<const char*>(&index),
                        sizeof index) == 0;
}

// The errors a send or bind gives for an address or interface that is not there (any more).
bool MeansNetworkDown(int error) {
    return error == WSAENETUNREACH || error == WSAEHOSTUNREACH || error == WSAEADDRNOTAVAIL ||
           error == WSAEINVAL || error == WSAENETDOWN;
}

}  // namespace

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
    if (type == SocketType::Stream) {
        ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
        return static_cast<SocketHandle>(s);
    }
    PrepareDatagramSocket(s);
    // Receives try each socket of a set in turn: none may block.
    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    Set set;
    // Selected once for the set's life: a wait then costs no set-up, and nothing that arrives
    // between two waits goes unsignalled. The selection also makes the socket non-blocking.
    const WSAEVENT event = ::WSACreateEvent();
    if (event != WSA_INVALID_EVENT) {
        if (::WSAEventSelect(s, event, FD_READ) == 0) {
            set.event = event;
        } else {
            ::WSACloseEvent(event);
        }
    }
    set.receiveMessage = reinterpret_cast<void*>(RecvMsgOf(s));
    const auto handle = static_cast<SocketHandle>(s);
    sets_[handle] = std::move(set);
    return handle;
}

std::uintptr_t Win32SocketLayer::BoundSocket(Set& set, const DatagramPath& path) {
    for (const Bound& b : set.bound) {
        if (b.localAddress == path.localAddress) {
            // Another interface may carry the same address later; the index follows the path.
            SetUnicastInterface(static_cast<SOCKET>(b.socket), path.interfaceIndex);
            return b.socket;
        }
    }
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        Fail();
        return 0;
    }
    PrepareDatagramSocket(s);
    u_long nonBlocking = 1;
    BOOL broadcast = TRUE;
    const sockaddr_in local = Endpoint(path.localAddress, 0);
    const bool ready =
        ::ioctlsocket(s, FIONBIO, &nonBlocking) == 0 &&
        ::setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&broadcast),
                     sizeof broadcast) == 0 &&
        ::bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
    if (!ready) {
        Fail();
        ::closesocket(s);
        if (MeansNetworkDown(lastError_)) {
            lastError_ = SOCKET_ERROR_NETWORK_DOWN;
        }
        return 0;
    }
    // Kept as well: where the system honours it, it names the adapter even for a broadcast.
    SetUnicastInterface(s, path.interfaceIndex);
    if (set.event != nullptr) {
        ::WSAEventSelect(s, static_cast<WSAEVENT>(set.event), FD_READ);
    }
    set.bound.push_back(Bound{path.localAddress, static_cast<std::uintptr_t>(s)});
    return static_cast<std::uintptr_t>(s);
}

std::vector<std::uintptr_t> Win32SocketLayer::Members(SocketHandle socket) const {
    std::vector<std::uintptr_t> members{static_cast<std::uintptr_t>(Native(socket))};
    const auto found = sets_.find(socket);
    if (found != sets_.end()) {
        for (const Bound& b : found->second.bound) {
            members.push_back(b.socket);
        }
    }
    return members;
}

std::vector<std::uint32_t> Win32SocketLayer::BoundAddresses(SocketHandle socket) const {
    std::vector<std::uint32_t> addresses;
    const auto found = sets_.find(socket);
    if (found != sets_.end()) {
        for (const Bound& b : found->second.bound) {
            addresses.push_back(b.localAddress);
        }
    }
    return addresses;
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

int Win32SocketLayer::SendOn(std::uintptr_t native, std::span<const std::uint8_t> datagram,
                             std::uint32_t address, std::uint16_t port) {
    const sockaddr_in sa = Endpoint(address, port);
    const int n = ::sendto(
        static_cast<SOCKET>(native), reinterpret_cast<const char*>(datagram.data()),
        static_cast<int>(datagram.size()), 0, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    return n == SOCKET_ERROR ? Fail() : n;
}

int Win32SocketLayer::SendTo(SocketHandle socket, std::span<const std::uint8_t> datagram,
                             std::uint32_t address, std::uint16_t port) {
    if (!Valid(socket) || datagram.size() > INT_MAX) {
        return -1;
    }
    // Back to the routing table's choice, should an earlier send have picked an interface.
    SetUnicastInterface(Native(socket), 0);
    return SendOn(static_cast<std::uintptr_t>(Native(socket)), datagram, address, port);
}

int Win32SocketLayer::SendVia(SocketHandle socket, std::span<const std::uint8_t> datagram,
                              const DatagramPath& path, std::uint32_t address, std::uint16_t port) {
    if (!Valid(socket) || datagram.size() > INT_MAX) {
        return -1;
    }
    if (path.interfaceIndex == 0 || path.interfaceIndex > 0x00FFFFFFu) {
        lastError_ = SOCKET_ERROR_NETWORK_DOWN;
        return -1;
    }
    std::uintptr_t native = static_cast<std::uintptr_t>(Native(socket));
    const auto found = sets_.find(socket);
    if (path.localAddress != 0 && found != sets_.end()) {
        native = BoundSocket(found->second, path);
        if (native == 0) {
            return -1;
        }
    } else if (!SetUnicastInterface(Native(socket), path.interfaceIndex)) {
        lastError_ = SOCKET_ERROR_NETWORK_DOWN;
        return -1;
    }
    const int n = SendOn(native, datagram, address, port);
    if (n < 0 && MeansNetworkDown(lastError_)) {
        lastError_ = SOCKET_ERROR_NETWORK_DOWN;
    }
    return n;
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
    // Each socket of the set in turn, from the one after the last that gave a datagram, so
    // that no adapter's replies wait behind another's: in a burst one call per datagram. The
    // sockets never block (the event selection, or the switch, made them so).
    const std::vector<std::uintptr_t> members = Members(socket);
    const auto found = sets_.find(socket);
    Set* set = found != sets_.end() ? &found->second : nullptr;
    auto recvMsg =
        set != nullptr ? reinterpret_cast<LPFN_WSARECVMSG>(set->receiveMessage) : nullptr;
    if (recvMsg == nullptr) {
        recvMsg = RecvMsgOf(Native(socket));
        if (recvMsg == nullptr) {
            return Fail();
        }
    }
    const std::size_t first = set != nullptr ? set->nextReceive % members.size() : 0;
    for (std::size_t k = 0; k < members.size(); ++k) {
        const std::size_t i = (first + k) % members.size();
        const int n = ReceiveOne(members[i], reinterpret_cast<void*>(recvMsg), buffer, from);
        if (n >= 0 || lastError_ != WSAEWOULDBLOCK) {
            if (set != nullptr) {
                set->nextReceive = i + 1;
            }
            return n;
        }
    }
    return -1;
}

int Win32SocketLayer::ReceiveOne(std::uintptr_t native, void* function,
                                 std::span<std::uint8_t> buffer, ReceivedFrom& from) {
    const auto s = static_cast<SOCKET>(native);
    const auto recvMsg = reinterpret_cast<LPFN_WSARECVMSG>(function);
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
    const std::vector<std::uintptr_t> members = Members(socket);
    std::vector<WSAPOLLFD> polls;
    for (const std::uintptr_t m : members) {
        polls.push_back(WSAPOLLFD{static_cast<SOCKET>(m), POLLRDNORM, 0});
    }
    const auto ms =
        timeout.count() < 0 ? 0 : (timeout.count() > INT_MAX ? INT_MAX : timeout.count());
    const int rc = ::WSAPoll(polls.data(), static_cast<ULONG>(polls.size()), static_cast<INT>(ms));
    // An error condition also wakes the caller: the receive that follows clears it.
    return rc > 0;
}

std::intptr_t Win32SocketLayer::NotifierHandle(SocketHandle socket) {
    const auto found = sets_.find(socket);
    if (!Valid(socket) || found == sets_.end() || found->second.event == nullptr) {
        return -1;
    }
    return reinterpret_cast<std::intptr_t>(found->second.event);
}

int Win32SocketLayer::Close(SocketHandle socket) {
    if (!Valid(socket)) {
        return -1;
    }
    const auto found = sets_.find(socket);
    if (found != sets_.end()) {
        for (const Bound& b : found->second.bound) {
            ::closesocket(static_cast<SOCKET>(b.socket));
        }
        if (found->second.event != nullptr) {
            ::WSACloseEvent(static_cast<WSAEVENT>(found->second.event));
        }
        sets_.erase(found);
    }
    return ::closesocket(Native(socket)) == 0 ? 0 : Fail();
}

}  // namespace halvo::platform
