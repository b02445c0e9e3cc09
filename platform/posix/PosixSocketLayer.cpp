// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/PosixSocketLayer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace halvo::platform {

namespace {

// 1 MiB: room for a thousand discovery replies in one burst.
constexpr int RECEIVE_BUFFER_BYTES = 1 << 20;

int Fd(SocketHandle socket) {
    return static_cast<int>(socket);
}

bool ValidFd(SocketHandle socket) {
    return socket >= 0 && socket <= INT_MAX;
}

sockaddr_in Endpoint(std::uint32_t address, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

// A message of one datagram with room for the packet-information control message: the way a
// datagram leaves (send) or came in (receive).
struct PacketInfoMessage {
    msghdr msg{};
    iovec io{};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};

    PacketInfoMessage(sockaddr_in& peer, void* data, std::size_t size) : io{data, size} {
        msg.msg_name = &peer;
        msg.msg_namelen = sizeof peer;
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
    }
    PacketInfoMessage(const PacketInfoMessage&) = delete;
    PacketInfoMessage& operator=(const PacketInfoMessage&) = delete;
};

}  // namespace

int PosixSocketLayer::Fail() {
    lastError_ = errno;
    return -1;
}

int PosixSocketLayer::Startup(std::uint16_t version) {
    if (version != SOCKET_VERSION_1_1 && version != SOCKET_VERSION_2_2) {
        return SOCKET_ERROR_VERSION_NOT_SUPPORTED;
    }
    ++started_;
    return 0;
}

int PosixSocketLayer::Cleanup() {
    if (started_ == 0) {
        lastError_ = SOCKET_ERROR_NOT_INITIALISED;
        return -1;
    }
    --started_;
    return 0;
}

SocketHandle PosixSocketLayer::Open(SocketType type) {
    if (started_ == 0) {
        lastError_ = SOCKET_ERROR_NOT_INITIALISED;
        return INVALID_SOCKET_HANDLE;
    }
    const int fd = type == SocketType::Datagram
                       ? ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP)
                       : ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        Fail();
        return INVALID_SOCKET_HANDLE;
    }
    if (type == SocketType::Datagram) {
        // A discovery answered by many boxes at once arrives as one burst; the default buffer
        // (about 200 replies) would drop the rest. The kernel caps the request at rmem_max, and a
        // refusal only leaves the default, so the result is not checked.
        int size = RECEIVE_BUFFER_BYTES;
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        // The interface and local address of every datagram that arrives, for ReceiveWithPath.
        // Without it a receive only lacks that information, so a refusal is not judged either.
        int on = 1;
        ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    }
    return fd;
}

int PosixSocketLayer::SetNonBlocking(SocketHandle socket) {
    if (!ValidFd(socket)) {
        return -1;
    }
    int on = 1;
    return ::ioctl(Fd(socket), FIONBIO, &on) == 0 ? 0 : Fail();
}

int PosixSocketLayer::EnableBroadcast(SocketHandle socket) {
    if (!ValidFd(socket)) {
        return -1;
    }
    int on = 1;
    return ::setsockopt(Fd(socket), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 ? 0 : Fail();
}

int PosixSocketLayer::Bind(SocketHandle socket, std::uint16_t port) {
    if (!ValidFd(socket)) {
        return -1;
    }
    const sockaddr_in sa = Endpoint(INADDR_ANY, port);
    return ::bind(Fd(socket), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0 ? 0 : Fail();
}

int PosixSocketLayer::Listen(SocketHandle socket, int backlog) {
    if (!ValidFd(socket)) {
        return -1;
    }
    return ::listen(Fd(socket), backlog) == 0 ? 0 : Fail();
}

int PosixSocketLayer::SendTo(SocketHandle socket, std::span<const std::uint8_t> datagram,
                             std::uint32_t address, std::uint16_t port) {
    if (!ValidFd(socket)) {
        return -1;
    }
    const sockaddr_in sa = Endpoint(address, port);
    const ssize_t n = ::sendto(Fd(socket), datagram.data(), datagram.size(), 0,
                               reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    return n < 0 ? Fail() : static_cast<int>(n);
}

int PosixSocketLayer::SendVia(SocketHandle socket, std::span<const std::uint8_t> datagram,
                              const DatagramPath& path, std::uint32_t address, std::uint16_t port) {
    if (!ValidFd(socket)) {
        return -1;
    }
    sockaddr_in sa = Endpoint(address, port);
    PacketInfoMessage m(sa, const_cast<std::uint8_t*>(datagram.data()), datagram.size());
    msghdr& msg = m.msg;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = static_cast<int>(path.interfaceIndex);
    info.ipi_spec_dst.s_addr = htonl(path.localAddress);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    const ssize_t n = ::sendmsg(Fd(socket), &msg, 0);
    if (n >= 0) {
        return static_cast<int>(n);
    }
    Fail();
    if (errno == ENODEV || errno == ENXIO || errno == ENETDOWN || errno == ENETUNREACH) {
        lastError_ = SOCKET_ERROR_NETWORK_DOWN;
    }
    return -1;
}

int PosixSocketLayer::ReceiveFrom(SocketHandle socket, std::span<std::uint8_t> buffer) {
    ReceivedFrom unused;  // received, never examined
    return ReceiveWithPath(socket, buffer, unused);
}

int PosixSocketLayer::ReceiveWithPath(SocketHandle socket, std::span<std::uint8_t> buffer,
                                      ReceivedFrom& from) {
    from = ReceivedFrom{};
    if (!ValidFd(socket)) {
        return -1;
    }
    sockaddr_in sender{};
    PacketInfoMessage m(sender, buffer.data(), buffer.size());
    msghdr& msg = m.msg;
    // Never blocks, whatever became of the non-blocking switch.
    const ssize_t n = ::recvmsg(Fd(socket), &msg, MSG_DONTWAIT);
    if (n < 0) {
        return Fail();
    }
    if ((msg.msg_flags & MSG_TRUNC) != 0) {
        // Longer than the buffer: the rest is lost, so the datagram is dropped whole.
        lastError_ = EMSGSIZE;
        return -1;
    }
    if (msg.msg_namelen >= sizeof sender && sender.sin_family == AF_INET) {
        from.senderAddress = ntohl(sender.sin_addr.s_addr);
        from.senderPort = ntohs(sender.sin_port);
    }
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO &&
            c->cmsg_len >= CMSG_LEN(sizeof(in_pktinfo))) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            from.path.interfaceIndex = static_cast<std::uint32_t>(info.ipi_ifindex);
            from.path.localAddress = ntohl(info.ipi_spec_dst.s_addr);
        }
    }
    return static_cast<int>(n);
}

bool PosixSocketLayer::WaitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
    if (!ValidFd(socket)) {
        return false;
    }
    pollfd p{Fd(socket), POLLIN, 0};
    const auto ms =
        timeout.count() < 0 ? 0 : (timeout.count() > INT_MAX ? INT_MAX : timeout.count());
    const int rc = ::poll(&p, 1, static_cast<int>(ms));
    // An error condition also wakes the caller: the receive that follows clears it.
    return rc > 0 && p.revents != 0;
}

std::intptr_t PosixSocketLayer::NotifierHandle(SocketHandle socket) {
    return ValidFd(socket) ? socket : -1;
}

int PosixSocketLayer::Close(SocketHandle socket) {
    if (!ValidFd(socket)) {
        return -1;
    }
    return ::close(Fd(socket)) == 0 ? 0 : Fail();
}

}  // namespace halvo::platform
