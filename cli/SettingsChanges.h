// SPDX-License-Identifier: GPL-3.0-or-later
// The changes of set-system, set-network and a plan's boxes: checked before anything is sent,
// then applied over the box's current values (as the wizard's pages are filled from the record)
// and written with one set request each.
#pragma once

#include <optional>
#include <string>

#include "cli/CliContext.h"
#include "cli/ExitStatus.h"
#include "cli/Values.h"
#include "protocol/Protocol.h"

namespace halvo::cli {

struct SystemChanges {
    std::optional<std::string> description;
    std::optional<DateValue> date;
    std::optional<TimeValue> time;
    std::optional<int> timezone;
    std::optional<bool> askPassword;  // the password flag sent
    // The date and time from the workstation's clock, read just before the set request.
    bool clockFromHost = false;

    bool Any() const {
        return description || date || time || timezone || askPassword || clockFromHost;
    }
};

enum class IpMode { Static, Dhcp };

struct NetworkChanges {
    std::optional<IpMode> mode;
    std::optional<std::string> ipAddress;
    std::optional<std::string> subnetMask;
    std::optional<std::string> gateway;
    std::optional<std::string> primaryDns;
    std::optional<std::string> secondaryDns;

    bool Any() const {
        return mode || ipAddress || subnetMask || gateway || primaryDns || secondaryDns;
    }
};

// An empty problem when the values may be sent; otherwise what is wrong with them.
std::string CheckSystemChanges(const SystemChanges& changes);
// Each address given must be a dotted quad, or empty to clear it.
std::string CheckNetworkChanges(const NetworkChanges& changes);

// Reads nothing from the box: `record` holds what the detail query found. The description
// check and the date conversion are the wizard's.
ExitStatus WriteSystemSettings(const CliContext& context, const protocol::DeviceRecord& record,
                               const SystemChanges& changes);
ExitStatus WriteNetworkSettings(const CliContext& context, const protocol::DeviceRecord& record,
                                const NetworkChanges& changes);

}  // namespace halvo::cli
