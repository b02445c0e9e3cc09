// SPDX-License-Identifier: GPL-3.0-or-later
// The Winsock twin of tests/platform/LoopbackPeer.h: a plain UDP socket on 127.0.0.1 that plays
// a device for the Win32 socket layer's tests. Nothing leaves loopback.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <vector>

namespace halvo::testing {

inline constexpr std::uint32_t LOOPBACK = 0x7F000001;  // 127.0.0.1, host order

class WinsockLoopbackPeer {
  public:
    WinsockLoopbackPeer() {
        WSADATA data{};
        started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
        s_ = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(LOOPBACK);
        int len = sizeof sa;
        ok_ = started_ && s_ != INVALID_SOCKET &&
              ::bind(s_, reinterpret_cast<sockaddr*>(&sa), len) == 0 &&
              ::getsockname(s_, reinterpret_cast<sockaddr*>(&sa), &len) == 0;
        port_ = ntohs(sa.sin_port);
    }
    ~WinsockLoopbackPeer() {
        if (s_ != INVALID_SOCKET) {
            ::closesocket(s_);
        }
        if (started_) {
            ::WSACleanup();
        }
    }
    WinsockLoopbackPeer(const WinsockLoopbackPeer&) = delete;
    WinsockLoopbackPeer& operator=(const WinsockLoopbackPeer&) = delete;

    bool ok() const { return ok_; }
    std::uint16_t port() const { return port_; }
    // The address and port the last request came from, host order.
    std::uint32_t fromAddress() const { return ntohl(from_.sin_addr.s_addr); }
    std::uint16_t fromPort() const { return ntohs(from_.sin_port); }

    // Takes the layer's request and remembers where it came from.
    bool TakeRequest() {
        char buffer[64];
        int len = sizeof from_;
        return ::recvfrom(s_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from_),
                          &len) >= 0;
    }
    // Answers `size` bytes of 0x5A to the port the request came from.
    bool Answer(std::size_t size) const {
        const std::vector<char> bytes(size, 0x5A);
        return ::sendto(s_, bytes.data(), static_cast<int>(bytes.size()), 0,
                        reinterpret_cast<const sockaddr*>(&from_),
                        sizeof from_) == static_cast<int>(size);
    }

  private:
    bool started_ = false;
    SOCKET s_ = INVALID_SOCKET;
    bool ok_ = false;
    std::uint16_t port_ = 0;
    sockaddr_in from_{};
};

}  // namespace halvo::testing
