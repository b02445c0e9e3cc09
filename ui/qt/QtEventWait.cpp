// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/live/EventWait.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>

namespace halvo::ui {

namespace {

constexpr QEventLoop::ProcessEventsFlags NO_INPUT = QEventLoop::ExcludeUserInputEvents;

int depth = 0;

struct Depth {
    Depth() { ++depth; }
    ~Depth() { --depth; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;
};

int Milliseconds(std::chrono::milliseconds duration) {
    const auto ms = duration.count();
    return ms < 0 ? 0 : (ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms));
}

}  // namespace

bool WaitLive(std::intptr_t handle, std::chrono::milliseconds timeout,
              std::chrono::milliseconds tickAfter, const std::function<void()>& tick,
              const std::function<bool()>& /*ready*/) {
    // The descriptor's notifier also tells of a datagram that came before it was made.
    const Depth inside;
    QEventLoop loop;
    bool readable = false;
    QTimer end;
    end.setSingleShot(true);
    end.setTimerType(Qt::PreciseTimer);
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    end.start(Milliseconds(timeout));
    QTimer busy;
    if (tick && tickAfter.count() >= 0 && tickAfter < timeout) {
        busy.setSingleShot(true);
        QObject::connect(&busy, &QTimer::timeout, &loop, [&tick] { tick(); });
        busy.start(Milliseconds(tickAfter));
    }
    std::unique_ptr<QSocketNotifier> notifier;
    if (handle >= 0) {
        notifier =
            std::make_unique<QSocketNotifier>(static_cast<qintptr>(handle), QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, &loop, [&] {
            readable = true;
            // Until the receive that follows, the datagram keeps the handle readable.
            notifier->setEnabled(false);
            loop.quit();
        });
    }
    loop.exec(NO_INPUT);
    return readable;
}

void PumpPending() {
    const Depth inside;
    QCoreApplication::processEvents(NO_INPUT);
}

bool InsideWait() {
    return depth > 0;
}

void ShowWaitCursor() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void HideWaitCursor() {
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace halvo::ui
