// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs on the in-memory backend: a fake LAN on virtual time, recording message boxes and
// shell, scripted drive letters, a fixed time zone and the built-in resources.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "app/AppContext.h"
#include "platform/SystemTimeZone.h"
#include "platform/testing/FakeNetworkDrives.h"
#include "platform/testing/RecordingMessageBoxes.h"
#include "platform/testing/RecordingShell.h"
#include "protocol/Messages.h"
#include "protocol/testing/FakeNetwork.h"
#include "tests/platform/TestCodec.h"
#include "ui/testing/BuiltInResources.h"
#include "ui/testing/MemoryBackend.h"

namespace halvo::dialogs::testing {

using ui::testing::BuiltInResources;

inline constexpr protocol::MacAddress kBoxMac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

// A box that answers every request, asks for the administrator when told to, has three shares
// and one USB volume.
inline protocol::testing::DeviceProfile BoxProfile(bool asksForPassword = false) {
    protocol::testing::DeviceProfile p;
    p.name = "NAS-Box";
    p.ipAddress = "192.168.1.20";
    p.firmwareVersion = "1203";
    p.system.description.Assign("Office store");
    p.system.passwordRequired = asksForPassword ? 1 : 0;
    p.network.ipMode = 0;
    p.shares = {"disk1", "disk2", "backup"};
    protocol::VolumeEntry volume;
    volume.shareName.Assign("disk1");
    volume.deviceId.Assign("sda1");
    volume.fsType.Assign("ext4");
    volume.totalSizeMb = 512;
    volume.freePercent = 37;
    p.volumes = {volume};
    return p;
}

struct DialogWorld {
    protocol::testing::FakeNetwork net;
    platform::testing::RecordingMessageBoxes boxes;
    platform::testing::RecordingShell shell;
    platform::testing::FakeNetworkDrives drives;
    const platform::UtcTimeZone zone{};
    ui::testing::MemoryBackend ui;
    app::AppContext context{net,
                            net,
                            boxes,
                            shell,
                            BuiltInResources(),
                            ui,
                            drives,
                            zone,
                            platform::testing::TestCodec()};

    int Sent(std::uint16_t command) const {
        const auto commands = net.SentCommands();
        return static_cast<int>(std::count(commands.begin(), commands.end(), command));
    }
};

}  // namespace halvo::dialogs::testing
