// SPDX-License-Identifier: GPL-3.0-or-later
// A plan for `halvoctl apply`: the boxes to set up, by MAC address, and the settings of each.
// JSON; every value is checked when the plan is read, before anything is sent. Passwords have no
// place in a plan.
//
//   {"admin": "root",
//    "boxes": [{"macAddress": "00:1a:2b:3c:4d:01",
//               "system": {"description": "Lab", "timezoneIndex": 20, "passwordRequired": false,
//                          "date": "2024-05-01", "time": "12:00:00"},
//               "network": {"ipMode": "static", "ipAddress": "10.77.0.11", ...}}]}
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/SettingsChanges.h"
#include "protocol/Protocol.h"

namespace halvo::cli {

struct PlanBox {
    protocol::MacAddress macAddress{};
    std::optional<std::string> admin;  // the plan's "admin" unless the box gives its own
    std::optional<SystemChanges> system;
    std::optional<NetworkChanges> network;
};

struct Plan {
    std::vector<PlanBox> boxes;
};

// The plan, or nullopt with `problem` naming what is wrong and where ("boxes[2].system.date").
std::optional<Plan> ReadPlan(std::string_view text, std::string& problem);

}  // namespace halvo::cli
