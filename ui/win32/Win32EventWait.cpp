// SPDX-License-Identifier: GPL-3.0-or-later
// The live wait on Win32: the thread sleeps in MsgWaitForMultipleObjectsEx on the sockets' event
// (selected by the socket layer for the sockets' life) and on the messages that are not input
// (paint, posted and sent messages, timers), and runs only those; keyboard and mouse messages
// stay in the queue until the handler has returned.
#include <winsock2.h>
#include "ui/win32/Windows.h"

#include <algorithm>

#include "ui/win32/Win32EventWait.h"

namespace halvo::ui::win32 {

namespace {

// What a wait runs: everything but input.
constexpr UINT kNoInput = PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
constexpr DWORD kWakeNoInput = QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_TIMER;

// The longest a wait sleeps without asking the socket.
constexpr ULONGLONG kSocketRoundMs = 10;

void RunPendingMessages() {
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

bool Win32EventWait::RunLoop(std::intptr_t handle, std::chrono::milliseconds timeout,
                             std::chrono::milliseconds tickAfter, const std::function<void()>& tick,
                             const std::function<bool()>& ready) {
    const ULONGLONG start = ::GetTickCount64();
    const ULONGLONG end = start + Milliseconds(timeout);
    const bool ticking = tick && tickAfter.count() >= 0 && tickAfter < timeout;
    const ULONGLONG tickAt = start + Milliseconds(tickAfter);
    bool ticked = false;

    HANDLE event = handle >= 0 ? reinterpret_cast<HANDLE>(handle) : nullptr;
    if (event != nullptr) {
        // Manual reset: cleared before the sockets are asked, so what arrives after that sets
        // it again.
        ::ResetEvent(event);
    }
    bool readable = false;
    for (;;) {
        RunPendingMessages();
        // A datagram may have come before the event was cleared, and wine signals only what
        // arrives afterwards: the sockets are asked themselves on every round.
        if (ready && ready()) {
            readable = true;
            break;
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
        if (ready) {
            next = std::min(next, now + kSocketRoundMs);
        }
        const DWORD count = event != nullptr ? 1 : 0;
        const DWORD rc = ::MsgWaitForMultipleObjectsEx(
            count, count != 0 ? &event : nullptr, static_cast<DWORD>(next - now), kWakeNoInput, 0);
        if (count != 0 && rc == WAIT_OBJECT_0) {
            ::ResetEvent(event);
            if (!ready || ready()) {
                readable = true;
                break;
            }
        }
    }
    return readable;
}

void Win32EventWait::RunPending() {
    RunPendingMessages();
}

void Win32EventWait::ShowWaitCursor() {
    waitCursor_ = true;
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
}

void Win32EventWait::HideWaitCursor() {
    waitCursor_ = false;
    // The cursor follows the window under it again at once, not only on the next move.
    POINT at{};
    ::GetCursorPos(&at);
    ::SetCursorPos(at.x, at.y);
}

}  // namespace halvo::ui::win32
