// SPDX-License-Identifier: GPL-3.0-or-later
// The windows while an exchange waits, as the program runs them: paint requests and timers are
// served inside the wait, keyboard and mouse input is held back until the handler has returned
// (and is then handled as usual), and the cursor is busy during the wait and restored after it,
// for a detail-query step, the administrator check and a settings write alike.
#include <gtest/gtest.h>

#include <qpa/qwindowsysteminterface.h>
#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "AppTestSupport.h"
#include "app/AboutDialog.h"
#include "app/MainDialog.h"
#include "protocol/Messages.h"
#include "ui/live/BusyCursor.h"
#include "ui/live/LiveMessageBoxes.h"
#include "ui/live/LiveSocketLayer.h"
#include "ui/qt/QtBackend.h"
#include "ui/testing/GuiTest.h"
#include "wizard/VerifyDialog.h"
#include "wizard/WizardDialog.h"

namespace halvo::app {
namespace {

using namespace std::chrono_literals;
using testing::FakeWorld;
using ui::testing::WhenActive;
using Async = QWindowSystemInterface::AsynchronousDelivery;

const protocol::MacAddress kBoxMac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

bool CursorBusy() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

// Notes whether the cursor was busy when each box came up.
class CursorAtBoxes final : public platform::MessageBoxes {
  public:
    explicit CursorAtBoxes(platform::MessageBoxes& inner) : inner_(inner) {}
    void ShowWarning(std::string_view text) override {
        busyAtBox.push_back(CursorBusy());
        inner_.ShowWarning(text);
    }
    void ShowInformation(platform::WindowHandle owner, std::string_view caption,
                         std::string_view text) override {
        busyAtBox.push_back(CursorBusy());
        inner_.ShowInformation(owner, caption, text);
    }
    std::vector<bool> busyAtBox;

  private:
    platform::MessageBoxes& inner_;
};

// The fake LAN behind the live waiting the program uses.
struct LiveWorld {
    FakeWorld fake;
    ui::BusyCursor busy{fake.net, fake.ui.eventWait()};
    ui::LiveSocketLayer sockets{fake.net, busy};
    CursorAtBoxes cursorAtBoxes{fake.boxes};
    ui::LiveMessageBoxes messages{cursorAtBoxes, busy};
    AppContext context{sockets, fake.net,    messages,  fake.shell,        fake.context.resources,
                       fake.ui, fake.drives, fake.zone, fake.context.codec};
};

// Counts its paints and notes whether one came inside a wait.
class PaintProbe final : public QWidget {
  public:
    PaintProbe(QWidget* parent, const ui::EventWait& wait) : QWidget(parent), wait_(wait) {}
    int paintedInWait = 0;

  protected:
    void paintEvent(QPaintEvent*) override {
        if (wait_.InsideWait()) {
            ++paintedInWait;
        }
    }

