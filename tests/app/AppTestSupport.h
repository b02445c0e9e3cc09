// SPDX-License-Identifier: GPL-3.0-or-later
// A fake LAN on virtual time, recording message boxes and shell, scripted drive letters, a fixed
// time zone and the built-in resources, wired into an AppContext.
#pragma once

#include <gtest/gtest.h>

#include "app/AppContext.h"
#include "platform/SystemTimeZone.h"
#include "platform/testing/FakeNetworkDrives.h"
#include "platform/testing/RecordingMessageBoxes.h"
#include "platform/testing/RecordingShell.h"
#include "protocol/testing/FakeNetwork.h"
#include "tests/platform/TestCodec.h"
#include "ui/qt/QtBackend.h"
#include "ui/testing/BuiltInResources.h"

namespace halvo::app::testing {

using ui::testing::BuiltInResources;

inline protocol::MacAddress Mac(std::uint8_t last) {
    return {0x00, 0x11, 0x22, 0x33, 0x44, last};
}

struct FakeWorld {
    protocol::testing::FakeNetwork net;
    platform::testing::RecordingMessageBoxes boxes;
    platform::testing::RecordingShell shell;
    platform::testing::FakeNetworkDrives drives;
    const platform::UtcTimeZone zone;
    ui::qt::QtBackend ui;
    AppContext context{net,
                       net,
                       boxes,
                       shell,
                       BuiltInResources(),
                       ui,
                       drives,
                       zone,
                       platform::testing::TestCodec()};
};

}  // namespace halvo::app::testing
