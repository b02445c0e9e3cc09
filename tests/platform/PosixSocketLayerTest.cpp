// SPDX-License-Identifier: GPL-3.0-or-later
// The POSIX socket layer on the socket layers' contract, with real sockets on loopback only.
#include "platform/posix/PosixSocketLayer.h"

#include <gtest/gtest.h>
#include <net/if.h>

#include <cerrno>
#include <cstdint>

#include "tests/platform/LoopbackPeer.h"
#include "tests/platform/SocketLayerContract.h"

namespace halvo::platform::testing {
namespace {

struct PosixSockets {
    using Layer = PosixSocketLayer;
    using Peer = halvo::testing::LoopbackPeer;
    static std::uint32_t LoopbackIndex() { return ::if_nametoindex("lo"); }
    static constexpr SocketErrors ERRORS{EAGAIN, EMSGSIZE, EBADF, SOCKET_ERROR_NOT_INITIALISED,
                                         SOCKET_ERROR_VERSION_NOT_SUPPORTED};
};

INSTANTIATE_TYPED_TEST_SUITE_P(PosixSocketLayer, SocketLayerContract, PosixSockets);

}  // namespace
}  // namespace halvo::platform::testing
