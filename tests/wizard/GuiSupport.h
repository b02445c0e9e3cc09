// SPDX-License-Identifier: GPL-3.0-or-later
// Running a modal dialog in a test: the steps run from inside the dialog's own event loop, and a
// dialog still open after them is cancelled so that the run returns.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <functional>

#include "ui/Dialog.h"
#include "ui/ResourceStore.h"
#include "ui/qt/QtBackend.h"
#include "ui/testing/BuiltInResources.h"
#include "ui/testing/GuiTest.h"

namespace halvo::wizard::testing {

inline int RunModalWith(ui::Dialog& dialog, const std::function<void()>& steps) {
    bool ran = false;
    // The steps wait until the dialog is the active modal window and has been activated, so that
    // the keyboard focus is in it.
    QTimer poll;
    int waited = 0;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        QWidget* window = ui::qt::WindowOf(dialog);
        if (window == nullptr || QApplication::activeModalWidget() != window ||
            QApplication::activeWindow() != window) {
            waited += 10;
            if (waited > 2000) {
                poll.stop();
            }
            return;
        }
        poll.stop();
        ran = true;
        steps();
        if (ui::qt::WindowOf(dialog)->isVisible()) {
            ui::qt::WindowOf(dialog)->reject();
        }
    });
    poll.start(10);
    const int result = dialog.RunModal();
    EXPECT_TRUE(ran) << "the dialog never became the active modal window";
    return result;
}

// Presses a key on the control that has the focus, as the keyboard would.
inline void PressOnFocus(Qt::Key key) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, key);
}

// Types `text` into `widget` one character at a time, as a keyboard or an input method delivers
// characters that have no key of their own (QTest's key clicks know ASCII only).
inline void TypeCharacters(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

using ui::testing::BuiltInResources;
using ui::testing::QtUi;

}  // namespace halvo::wizard::testing
