// SPDX-License-Identifier: GPL-3.0-or-later
// A plain UDP socket on 127.0.0.1 that plays a device for tests of the real socket layer: it
// takes the layer's request and answers to the port the request came from, as a device does.
// Nothing leaves loopback.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace halvo::testing {

inline constexpr std::uint32_t LOOPBACK = 0x7F000001;  // 127.0.0.1, host order

class LoopbackPeer {
  public:
    LoopbackPeer() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(LOOPBACK);
        socklen_t len = sizeof sa;
        ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), len) == 0 &&
              ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) == 0;
        port_ = ntohs(sa.sin_port);
    }
    ~LoopbackPeer() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    bool ok() const { return ok_; }
    std::uint16_t port() const { return port_; }

    // Takes the layer's request and remembers where it came from.
    bool TakeRequest() {
        std::uint8_t buffer[64];
        socklen_t len = sizeof from_;
        return ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from_),
                          &len) >= 0;
    }
    // Answers `size` bytes of 0x5A to the port the request came from.
    bool Answer(std::size_t size) const {
        const std::vector<std::uint8_t> bytes(size, 0x5A);
        return ::sendto(fd_, bytes.data(), bytes.size(), 0,
                        reinterpret_cast<const sockaddr*>(&from_),
                        sizeof from_) == static_cast<ssize_t>(size);
    }

  private:
    int fd_ = -1;
    bool ok_ = false;
    std::uint16_t port_ = 0;
    sockaddr_in from_{};
};

}  // namespace halvo::testing
