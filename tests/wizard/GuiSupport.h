// Running a modal dialog in a test: the steps run from inside the dialog's own event loop, and a
// dialog still open after them is cancelled so that the run returns.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>

#include "ui/Dialog.h"
#include "ui/ResourceStore.h"

namespace halvo::wizard::testing {

inline int RunModalWith(ui::Dialog& dialog, const std::function<void()>& steps) {
    bool ran = false;
    QTimer::singleShot(0, &dialog, [&] {
        ran = true;
        steps();
        if (dialog.isVisible()) {
            dialog.reject();
        }
    });
    const int result = dialog.RunModal();
    EXPECT_TRUE(ran) << "the dialog's run ended before the steps ran";
    return result;
}

// Presses a key on the control that has the focus, as the keyboard would.
inline void PressOnFocus(Qt::Key key) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, key);
}

inline const ui::ResourceStore& Resources() {
    static const ui::ResourceStore store = [] {
        ui::ResourceStore s;
        QString error;
        if (!s.LoadBuiltIn(&error)) {
            ADD_FAILURE() << error.toStdString();
        }
        return s;
    }();
    return store;
}

}  // namespace halvo::wizard::testing
