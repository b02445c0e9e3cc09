// main() of the GUI test programs: headless platform, pinned font resolution, and a watchdog
// that fails a test whose modal window stays open longer than 3 seconds and closes the window,
// so that an unexpected box fails fast instead of hanging the run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <cstdlib>

namespace {

class ModalWatchdog : public QObject {
  public:
    explicit ModalWatchdog(QObject* parent) : QObject(parent) {
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
        if (since_.elapsed() < 3000) {
            return;
        }
        ADD_FAILURE() << "a modal window (" << open->metaObject()->className() << " \""
                      << open->windowTitle().toStdString()
                      << "\") stayed open for more than 3 s; it is closed now";
        watched_.clear();
        if (auto* dialog = qobject_cast<QDialog*>(open)) {
            dialog->done(QDialog::Rejected);
        } else {
            open->close();
        }
    }

    QTimer timer_;
    QPointer<QWidget> watched_;
    QElapsedTimer since_;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qputenv("QT_FONT_DPI", "96");
    qputenv("QT_SCALE_FACTOR", "1");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    new ModalWatchdog(&app);
    return RUN_ALL_TESTS();
}