  private:
    const ui::EventWait& wait_;
};

// Input as the window system delivers it: queued, not sent straight to the widget.
void PostClick(QWidget* target) {
    QWidget* top = target->window();
    const QPointF local = target->mapTo(top, target->rect().center());
    const QPointF global = target->mapToGlobal(target->rect().center());
    QWindowSystemInterface::handleMouseEvent<Async>(top->windowHandle(), local, global,
                                                    Qt::LeftButton, Qt::LeftButton,
                                                    QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<Async>(top->windowHandle(), local, global,
                                                    Qt::NoButton, Qt::LeftButton,
                                                    QEvent::MouseButtonRelease);
}

void PostKey(QWidget* top, int key, const QString& text) {
    QWindowSystemInterface::handleKeyEvent<Async>(top->windowHandle(), QEvent::KeyPress, key,
                                                  Qt::NoModifier, text);
    QWindowSystemInterface::handleKeyEvent<Async>(top->windowHandle(), QEvent::KeyRelease, key,
                                                  Qt::NoModifier, text);
}

// What was seen from inside the wait: a timer posted before the exchange, and one it posted.
struct SeenInWait {
    bool timerRan = false;
    bool layerInUse = false;
    bool cursorBusy = false;
};

// Posts a timer before the exchange; it runs inside the wait and does `during` (posting input);
// a second one looks at the cursor at every turn of the wait.
std::shared_ptr<SeenInWait> WatchTheWait(LiveWorld& world, std::function<void()> during) {
    auto seen = std::make_shared<SeenInWait>();
    const protocol::testing::FakeNetwork& net = world.fake.net;
    const ui::EventWait& wait = world.fake.ui.eventWait();
    QTimer::singleShot(0, qApp, [seen, &net, &wait, during] {
        seen->timerRan = wait.InsideWait();
        seen->layerInUse = net.LayerUses() > 0;
        during();
        auto* look = new QTimer(qApp);
        QObject::connect(look, &QTimer::timeout, look, [seen, look, &wait] {
            seen->cursorBusy = seen->cursorBusy || CursorBusy();
            if (!wait.InsideWait()) {
                look->deleteLater();
                look->stop();
            }
        });
        look->start(0);
    });
    return seen;
}

protocol::testing::DeviceProfile Box(bool asksForPassword) {
    protocol::testing::DeviceProfile p;
    p.name = "NAS-Box";
    p.system.passwordRequired = asksForPassword ? 1 : 0;
    p.system.description.Assign("Office store");
    p.system.date.Assign("20060305");
    p.system.time.Assign("140709");
    p.shares = {"disk1"};
    return p;
}

void Show(MainDialog& main) {
    ui::qt::WindowOf(main)->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(ui::qt::WindowOf(main)));
    QTest::qWait(20);
}

// Selects the first entry as a click does; the detail query runs inside.
void Select(MainDialog& main) {
    auto* list = main.ControlAs<ui::qt::QtListBox>(IDC_DEVICE_LIST);
    ASSERT_GT(list->GetCount(), 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
}

TEST(LiveWait, ASilentQueryStepKeepsPaintsAndTimersGoingAndHoldsAClickUntilItHasEnded) {
    LiveWorld world;
    world.fake.net.AddDevice(kBoxMac).Serve(Box(false)).Silent(protocol::CMD_GET_SYSTEM_INFO);
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    PaintProbe probe(ui::qt::WindowOf(main), world.fake.ui.eventWait());
    probe.setGeometry(0, 0, 8, 8);
    Show(main);

    bool aboutOpenedInsideAnExchange = true;
    auto aboutShown = WhenActive<AboutDialog>([&](AboutDialog* about) {
        aboutOpenedInsideAnExchange =
            world.fake.net.LayerUses() > 0 || world.fake.ui.eventWait().InsideWait();
        ui::qt::WindowOf(*about)->done(1);
    });
    probe.update();
    auto seen = WatchTheWait(world, [&] { PostClick(ui::qt::Widget(main, IDC_ABOUT)); });
    Select(main);

    // The step timed out and the list was rebuilt; the click on About has not been acted on.
    EXPECT_TRUE(seen->timerRan);
    EXPECT_TRUE(seen->layerInUse);
    EXPECT_TRUE(seen->cursorBusy);
    EXPECT_GT(probe.paintedInWait, 0);
    EXPECT_FALSE(*aboutShown);
    EXPECT_EQ(world.fake.boxes.Texts(), std::vector<std::string>{"Time out:get system info!"});
    EXPECT_EQ(world.cursorAtBoxes.busyAtBox, std::vector<bool>{false});  // OK with a plain cursor
    EXPECT_FALSE(CursorBusy());

    // Once the handler is done, the held click opens the About box, as a click does.
    for (int i = 0; i < 100 && !*aboutShown; ++i) {
        QTest::qWait(10);
    }
    EXPECT_TRUE(*aboutShown);
    EXPECT_FALSE(aboutOpenedInsideAnExchange);
    EXPECT_EQ(world.sockets.refusedStartups(), 0);
    ui::qt::WindowOf(main)->hide();
}

TEST(LiveWait, AnEnterKeyDuringTheWaitClosesTheWindowOnlyAfterTheStep) {
    LiveWorld world;
    world.fake.net.AddDevice(kBoxMac).Serve(Box(false)).Silent(protocol::CMD_GET_SHARE_COUNT);
    MainDialog main(world.context);
    std::shared_ptr<SeenInWait> seen;
    bool visibleAfterTheStep = false;
    auto acted = WhenActive<MainDialog>([&](MainDialog* window) {
        seen =
            WatchTheWait(world, [&] { PostKey(ui::qt::WindowOf(*window), Qt::Key_Return, "\r"); });
        Select(*window);
        visibleAfterTheStep = ui::qt::WindowOf(*window)->isVisible();
    });
    // Enter with the focus on the device list ends the window's run with OK, after the step.
    EXPECT_EQ(main.RunModal(), ui::IDOK);

    ASSERT_TRUE(*acted);
    EXPECT_TRUE(seen->timerRan);
    EXPECT_TRUE(seen->cursorBusy);
    EXPECT_TRUE(visibleAfterTheStep);
    EXPECT_EQ(world.fake.boxes.Texts(), std::vector<std::string>{"Time out:get share number!"});
    EXPECT_FALSE(CursorBusy());
}

TEST(LiveWait, TheAdministratorCheckWaitsLiveAndAHeldCancelComesAfterIt) {
    LiveWorld world;
    world.fake.net.AddDevice(kBoxMac).Serve(Box(true)).Silent(protocol::CMD_VERIFY_ADMIN);
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    Show(main);
    Select(main);
    ASSERT_TRUE(ui::qt::Widget(main, IDC_SETUP_WIZARD)->isEnabled());
    ASSERT_FALSE(CursorBusy());

    std::shared_ptr<SeenInWait> seen;
    bool openAfterTheCheck = false;
    bool okEnabledAfterTheCheck = false;
    QPointer<QWidget> dialog;  // its window
    auto verified = WhenActive<wizard::VerifyDialog>([&](wizard::VerifyDialog* verify) {
        dialog = ui::qt::WindowOf(*verify);
        verify->ControlAs<ui::qt::QtEdit>(wizard::VERIFY_NAME_EDIT)->setText("admin");
        verify->ControlAs<ui::qt::QtEdit>(wizard::VERIFY_PASSWORD_EDIT)->setText("admin");
        seen =
            WatchTheWait(world, [&] { PostClick(verify->ControlAs<QPushButton>(ui::IDCANCEL)); });
        verify->ControlAs<QPushButton>(wizard::VERIFY_OK_BUTTON)->click();
        openAfterTheCheck = ui::qt::WindowOf(*verify)->isVisible();
        okEnabledAfterTheCheck = ui::qt::Widget(*verify, wizard::VERIFY_OK_BUTTON)->isEnabled();
    });
    QTest::mouseClick(ui::qt::Widget(main, IDC_SETUP_WIZARD), Qt::LeftButton);

    ASSERT_TRUE(*verified);
    EXPECT_TRUE(seen->timerRan);
    EXPECT_TRUE(seen->layerInUse);
    EXPECT_TRUE(seen->cursorBusy);
    EXPECT_TRUE(openAfterTheCheck);  // the Cancel clicked during the check waited
    EXPECT_TRUE(okEnabledAfterTheCheck);
    EXPECT_EQ(world.fake.boxes.Texts(),
              std::vector<std::string>{"Time out:Verify name & password!"});
    EXPECT_EQ(world.cursorAtBoxes.busyAtBox, std::vector<bool>{false});
    // Then the held Cancel closed the check: no wizard, no new discovery.
    const auto commands = world.fake.net.SentCommands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), protocol::CMD_DISCOVER), 1);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_FALSE(CursorBusy());
    EXPECT_EQ(world.sockets.refusedStartups(), 0);
    ui::qt::WindowOf(main)->hide();
}

