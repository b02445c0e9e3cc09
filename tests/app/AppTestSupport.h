// A fake LAN on virtual time, recording message boxes and shell, scripted drive letters, a fixed
// time zone and the built-in resources, wired into an AppContext.
#pragma once

#include <gtest/gtest.h>

#include "app/AppContext.h"
#include "platform/drives/FakeNetworkDrives.h"
#include "platform/fake/FakeNetwork.h"
#include "ui/testing/Recording.h"
#include "wizard/DeviceDateTime.h"

namespace halvo::app::testing {

inline const ui::ResourceStore& BuiltInResources() {
    static const ui::ResourceStore store = [] {
        ui::ResourceStore s;
        QString error;
        EXPECT_TRUE(s.LoadBuiltIn(&error)) << error.toStdString();
        return s;
    }();
    return store;
}

inline protocol::MacAddress Mac(std::uint8_t last) {
    return {0x00, 0x11, 0x22, 0x33, 0x44, last};
}

struct FakeWorld {
    platform::FakeNetwork net;
    ui::testing::RecordingMessageBoxes boxes;
    ui::testing::RecordingShell shell;
    platform::FakeNetworkDrives drives;
    const wizard::UtcTimeZone zone;
    AppContext context{net, net, boxes, shell, BuiltInResources(), drives, zone};
};

}  // namespace halvo::app::testing
