// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers for headless GUI tests: answering modal windows that a click is about to open, and
// printing Qt strings in test failures.
//
// Arm the answer before the action that opens the window: the action blocks in the window's
// own event loop, and the armed timer acts from inside that loop.
#pragma once

#include <QApplication>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "ui/qt/QtBackend.h"
#include "ui/qt/QtControls.h"

namespace halvo::ui::testing {

// The Qt backend the dialogs of a GUI test program are shown with.
inline qt::QtBackend& QtUi() {
    static qt::QtBackend backend;
    return backend;
}

// `widget` as a T: the widget itself, or the dialog whose window it is.
template <class T>
T* AsTarget(QWidget* widget) {
    if (T* target = dynamic_cast<T*>(widget)) {
        return target;
    }
    if (auto* window = dynamic_cast<qt::QtWindow*>(widget)) {
        return dynamic_cast<T*>(&window->Events());
    }
    return nullptr;
}

// Polls every 10 ms for a popup menu or a modal window of type T that is the active window, and
// runs `action` on it once; gives up after `timeoutMs`, or when `owner` (the application by
// default) is destroyed. Returns a flag that turns true once the action has run.
template <class T>
std::shared_ptr<bool> WhenActive(std::function<void(T*)> action, int timeoutMs = 2000,
                                 QObject* owner = qApp) {
    auto done = std::make_shared<bool>(false);
    auto* timer = new QTimer(owner);
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action, done, waited, timeoutMs] {
        QWidget* widget = QApplication::activePopupWidget();
        if (widget == nullptr) {
            widget = QApplication::activeModalWidget();
            // Wait until it has the keyboard too, so that keys reach its focused control.
            if (widget != nullptr && QApplication::activeWindow() != widget) {
                widget = nullptr;
            }
        }
        if (T* target = AsTarget<T>(widget)) {
            timer->stop();
            timer->deleteLater();
            *done = true;
            action(target);
            return;
        }
        *waited += 10;
        if (*waited >= timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
    return done;
}

}  // namespace halvo::ui::testing

namespace halvo::ui {
// Pixel rectangles of the dialog layer against Qt's.
inline bool operator==(const Rect& a, const QRect& b) {
    return QRect(a.x, a.y, a.width, a.height) == b;
}
inline bool operator==(const QRect& a, const Rect& b) {
    return b == a;
}
inline bool operator==(const Size& a, const QSize& b) {
    return QSize(a.width, a.height) == b;
}
}  // namespace halvo::ui

// UTF-8 texts of the dialog layer against Qt's (found through the QString argument).
inline bool operator==(const std::string& a, const QString& b) {
    return QString::fromStdString(a) == b;
}
inline bool operator==(const QString& a, const std::string& b) {
    return b == a;
}

QT_BEGIN_NAMESPACE
inline void PrintTo(const QRect& r, std::ostream* out) {
    *out << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}
inline void PrintTo(const QSize& s, std::ostream* out) {
    *out << "QSize(" << s.width() << ", " << s.height() << ")";
}
inline void PrintTo(const QPoint& p, std::ostream* out) {
    *out << "QPoint(" << p.x() << ", " << p.y() << ")";
}
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE
