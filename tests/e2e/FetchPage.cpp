// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/e2e/FetchPage.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace halvo::e2e {

std::string FetchPage(const std::string& address, std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        return {};
    }
    timeval timeout{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    std::string page;
    if (::inet_pton(AF_INET, address.c_str(), &to.sin_addr) == 1 &&
        ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        const std::string request = "GET / HTTP/1.0\r\nHost: " + address + "\r\n\r\n";
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
            char buffer[4096];
            ssize_t n = 0;
            while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) {
                page.append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    ::close(fd);
    return page;
}

}  // namespace halvo::e2e
