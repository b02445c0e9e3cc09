// SPDX-License-Identifier: GPL-3.0-or-later
// What every socket layer (platform/SocketLayer.h) does, with real sockets on loopback only: the
// layer's socket sends to a peer socket bound to 127.0.0.1, and the peer answers to the port the
// system gave the layer's socket, as a device answers. Each system's test instantiates the cases
// with its traits:
//   Layer, Peer                the layer and a loopback peer (LoopbackPeer.h and its twin);
//   LoopbackIndex()            the loopback interface's index as the system numbers it;
//   ERRORS                     the numbers LastError and Startup give (SocketErrors).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/SocketLayer.h"

namespace halvo::platform::testing {

inline constexpr std::uint32_t LOOPBACK_ADDRESS = 0x7F000001;  // 127.0.0.1, host order

// The system's error numbers for what the cases provoke.
struct SocketErrors {
    int wouldBlock;      // a receive with nothing waiting
    int messageTooLong;  // a datagram longer than the buffer
    int notASocket;      // a socket closed already
    int notStarted;      // a call before start-up, a clean-up too many
    int versionRefused;  // a version neither 1.1 nor 2.2
};

// A started layer with one non-blocking broadcast socket whose first request the peer has taken.
template <typename Traits>
class SocketLayerFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(peer.ok());
        ASSERT_EQ(layer.Startup(SOCKET_VERSION_2_2), 0);
        socket = layer.Open(SocketType::Datagram);
        ASSERT_NE(socket, INVALID_SOCKET_HANDLE);
        ASSERT_EQ(layer.SetNonBlocking(socket), 0);
        ASSERT_EQ(layer.EnableBroadcast(socket), 0);
        const std::uint8_t request[12] = {};
        ASSERT_EQ(layer.SendTo(socket, request, LOOPBACK_ADDRESS, peer.port()), 12);
        ASSERT_TRUE(peer.TakeRequest());
    }
    void TearDown() override {
        if (socket != INVALID_SOCKET_HANDLE) {
            EXPECT_EQ(layer.Close(socket), 0);
        }
        EXPECT_EQ(layer.Cleanup(), 0);
        EXPECT_EQ(layer.startedCount(), 0);
    }

    typename Traits::Peer peer;
    typename Traits::Layer layer;
    SocketHandle socket = INVALID_SOCKET_HANDLE;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(1024);
};

template <typename Traits>
class SocketLayerContract : public SocketLayerFixture<Traits> {};
TYPED_TEST_SUITE_P(SocketLayerContract);

using namespace std::chrono_literals;

TYPED_TEST_P(SocketLayerContract, AReceiveTellsTheSenderAndTheInterfaceItCameInOn) {
    auto& sockets = this->layer;
    const std::uint32_t lo = TypeParam::LoopbackIndex();
    ASSERT_NE(lo, 0u);
    ASSERT_TRUE(this->peer.Answer(40));
    ASSERT_TRUE(sockets.WaitReadable(this->socket, 5000ms));
    ReceivedFrom from;
    ASSERT_EQ(sockets.ReceiveWithPath(this->socket, this->buffer, from), 40);
    EXPECT_EQ(from.senderAddress, LOOPBACK_ADDRESS);
    EXPECT_EQ(from.senderPort, this->peer.port());
    EXPECT_EQ(from.path.interfaceIndex, lo);
    EXPECT_EQ(from.path.localAddress, LOOPBACK_ADDRESS);
    EXPECT_EQ(this->buffer[39], 0x5A);
    // Nothing waiting: -1, and nothing left over from the last datagram.
    EXPECT_EQ(sockets.ReceiveWithPath(this->socket, this->buffer, from), -1);
    EXPECT_EQ(sockets.LastError(), TypeParam::ERRORS.wouldBlock);
    EXPECT_EQ(from.senderAddress, 0u);
    EXPECT_EQ(from.path.interfaceIndex, 0u);
}

TYPED_TEST_P(SocketLayerContract, ASendThroughOneInterfaceLeavesByItOrFailsWhenItIsNotThere) {
    auto& sockets = this->layer;
    const std::uint8_t request[12] = {};
    const DatagramPath lo{TypeParam::LoopbackIndex(), LOOPBACK_ADDRESS};
    ASSERT_NE(lo.interfaceIndex, 0u);
    ASSERT_EQ(sockets.SendVia(this->socket, request, lo, LOOPBACK_ADDRESS, this->peer.port()), 12);
    EXPECT_TRUE(this->peer.TakeRequest());
    // An index no interface has (the systems count up from 1, never this far).
    const DatagramPath gone{0x7FFFFFF0u, 0};
    EXPECT_EQ(sockets.SendVia(this->socket, request, gone, LOOPBACK_ADDRESS, this->peer.port()),
              -1);
    EXPECT_EQ(sockets.LastError(), SOCKET_ERROR_NETWORK_DOWN);
}

