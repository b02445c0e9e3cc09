// SPDX-License-Identifier: GPL-3.0-or-later
// The run of a GUI test program: headless platform, pinned font resolution (96 dpi, or
// HALVO_TEST_DPI), no scaling of Qt's own, and a watchdog that
// fails a test whose modal window stays open too long and closes the window, so that an
// unexpected box fails fast instead of hanging the run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <cstdlib>

#include "ui/testing/GuiTestRun.h"

namespace {

class ModalWatchdog : public QObject {
  public:
    ModalWatchdog(QObject* parent, int limitMs) : QObject(parent), limitMs_(limitMs) {
        connect(&timer_, &QTimer::timeout, this, &ModalWatchdog::Check);
        timer_.start(50);
    }

  private:
    void Check() {
        QWidget* open = QApplication::activePopupWidget();
        if (open == nullptr) {
            open = QApplication::activeModalWidget();
        }
        if (open == nullptr) {
            watched_.clear();
            return;
        }
        if (open != watched_) {
            watched_ = open;
            since_.start();
            return;
        }
        if (since_.elapsed() < limitMs_) {
            return;
        }
        ADD_FAILURE() << "a modal window (" << open->metaObject()->className() << " \""
                      << open->windowTitle().toStdString() << "\") stayed open for more than "
                      << limitMs_ << " ms; it is closed now";
        watched_.clear();
        if (auto* dialog = qobject_cast<QDialog*>(open)) {
            dialog->done(QDialog::Rejected);
        } else {
            open->close();
        }
    }

    const int limitMs_;
    QTimer timer_;
    QPointer<QWidget> watched_;
    QElapsedTimer since_;
};

}  // namespace

int halvo::ui::testing::RunGuiTests(int argc, char** argv, int modalLimitMs) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // 96 dpi unless the run asks for another (HALVO_TEST_DPI), as a desktop's font dpi gives it.
    const QByteArray dpi = qgetenv("HALVO_TEST_DPI");
    qputenv("QT_FONT_DPI", dpi.isEmpty() ? QByteArray("96") : dpi);
    qputenv("QT_SCALE_FACTOR", "1");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    new ModalWatchdog(&app, modalLimitMs);
    return RUN_ALL_TESTS();
}
