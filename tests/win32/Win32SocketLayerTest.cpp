// SPDX-License-Identifier: GPL-3.0-or-later
// The Winsock socket layer on the socket layers' contract, with real sockets on loopback only;
// and what only it has: the socket of its own it binds for each adapter a send goes through.
#include "platform/win32/Win32SocketLayer.h"

#include "tests/platform/SocketLayerContract.h"
#include "tests/win32/WinsockLoopbackPeer.h"

#include <gtest/gtest.h>
#include <iphlpapi.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/win32/Win32NetworkInterfaces.h"

namespace halvo::platform::testing {
namespace {

using halvo::testing::LOOPBACK;

struct Win32Sockets {
    using Layer = Win32SocketLayer;
    using Peer = halvo::testing::WinsockLoopbackPeer;
    // The loopback interface's index as the interface list gives it.
    static std::uint32_t LoopbackIndex() {
        Win32NetworkInterfaces interfaces;
        const auto list = interfaces.List();
        if (list) {
            for (const auto& i : *list) {
                if (i.loopback && i.address == LOOPBACK) {
                    return i.index;
                }
            }
        }
        return 0;
    }
    static constexpr SocketErrors ERRORS{WSAEWOULDBLOCK, WSAEMSGSIZE, WSAENOTSOCK,
                                         WSANOTINITIALISED, WSAVERNOTSUPPORTED};
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32SocketLayer, SocketLayerContract, Win32Sockets);

using Win32SocketLayerTest = SocketLayerFixture<Win32Sockets>;

TEST_F(Win32SocketLayerTest, ASendThroughOneAdapterLeavesByASocketBoundToItsAddress) {
    const std::uint8_t request[12] = {};
    const std::uint16_t unboundPort = peer.fromPort();
    const DatagramPath lo{Win32Sockets::LoopbackIndex(), LOOPBACK};
    ASSERT_NE(lo.interfaceIndex, 0u);
    ASSERT_EQ(layer.SendVia(socket, request, lo, LOOPBACK, peer.port()), 12);
    ASSERT_TRUE(peer.TakeRequest());
    // From the adapter's own address, by a socket of its own: Windows sends a limited broadcast
    // out of the adapter such a socket is bound to, and out of one adapter only otherwise.
    EXPECT_EQ(peer.fromAddress(), LOOPBACK);
    const std::uint16_t adapterPort = peer.fromPort();
    EXPECT_NE(adapterPort, unboundPort);
    EXPECT_EQ(layer.BoundAddresses(socket), std::vector<std::uint32_t>{LOOPBACK});

    // The answer to that socket is heard through the set, with the way it came in, and the
    // set's event tells of it.
    ASSERT_TRUE(peer.Answer(30));
    const auto event = reinterpret_cast<HANDLE>(layer.NotifierHandle(socket));
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(::WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    ASSERT_TRUE(layer.WaitReadable(socket, std::chrono::milliseconds(5000)));
    ReceivedFrom from;
    ASSERT_EQ(layer.ReceiveWithPath(socket, buffer, from), 30);
    EXPECT_EQ(from.path.localAddress, LOOPBACK);

    // The same adapter again: the same socket, none more.
    ASSERT_EQ(layer.SendVia(socket, request, lo, LOOPBACK, peer.port()), 12);
    ASSERT_TRUE(peer.TakeRequest());
    EXPECT_EQ(peer.fromPort(), adapterPort);
    EXPECT_EQ(layer.BoundAddresses(socket).size(), 1u);
    // A plain send afterwards is the unbound socket's, the routing table's choice.
    ASSERT_EQ(layer.SendTo(socket, request, LOOPBACK, peer.port()), 12);
    ASSERT_TRUE(peer.TakeRequest());
    EXPECT_EQ(peer.fromPort(), unboundPort);

    // No index, and one beyond the 24 bits an index has: refused unsent, "network is down", and
    // no socket is made for them. (An address no adapter holds cannot be bound on Windows; wine
    // binds it all the same, so that case is not shown here.)
    for (const std::uint32_t index : {0u, 0x7FFFFFF0u}) {
        EXPECT_EQ(
            layer.SendVia(socket, request, DatagramPath{index, LOOPBACK}, LOOPBACK, peer.port()),
            -1);
        EXPECT_EQ(layer.LastError(), SOCKET_ERROR_NETWORK_DOWN);
    }
    EXPECT_EQ(layer.BoundAddresses(socket).size(), 1u);
    // Without a local address the unbound socket is steered by IP_UNICAST_IF alone.
    ASSERT_EQ(
        layer.SendVia(socket, request, DatagramPath{lo.interfaceIndex, 0}, LOOPBACK, peer.port()),
        12);
    ASSERT_TRUE(peer.TakeRequest());
    EXPECT_EQ(peer.fromPort(), unboundPort);
}

}  // namespace
}  // namespace halvo::platform::testing
