// SPDX-License-Identifier: GPL-3.0-or-later
// The live wait on Win32: the thread sleeps in MsgWaitForMultipleObjectsEx on the socket's event
// and on the messages that are not input (paint, posted and sent messages, timers), and runs
// only those; keyboard and mouse messages stay in the queue until the handler has returned.
#include <winsock2.h>
#include "ui/win32/Windows.h"

#include <algorithm>

#include "ui/live/EventWait.h"
#include "ui/win32/Win32Backend.h"

namespace halvo::ui {

namespace {

// What a wait runs: everything but input.
constexpr UINT kNoInput = PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
constexpr DWORD kWakeNoInput = QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_TIMER;

int depth = 0;
struct Depth {
    Depth() { ++depth; }
    ~Depth() { --depth; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;
};

bool waitCursor = false;

// The longest a wait sleeps without asking the socket.
constexpr ULONGLONG kSocketRoundMs = 10;

void RunPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | kNoInput)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the loop that owns the program.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

DWORD Milliseconds(std::chrono::milliseconds d) {
    return static_cast<DWORD>(std::clamp<long long>(d.count(), 0, 0x7FFFFFFE));
}

}  // namespace

bool WaitLive(std::intptr_t handle, std::chrono::milliseconds timeout,
              std::chrono::milliseconds tickAfter, const std::function<void()>& tick) {
    const Depth inside;
    const ULONGLONG start = ::GetTickCount64();
    const ULONGLONG end = start + Milliseconds(timeout);
    const bool ticking = tick && tickAfter.count() >= 0 && tickAfter < timeout;
    const ULONGLONG tickAt = start + Milliseconds(tickAfter);
    bool ticked = false;

    WSAEVENT event = WSA_INVALID_EVENT;
    const auto socket = static_cast<SOCKET>(handle);
    if (handle >= 0) {
        event = ::WSACreateEvent();
        if (event != WSA_INVALID_EVENT &&
            ::WSAEventSelect(socket, event, FD_READ) == SOCKET_ERROR) {
            ::WSACloseEvent(event);
            event = WSA_INVALID_EVENT;
        }
    }
    bool readable = false;
    for (;;) {
        RunPending();
        // The datagram may have come before the event was selected, and wine signals only what
        // arrives afterwards: the socket is asked itself on every round.
        if (handle >= 0) {
            WSAPOLLFD poll{socket, POLLRDNORM, 0};
            if (::WSAPoll(&poll, 1, 0) > 0 && poll.revents != 0) {
                readable = true;
                break;
            }
        }
        const ULONGLONG now = ::GetTickCount64();
        if (ticking && !ticked && now >= tickAt) {
            ticked = true;
            tick();
        }
        if (now >= end) {
            break;
        }
        ULONGLONG next = end;
        if (ticking && !ticked) {
            next = std::min(next, tickAt);
        }
        if (handle >= 0) {
            next = std::min(next, now + kSocketRoundMs);
        }
        const DWORD count = event != WSA_INVALID_EVENT ? 1 : 0;
        const DWORD rc = ::MsgWaitForMultipleObjectsEx(
            count, count != 0 ? &event : nullptr, static_cast<DWORD>(next - now), kWakeNoInput, 0);
        if (count != 0 && rc == WAIT_OBJECT_0) {
            readable = true;
            break;
        }
    }
    if (event != WSA_INVALID_EVENT) {
        // Back to a plain non-blocking socket, as the layer underneath expects it.
        ::WSAEventSelect(socket, nullptr, 0);
        ::WSACloseEvent(event);
        u_long nonBlocking = 1;
        ::ioctlsocket(socket, FIONBIO, &nonBlocking);
    }
    return readable;
}

void PumpPending() {
    const Depth inside;
    RunPending();
}

bool InsideWait() {
    return depth > 0;
}

void ShowWaitCursor() {
    waitCursor = true;
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

void HideWaitCursor() {
    waitCursor = false;
    // The cursor follows the window under it again at once, not only on the next move.
    POINT at{};
    ::GetCursorPos(&at);
    ::SetCursorPos(at.x, at.y);
}

namespace win32 {
bool WaitCursorShown() {
    return waitCursor;
}
}  // namespace win32

}  // namespace halvo::ui
