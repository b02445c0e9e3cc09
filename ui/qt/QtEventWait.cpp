// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt/QtEventWait.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>

namespace halvo::ui::qt {

namespace {

constexpr QEventLoop::ProcessEventsFlags NO_INPUT = QEventLoop::ExcludeUserInputEvents;

int Milliseconds(std::chrono::milliseconds duration) {
    const auto ms = duration.count();
    return ms < 0 ? 0 : (ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms));
}

}  // namespace

bool QtEventWait::RunLoop(std::intptr_t handle, std::chrono::milliseconds timeout,
                          std::chrono::milliseconds tickAfter, const std::function<void()>& tick,
                          const std::function<bool()>& /*ready*/) {
    // The descriptor's notifier also tells of a datagram that came before it was made.
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

void QtEventWait::RunPending() {
    QCoreApplication::processEvents(NO_INPUT);
}

void QtEventWait::ShowWaitCursor() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void QtEventWait::HideWaitCursor() {
    QGuiApplication::restoreOverrideCursor();
}

}  // namespace halvo::ui::qt
