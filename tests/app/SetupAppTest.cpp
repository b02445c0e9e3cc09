// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the socket-layer check and its message, then the main window's modal run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "AppTestSupport.h"
#include "app/MainDialog.h"
#include "app/SetupApp.h"
#include "ui/qt/QtBackend.h"
#include "ui/testing/GuiTest.h"

namespace halvo::app {
namespace {

using testing::FakeWorld;
using testing::Mac;
using ui::testing::WhenActive;

const std::string kSocketInitFailed = "Windows socket initialization failed\xE3\x80\x82";

int TopLevelWidgets() {
    return static_cast<int>(QApplication::topLevelWidgets().size());
}

TEST(SetupApp, AnUnusableSocketLayerShowsString103AndCreatesNoWindow) {
    for (int how = 0; how < 2; ++how) {
        SCOPED_TRACE(how == 0 ? "start-up refused" : "no datagram socket");
        FakeWorld world;
        if (how == 0) {
            world.net.FailStartup(10092);
        } else {
            world.net.FailOpen(platform::SocketType::Datagram);
        }
        const int before = TopLevelWidgets();
        SetupApp app(world.context);
        EXPECT_EQ(app.Run(), 1);
        EXPECT_EQ(world.boxes.Texts(), std::vector<std::string>{kSocketInitFailed});
        EXPECT_FALSE(world.boxes.boxes[0].information);  // the standard box
        EXPECT_EQ(TopLevelWidgets(), before);
        EXPECT_TRUE(world.net.sent().empty());  // no discovery: the main window never started
        EXPECT_EQ(world.net.LayerUses(), 0);
        EXPECT_EQ(world.net.OpenSockets(), 0);
        ASSERT_FALSE(world.net.startupVersions().empty());
        EXPECT_EQ(world.net.startupVersions()[0], platform::SOCKET_VERSION_1_1);
    }
}

TEST(SetupApp, TheCheckReleasesWhatItOpened) {
    FakeWorld world;
    EXPECT_TRUE(SetupApp::SocketLayerUsable(world.net));
    EXPECT_EQ(world.net.LayerUses(), 0);
    EXPECT_EQ(world.net.OpenSockets(), 0);
    EXPECT_EQ(world.net.SocketsOpened(platform::SocketType::Datagram), 1);
    EXPECT_TRUE(world.net.sent().empty());
}

TEST(SetupApp, RunsTheMainWindowUntilItCloses) {
    FakeWorld world;
    world.net.AddDevice(Mac(1)).AnswerDiscovery("NAS-1", "192.168.1.20");
    SetupApp app(world.context);
    int devicesShown = -1;
    auto seen = WhenActive<MainDialog>([&devicesShown](MainDialog* main) {
        // Shown only after the first discovery has finished.
        devicesShown = main->ControlAs<ui::qt::QtListBox>(IDC_DEVICE_LIST)->GetCount();
        QTest::mouseClick(ui::qt::Widget(*main, IDC_QUIT), Qt::LeftButton);
    });
    EXPECT_EQ(app.Run(), 0);
    EXPECT_TRUE(*seen);
    EXPECT_EQ(devicesShown, 1);
    EXPECT_TRUE(world.boxes.boxes.empty());
    EXPECT_EQ(world.net.LayerUses(), 0);
    EXPECT_EQ(world.net.OpenSockets(), 0);
}

}  // namespace
}  // namespace halvo::app
