// SPDX-License-Identifier: GPL-3.0-or-later
// The POSIX socket layer with real sockets, on loopback only: the layer's socket sends to a peer
// socket bound to 127.0.0.1, and the peer answers to the port the system gave the layer's socket,
// as a device answers.
#include "platform/posix/PosixSocketLayer.h"

#include "tests/platform/LoopbackPeer.h"

#include <gtest/gtest.h>
#include <net/if.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace halvo::platform {
namespace {

using namespace std::chrono_literals;

using halvo::testing::LOOPBACK;
using Peer = halvo::testing::LoopbackPeer;

class PosixSocketLayerTest : public ::testing::Test {
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
    PosixSocketLayer layer;
    SocketHandle socket = INVALID_SOCKET_HANDLE;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(1024);
};

TEST_F(PosixSocketLayerTest, AReceiveTellsTheSenderAndTheInterfaceItCameInOn) {
    ASSERT_TRUE(peer.Answer(40));
    ASSERT_TRUE(layer.WaitReadable(socket, 5000ms));
    ReceivedFrom from;
    ASSERT_EQ(layer.ReceiveWithPath(socket, buffer, from), 40);
    EXPECT_EQ(from.senderAddress, LOOPBACK);
    EXPECT_EQ(from.senderPort, peer.port());
    EXPECT_EQ(from.path.interfaceIndex, ::if_nametoindex("lo"));
    EXPECT_EQ(from.path.localAddress, LOOPBACK);
    // Nothing waiting: -1, and nothing left over from the last datagram.
    EXPECT_EQ(layer.ReceiveWithPath(socket, buffer, from), -1);
    EXPECT_EQ(from.senderAddress, 0u);
    EXPECT_EQ(from.path.interfaceIndex, 0u);
}

TEST_F(PosixSocketLayerTest, ASendThroughOneInterfaceLeavesByItOrFailsWhenItIsNotThere) {
    const std::uint8_t request[12] = {};
    const DatagramPath lo{::if_nametoindex("lo"), LOOPBACK};
    ASSERT_NE(lo.interfaceIndex, 0u);
    ASSERT_EQ(layer.SendVia(socket, request, lo, LOOPBACK, peer.port()), 12);
    EXPECT_TRUE(peer.TakeRequest());
    // An index no interface has (the kernel counts up from 1, never this far).
    const DatagramPath gone{0x7FFFFFF0u, 0};
    EXPECT_EQ(layer.SendVia(socket, request, gone, LOOPBACK, peer.port()), -1);
    EXPECT_EQ(layer.LastError(), SOCKET_ERROR_NETWORK_DOWN);
}

TEST_F(PosixSocketLayerTest, ADatagramOverTheBufferIsDroppedWholeAndReadsAsAnEmptyPoll) {
    ASSERT_TRUE(peer.Answer(1025));
    ASSERT_TRUE(peer.Answer(1024));
    ASSERT_TRUE(layer.WaitReadable(socket, 5000ms));
    EXPECT_EQ(layer.ReceiveFrom(socket, buffer), -1);
    EXPECT_EQ(layer.LastError(), EMSGSIZE);
    // The datagram that fits comes next, whole; nothing of the dropped one is left.
    ASSERT_TRUE(layer.WaitReadable(socket, 5000ms));
    EXPECT_EQ(layer.ReceiveFrom(socket, buffer), 1024);
    EXPECT_EQ(buffer[1023], 0x5A);
    EXPECT_EQ(layer.ReceiveFrom(socket, buffer), -1);
}

TEST_F(PosixSocketLayerTest, AnEmptySocketNeverBlocksAndTheWaitRunsOutOrWakesOnADatagram) {
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

TEST(PosixSocketLayer, StartUpsAndCleanUpsAreCountedAndOnlyTwoVersionsStart) {
    PosixSocketLayer layer;
    EXPECT_EQ(layer.Open(SocketType::Datagram), INVALID_SOCKET_HANDLE);  // not started
    EXPECT_EQ(layer.LastError(), SOCKET_ERROR_NOT_INITIALISED);
    EXPECT_EQ(layer.Startup(0x0303), SOCKET_ERROR_VERSION_NOT_SUPPORTED);
    EXPECT_EQ(layer.startedCount(), 0);

    EXPECT_EQ(layer.Startup(SOCKET_VERSION_1_1), 0);
    EXPECT_EQ(layer.Startup(SOCKET_VERSION_2_2), 0);
    EXPECT_EQ(layer.startedCount(), 2);
    const SocketHandle stream = layer.Open(SocketType::Stream);
    ASSERT_NE(stream, INVALID_SOCKET_HANDLE);
    EXPECT_EQ(layer.Close(stream), 0);
    EXPECT_EQ(layer.Cleanup(), 0);
    EXPECT_EQ(layer.Cleanup(), 0);
    // One clean-up more than start-ups fails, with the error the window shows.
    EXPECT_EQ(layer.Cleanup(), -1);
    EXPECT_EQ(layer.LastError(), SOCKET_ERROR_NOT_INITIALISED);
    EXPECT_EQ(layer.startedCount(), 0);
}

TEST(PosixSocketLayer, CallsOnAHandleThatIsNoSocketFailWithoutTouchingAnything) {
    PosixSocketLayer layer;
    std::vector<std::uint8_t> buffer(16);
    EXPECT_EQ(layer.SetNonBlocking(INVALID_SOCKET_HANDLE), -1);
    EXPECT_EQ(layer.EnableBroadcast(INVALID_SOCKET_HANDLE), -1);
    EXPECT_EQ(layer.ReceiveFrom(INVALID_SOCKET_HANDLE, buffer), -1);
    EXPECT_FALSE(layer.WaitReadable(INVALID_SOCKET_HANDLE, 0ms));
    EXPECT_EQ(layer.Close(INVALID_SOCKET_HANDLE), -1);
}

}  // namespace
}  // namespace halvo::platform