TYPED_TEST_P(SocketLayerContract, ADatagramOverTheBufferIsDroppedWholeAndReadsAsAnEmptyPoll) {
    auto& sockets = this->layer;
    ASSERT_TRUE(this->peer.Answer(1025));
    ASSERT_TRUE(this->peer.Answer(1024));
    ASSERT_TRUE(sockets.WaitReadable(this->socket, 5000ms));
    EXPECT_EQ(sockets.ReceiveFrom(this->socket, this->buffer), -1);
    EXPECT_EQ(sockets.LastError(), TypeParam::ERRORS.messageTooLong);
    // The datagram that fits comes next, whole; nothing of the dropped one is left.
    ASSERT_TRUE(sockets.WaitReadable(this->socket, 5000ms));
    EXPECT_EQ(sockets.ReceiveFrom(this->socket, this->buffer), 1024);
    EXPECT_EQ(this->buffer[1023], 0x5A);
    EXPECT_EQ(sockets.ReceiveFrom(this->socket, this->buffer), -1);
}

TYPED_TEST_P(SocketLayerContract, AnEmptySocketNeverBlocksAndTheWaitRunsOutOrWakesOnADatagram) {
    auto& sockets = this->layer;
    EXPECT_EQ(sockets.ReceiveFrom(this->socket, this->buffer), -1);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(sockets.WaitReadable(this->socket, 30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - before, 25ms);

    // An answer arriving while the wait runs ends it long before its time.
    std::thread answer([this] {
        std::this_thread::sleep_for(50ms);
        EXPECT_TRUE(this->peer.Answer(50));
    });
    const auto waitStart = std::chrono::steady_clock::now();
    const bool readable = sockets.WaitReadable(this->socket, 20000ms);
    const auto waited = std::chrono::steady_clock::now() - waitStart;
    answer.join();
    EXPECT_TRUE(readable);
    EXPECT_LT(waited, 10000ms);
    EXPECT_EQ(sockets.ReceiveFrom(this->socket, this->buffer), 50);
}

TYPED_TEST_P(SocketLayerContract, StartUpsAndCleanUpsAreCountedAndOnlyTwoVersionsStart) {
    typename TypeParam::Layer fresh;
    EXPECT_EQ(fresh.Open(SocketType::Datagram), INVALID_SOCKET_HANDLE);  // not started
    EXPECT_EQ(fresh.LastError(), TypeParam::ERRORS.notStarted);
    EXPECT_EQ(fresh.Startup(0x0303), TypeParam::ERRORS.versionRefused);
    EXPECT_EQ(fresh.startedCount(), 0);

    EXPECT_EQ(fresh.Startup(SOCKET_VERSION_1_1), 0);
    EXPECT_EQ(fresh.Startup(SOCKET_VERSION_2_2), 0);
    EXPECT_EQ(fresh.startedCount(), 2);
    const SocketHandle stream = fresh.Open(SocketType::Stream);
    ASSERT_NE(stream, INVALID_SOCKET_HANDLE);
    EXPECT_EQ(fresh.Close(stream), 0);
    EXPECT_EQ(fresh.Cleanup(), 0);
    EXPECT_EQ(fresh.Cleanup(), 0);
    // One clean-up more than start-ups fails, with the number Windows gives it.
    EXPECT_EQ(fresh.Cleanup(), -1);
    EXPECT_EQ(fresh.LastError(), TypeParam::ERRORS.notStarted);
    EXPECT_EQ(fresh.startedCount(), 0);
}

TYPED_TEST_P(SocketLayerContract, CallsOnAHandleThatIsNoSocketFailWithoutTouchingAnything) {
    typename TypeParam::Layer fresh;
    ASSERT_EQ(fresh.Startup(SOCKET_VERSION_2_2), 0);
    std::vector<std::uint8_t> small(16);
    EXPECT_EQ(fresh.SetNonBlocking(INVALID_SOCKET_HANDLE), -1);
    EXPECT_EQ(fresh.EnableBroadcast(INVALID_SOCKET_HANDLE), -1);
    EXPECT_EQ(fresh.ReceiveFrom(INVALID_SOCKET_HANDLE, small), -1);
    EXPECT_FALSE(fresh.WaitReadable(INVALID_SOCKET_HANDLE, 0ms));
    EXPECT_EQ(fresh.Close(INVALID_SOCKET_HANDLE), -1);
    // A socket closed already is no socket either: the system's error number comes through.
    const SocketHandle s = fresh.Open(SocketType::Datagram);
    ASSERT_NE(s, INVALID_SOCKET_HANDLE);
    ASSERT_EQ(fresh.Close(s), 0);
    EXPECT_EQ(fresh.Close(s), -1);
    EXPECT_EQ(fresh.LastError(), TypeParam::ERRORS.notASocket);
    EXPECT_EQ(fresh.Cleanup(), 0);
}

REGISTER_TYPED_TEST_SUITE_P(SocketLayerContract, AReceiveTellsTheSenderAndTheInterfaceItCameInOn,
                            ASendThroughOneInterfaceLeavesByItOrFailsWhenItIsNotThere,
                            ADatagramOverTheBufferIsDroppedWholeAndReadsAsAnEmptyPoll,
                            AnEmptySocketNeverBlocksAndTheWaitRunsOutOrWakesOnADatagram,
                            StartUpsAndCleanUpsAreCountedAndOnlyTwoVersionsStart,
                            CallsOnAHandleThatIsNoSocketFailWithoutTouchingAnything);

}  // namespace halvo::platform::testing
