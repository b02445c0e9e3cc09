// SPDX-License-Identifier: GPL-3.0-or-later
// The live waiting on real sockets, on loopback only: a reply ends the wait the moment it arrives,
// timers run meanwhile, input posted meanwhile is held until the wait is over, and the busy cursor
// comes after a moment of waiting and goes with the exchange.
#include "ui/live/LiveSocketLayer.h"

#include <gtest/gtest.h>

#include <qpa/qwindowsysteminterface.h>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <chrono>

#include "platform/SystemClock.h"
#include "platform/posix/PosixSocketLayer.h"
#include "tests/platform/LoopbackPeer.h"
#include "ui/live/LiveClock.h"
#include "ui/qt/QtEventWait.h"

namespace halvo::ui {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

using halvo::testing::LOOPBACK;

bool CursorBusy() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

// Counts the keys that reach it.
class KeyCounter final : public QWidget {
  public:
    int keys = 0;

  protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
};

void PostKey(QWidget* window) {
    using Async = QWindowSystemInterface::AsynchronousDelivery;
    QWindowSystemInterface::handleKeyEvent<Async>(window->windowHandle(), QEvent::KeyPress,
                                                  Qt::Key_A, Qt::NoModifier, "a");
    QWindowSystemInterface::handleKeyEvent<Async>(window->windowHandle(), QEvent::KeyRelease,
                                                  Qt::Key_A, Qt::NoModifier, "a");
}

using Peer = halvo::testing::LoopbackPeer;

class LiveSocketLayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(peer.ok());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        ASSERT_EQ(live.Startup(platform::SOCKET_VERSION_2_2), 0);
        socket = live.Open(platform::SocketType::Datagram);
        ASSERT_NE(socket, platform::INVALID_SOCKET_HANDLE);
        const std::uint8_t request[12] = {};
        ASSERT_EQ(live.SendTo(socket, request, LOOPBACK, peer.port()), 12);
        ASSERT_TRUE(peer.TakeRequest());
    }
    void TearDown() override {
        live.Close(socket);
        live.Cleanup();
        EXPECT_FALSE(CursorBusy());  // the exchange is over
    }

    Peer peer;
    KeyCounter window;
    platform::PosixSocketLayer posix;
    platform::SystemClock clock;
    qt::QtEventWait wait;
    BusyCursor busy{clock, wait};
    LiveSocketLayer live{posix, busy};
    platform::SocketHandle socket = platform::INVALID_SOCKET_HANDLE;
};

TEST_F(LiveSocketLayerTest, AReplyEndsTheWaitAtOnceWhileTimersRanAndInputWasHeld) {
    bool timerInWait = false;
    bool busyInWait = false;
    int keysInWait = -1;
    QTimer::singleShot(20, qApp, [&] {
        timerInWait = wait.InsideWait();
        PostKey(&window);
    });
    QTimer::singleShot(250, qApp, [&] {
        busyInWait = CursorBusy();
        keysInWait = window.keys;
        peer.Answer(20);
    });
    const auto start = Steady::now();
    EXPECT_TRUE(live.WaitReadable(socket, 20000ms));
    const auto waited = Steady::now() - start;
    EXPECT_GE(waited, 240ms);
    EXPECT_LT(waited, 10000ms);  // woken by the reply, not by the time-out
    std::uint8_t reply[1024];
    EXPECT_EQ(live.ReceiveFrom(socket, reply), 20);

    EXPECT_TRUE(timerInWait);
    EXPECT_TRUE(busyInWait);  // 250 ms into the exchange
    EXPECT_EQ(keysInWait, 0);
    EXPECT_EQ(window.keys, 0);  // still held: the handler has not returned yet
    QTest::qWait(50);
    EXPECT_EQ(window.keys, 1);
}

TEST_F(LiveSocketLayerTest, AShortWaitRunsOutWithoutTheBusyCursorAndNoExchangeMayStartInIt) {
    int refusedInWait = 0;
    QTimer::singleShot(10, qApp, [&] {
        // A handler that tried to start a second exchange in the middle of this one.
        refusedInWait = live.Startup(platform::SOCKET_VERSION_2_2);
    });
    EXPECT_FALSE(live.WaitReadable(socket, 60ms));
    EXPECT_EQ(refusedInWait, SOCKET_ERROR_IN_PROGRESS);
    EXPECT_EQ(live.refusedStartups(), 1);
    EXPECT_FALSE(CursorBusy());  // not 100 ms into the exchange yet
    EXPECT_FALSE(wait.InsideWait());
}

TEST(LiveClock, ASleepLastsItsLengthAndRunsTimersButHoldsInput) {
    KeyCounter window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    platform::SystemClock system;
    qt::QtEventWait wait;
    LiveClock clock(system, wait);
    bool timerInSleep = false;
    QTimer::singleShot(10, qApp, [&] {
        timerInSleep = wait.InsideWait();
        PostKey(&window);
    });
    const auto start = system.Now();
    clock.Sleep(80ms);
    EXPECT_GE(system.Now() - start, 80ms);
    EXPECT_TRUE(timerInSleep);
    EXPECT_EQ(window.keys, 0);
    QTest::qWait(50);
    EXPECT_EQ(window.keys, 1);
}

}  // namespace
}  // namespace halvo::ui
