// SPDX-License-Identifier: GPL-3.0-or-later
// The Winsock socket layer with real sockets, on loopback only: the layer's socket sends to a
// peer socket bound to 127.0.0.1, and the peer answers to the port Winsock gave the layer's
// socket, as a device answers.
#include "platform/win32/Win32SocketLayer.h"

#include "tests/win32/WinsockLoopbackPeer.h"

#include <gtest/gtest.h>
#include <iphlpapi.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/win32/Win32NetworkInterfaces.h"

namespace halvo::platform {
namespace {

using namespace std::chrono_literals;

using halvo::testing::LOOPBACK;
using Peer = halvo::testing::WinsockLoopbackPeer;

// The loopback interface's index as the interface list gives it.
std::uint32_t LoopbackIndex() {
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

class Win32SocketLayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(peer.ok());
        ASSERT_EQ(layer.Startup(SOCKET_VERSION_2_2), 0);
        socket = layer.Open(SocketType::Datagram);
        ASSERT_NE(socket, INVALID_SOCKET_HANDLE);
        ASSERT_EQ(layer.SetNonBlocking(socket), 0);
        ASSERT_EQ(layer.EnableBroadcast(socket), 0);
        const std::uint8_t request[12] = {};
        ASSERT_EQ(layer.SendTo(socket, request, LOOPBACK, peer.port()), 12);
        ASSERT_TRUE(peer.TakeRequest());
    }
    void TearDown() override {
        if (socket != INVALID_SOCKET_HANDLE) {
            EXPECT_EQ(layer.Close(socket), 0);
        }
        EXPECT_EQ(layer.Cleanup(), 0);
        EXPECT_EQ(layer.startedCount(), 0);
    }

