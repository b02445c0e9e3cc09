// SPDX-License-Identifier: GPL-3.0-or-later
// "Add device by address…" from the window menu: a box behind a router joins the list and is
// asked again at every refresh; bad entries and a silent address get their messages and add
// nothing.
#include <gtest/gtest.h>

#include <QTest>

#include "AppTestSupport.h"
#include "app/AddDeviceDialog.h"
#include "app/MainDialog.h"
#include "protocol/DeviceRoutes.h"
#include "ui/qt/QtBackend.h"
#include "ui/testing/GuiTest.h"

namespace halvo::app {
namespace {

using namespace std::chrono_literals;
using testing::FakeWorld;
using testing::Mac;
using ui::testing::WhenActive;

std::uint32_t Ip(std::string_view text) {
    return protocol::ParseIPv4(text).value();
}

QStringList Entries(const MainDialog& main) {
    QStringList entries;
    auto* list = main.ControlAs<ui::qt::QtListBox>(IDC_DEVICE_LIST);
    for (int i = 0; i < list->GetCount(); ++i) {
        entries << QString::fromStdString(list->GetText(i));
    }
    return entries;
}

int SentTo(const protocol::testing::FakeNetwork& net, std::uint32_t address) {
    return static_cast<int>(std::count_if(net.sent().begin(), net.sent().end(),
                                          [&](const auto& s) { return s.address == address; }));
}

class AddDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto eth0 = world.net.AddInterface("eth0", "10.1.0.1");
        world.net.AddDevice(Mac(1)).AnswerDiscovery("Local", "10.1.0.11").OnSegment(eth0);
        world.net.AddDevice(Mac(2)).AnswerDiscovery("Routed", "10.3.0.11", 80, 30ms).Behind(eth0);
        world.context.interfaces = &world.net;
        main = std::make_unique<MainDialog>(world.context);
        ASSERT_TRUE(main->Create());
    }

    // Opens the dialog from the window menu and runs `fill` on it (which may end it); whatever
    // is still open afterwards is cancelled, so that the menu command returns.
    void AddByMenu(const std::function<void(AddDeviceDialog*)>& fill) {
        auto ran = WhenActive<AddDeviceDialog>([&](AddDeviceDialog* d) {
            fill(d);
            if (d->IsRunning() && ui::qt::WindowOf(*d)->isVisible()) {
                d->EndDialog(ui::IDCANCEL);
            }
        });
        main->SendSysCommand(IDM_ADD_DEVICE);
        ASSERT_TRUE(*ran) << "the dialog never came up";
    }
    static void Enter(AddDeviceDialog* d, const QString& address) {
        auto* control = d->ControlAs<ui::qt::QtIpAddressControl>(IDC_DEVICE_ADDRESS);
        control->SetAddress(address.toStdString());
        QTest::mouseClick(ui::qt::Widget(*d, ui::IDOK), Qt::LeftButton);
    }

    FakeWorld world;
    std::unique_ptr<MainDialog> main;
};

TEST_F(AddDeviceTest, TheMenuItemAddsWhatAnswersAndEveryRefreshAsksAgain) {
    const auto& items = main->MenuItems();
    EXPECT_TRUE(std::any_of(items.begin(), items.end(), [](const ui::MenuItem& i) {
        return i.id == IDM_ADD_DEVICE && i.text == "Add device by address\u2026";
    }));
    ASSERT_EQ(Entries(*main), QStringList({"Local"}));  // no broadcast reaches the router's side

    int result = 0;
    AddByMenu([&](AddDeviceDialog* d) {
        Enter(d, "10.3.0.11");
        result = ui::qt::WindowOf(*d)->isVisible()
                     ? 0
                     : 1;  // a dialog given its result is hidden at once
    });
    EXPECT_EQ(result, 1);  // ended by the answer
    EXPECT_EQ(Entries(*main), QStringList({"Local", "Routed"}));
    EXPECT_TRUE(world.boxes.boxes.empty());
    EXPECT_EQ(main->AddedAddresses(), std::vector<std::uint32_t>({Ip("10.3.0.11")}));
    ASSERT_EQ(main->Devices().size(), 2u);
    EXPECT_EQ(main->Devices()[1]->route.kind, protocol::DeviceRoute::Kind::Unicast);
    EXPECT_EQ(SentTo(world.net, Ip("10.3.0.11")), 1);

    // Added again: asked again, but kept once.
    AddByMenu([&](AddDeviceDialog* d) { Enter(d, "10.3.0.11"); });
    EXPECT_EQ(Entries(*main), QStringList({"Local", "Routed", "Routed"}));
    EXPECT_EQ(main->AddedAddresses().size(), 1u);

    main->RefreshList();
    EXPECT_EQ(Entries(*main), QStringList({"Local", "Routed"}));
    EXPECT_EQ(SentTo(world.net, Ip("10.3.0.11")), 3);
    EXPECT_TRUE(world.boxes.boxes.empty());
}

TEST_F(AddDeviceTest, AnythingButOneDevicesAddressGetsAMessageAndSendsNothing) {
    const std::size_t sentBefore = world.net.sent().size();
    std::vector<std::string> texts;
    AddByMenu([&](AddDeviceDialog* d) {
        auto* control = d->ControlAs<ui::qt::QtIpAddressControl>(IDC_DEVICE_ADDRESS);
        // Blank, half typed (a blank part reads as 0), and addresses no single box has.
        QTest::mouseClick(ui::qt::Widget(*d, ui::IDOK), Qt::LeftButton);
        control->Field(0)->setText("10");
        control->Field(1)->setText("3");
        control->Field(3)->setText("11");
        QTest::mouseClick(ui::qt::Widget(*d, ui::IDOK), Qt::LeftButton);
        for (const char* bad : {"0.0.0.0", "127.0.0.1", "224.0.0.1", "255.255.255.255"}) {
            Enter(d, bad);
        }
        EXPECT_TRUE(ui::qt::WindowOf(*d)->isVisible());  // still open for a correction
    });
    EXPECT_EQ(world.boxes.Texts(), std::vector<std::string>(6, std::string(MSG_NOT_AN_ADDRESS)));
    EXPECT_EQ(world.net.sent().size(), sentBefore);
    EXPECT_TRUE(main->AddedAddresses().empty());
    EXPECT_EQ(Entries(*main), QStringList({"Local"}));
}

TEST_F(AddDeviceTest, AnAddressWhereNothingAnswersSaysSoAndIsNotKept) {
    AddByMenu([&](AddDeviceDialog* d) {
        Enter(d, "10.9.9.9");
        EXPECT_TRUE(ui::qt::WindowOf(*d)->isVisible());
    });
    EXPECT_EQ(world.boxes.Texts(), std::vector<std::string>({"No device answered at 10.9.9.9."}));
    EXPECT_EQ(SentTo(world.net, Ip("10.9.9.9")), 1);
    EXPECT_TRUE(main->AddedAddresses().empty());
    EXPECT_EQ(Entries(*main), QStringList({"Local"}));
    main->RefreshList();
    EXPECT_EQ(SentTo(world.net, Ip("10.9.9.9")), 1);
}

}  // namespace
}  // namespace halvo::app