TEST(LiveWait, ASettingsWriteWaitsLiveAndAHeldCancelComesOnTheNextPage) {
    LiveWorld world;
    world.fake.net.AddDevice(kBoxMac).Serve(Box(false)).Silent(protocol::CMD_SET_SYSTEM_INFO);
    MainDialog main(world.context);
    ASSERT_TRUE(main.Create());
    Show(main);
    Select(main);
    ASSERT_TRUE(ui::qt::Widget(main, IDC_SETUP_WIZARD)->isEnabled());

    std::shared_ptr<SeenInWait> seen;
    int pageAfterTheWrite = -1;
    bool openAfterTheWrite = false;
    QPointer<QWidget> wizardFrame;  // its window
    auto ran = WhenActive<wizard::WizardDialog>([&](wizard::WizardDialog* frame) {
        wizardFrame = ui::qt::WindowOf(*frame);
        seen = WatchTheWait(world, [&] { PostClick(frame->ControlAs<QPushButton>(ui::IDCANCEL)); });
        frame->ControlAs<QPushButton>(wizard::WizardDialog::NEXT_BUTTON)->click();
        pageAfterTheWrite = frame->CurrentPage();
        openAfterTheWrite = ui::qt::WindowOf(*frame)->isVisible();
    });
    QTest::mouseClick(ui::qt::Widget(main, IDC_SETUP_WIZARD), Qt::LeftButton);

    ASSERT_TRUE(*ran);
    EXPECT_TRUE(seen->timerRan);
    EXPECT_TRUE(seen->cursorBusy);
    // The write timed out and the wizard moved on; only then did Cancel end it, which rebuilds
    // the list with a new discovery.
    EXPECT_EQ(pageAfterTheWrite, 1);
    EXPECT_TRUE(openAfterTheWrite);
    EXPECT_EQ(world.fake.boxes.Texts(), std::vector<std::string>{"Time out:Set system info!"});
    const auto commands = world.fake.net.SentCommands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), protocol::CMD_SET_SYSTEM_INFO), 1);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), protocol::CMD_DISCOVER), 2);
    EXPECT_TRUE(wizardFrame.isNull());
    EXPECT_FALSE(CursorBusy());
    EXPECT_EQ(world.sockets.refusedStartups(), 0);
    ui::qt::WindowOf(main)->hide();
}

}  // namespace
}  // namespace halvo::app