    Peer peer;
    Win32SocketLayer layer;
    SocketHandle socket = INVALID_SOCKET_HANDLE;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(1024);
};

TEST_F(Win32SocketLayerTest, AReceiveTellsTheSenderAndTheInterfaceItCameInOn) {
    const std::uint32_t lo = LoopbackIndex();
    ASSERT_NE(lo, 0u);
    ASSERT_TRUE(peer.Answer(40));
    ASSERT_TRUE(layer.WaitReadable(socket, 5000ms));
    ReceivedFrom from;
    ASSERT_EQ(layer.ReceiveWithPath(socket, buffer, from), 40);
    EXPECT_EQ(from.senderAddress, LOOPBACK);
    EXPECT_EQ(from.senderPort, peer.port());
    EXPECT_EQ(from.path.interfaceIndex, lo);
    EXPECT_EQ(from.path.localAddress, LOOPBACK);
    EXPECT_EQ(buffer[39], 0x5A);
    // Nothing waiting: -1, and nothing left over from the last datagram.
    EXPECT_EQ(layer.ReceiveWithPath(socket, buffer, from), -1);
    EXPECT_EQ(layer.LastError(), WSAEWOULDBLOCK);
    EXPECT_EQ(from.senderAddress, 0u);
    EXPECT_EQ(from.path.interfaceIndex, 0u);
}

TEST_F(Win32SocketLayerTest, ASendThroughOneAdapterLeavesByASocketBoundToItsAddress) {
    const std::uint8_t request[12] = {};
    const std::uint16_t unboundPort = peer.fromPort();
    const DatagramPath lo{LoopbackIndex(), LOOPBACK};
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
    ASSERT_TRUE(layer.WaitReadable(socket, 5000ms));
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

TEST_F(Win32SocketLayerTest, ADatagramOverTheBufferIsDroppedWholeAndReadsAsAnEmptyPoll) {
    ASSERT_TRUE(peer.Answer(1025));
    ASSERT_TRUE(peer.Answer(1024));
    ASSERT_TRUE(layer.WaitReadable(socket, 5000ms));
    EXPECT_EQ(layer.ReceiveFrom(socket, buffer), -1);
    EXPECT_EQ(layer.LastError(), WSAEMSGSIZE);
    // The datagram that fits comes next, whole; nothing of the dropped one is left.
    ASSERT_TRUE(layer.WaitReadable(socket, 5000ms));
    EXPECT_EQ(layer.ReceiveFrom(socket, buffer), 1024);
    EXPECT_EQ(buffer[1023], 0x5A);
    EXPECT_EQ(layer.ReceiveFrom(socket, buffer), -1);
}

TEST_F(Win32SocketLayerTest, AnEmptySocketNeverBlocksAndTheWaitRunsOutOrWakesOnADatagram) {
    EXPECT_EQ(layer.ReceiveFrom(socket, buffer), -1);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(layer.WaitReadable(socket, 30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - before, 25ms);

    // An answer arriving while the wait runs ends it long before its time.
    std::thread answer([&] {
        std::this_thread::sleep_for(50ms);
        EXPECT_TRUE(peer.Answer(50));
    });
    const auto waitStart = std::chrono::steady_clock::now();
    const bool readable = layer.WaitReadable(socket, 20000ms);
    const auto waited = std::chrono::steady_clock::now() - waitStart;
    answer.join();
    EXPECT_TRUE(readable);
    EXPECT_LT(waited, 10000ms);
    EXPECT_EQ(layer.ReceiveFrom(socket, buffer), 50);
}

TEST(Win32SocketLayer, StartUpsAndCleanUpsAreCountedAndOnlyTwoVersionsStart) {
    Win32SocketLayer layer;
    EXPECT_EQ(layer.Open(SocketType::Datagram), INVALID_SOCKET_HANDLE);  // not started
    EXPECT_EQ(layer.LastError(), WSANOTINITIALISED);
    EXPECT_EQ(layer.Startup(0x0303), WSAVERNOTSUPPORTED);
    EXPECT_EQ(layer.startedCount(), 0);

    EXPECT_EQ(layer.Startup(SOCKET_VERSION_1_1), 0);
    EXPECT_EQ(layer.Startup(SOCKET_VERSION_2_2), 0);
    EXPECT_EQ(layer.startedCount(), 2);
    const SocketHandle stream = layer.Open(SocketType::Stream);
    ASSERT_NE(stream, INVALID_SOCKET_HANDLE);
    EXPECT_EQ(layer.Close(stream), 0);
    EXPECT_EQ(layer.Cleanup(), 0);
    EXPECT_EQ(layer.Cleanup(), 0);
    // One clean-up more than start-ups fails, with Winsock's own number.
    EXPECT_EQ(layer.Cleanup(), -1);
    EXPECT_EQ(layer.LastError(), WSANOTINITIALISED);
    EXPECT_EQ(layer.startedCount(), 0);
}

TEST(Win32SocketLayer, CallsOnAHandleThatIsNoSocketFailWithoutTouchingAnything) {
    Win32SocketLayer layer;
    ASSERT_EQ(layer.Startup(SOCKET_VERSION_2_2), 0);
    std::vector<std::uint8_t> buffer(16);
    EXPECT_EQ(layer.SetNonBlocking(INVALID_SOCKET_HANDLE), -1);
    EXPECT_EQ(layer.EnableBroadcast(INVALID_SOCKET_HANDLE), -1);
    EXPECT_EQ(layer.ReceiveFrom(INVALID_SOCKET_HANDLE, buffer), -1);
    EXPECT_FALSE(layer.WaitReadable(INVALID_SOCKET_HANDLE, 0ms));
    EXPECT_EQ(layer.Close(INVALID_SOCKET_HANDLE), -1);
    // A socket closed already is no socket either: Winsock's error number comes through.
    const SocketHandle s = layer.Open(SocketType::Datagram);
    ASSERT_NE(s, INVALID_SOCKET_HANDLE);
    ASSERT_EQ(layer.Close(s), 0);
    EXPECT_EQ(layer.Close(s), -1);
    EXPECT_EQ(layer.LastError(), WSAENOTSOCK);
    EXPECT_EQ(layer.Cleanup(), 0);
}

}  // namespace
}  // namespace halvo::platform
