// SPDX-License-Identifier: GPL-3.0-or-later
// The steps every device command shares: one discovery, finding the box the user named, the
// detail query as the main window runs it on selection, and the administrator check.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliContext.h"
#include "cli/ExitStatus.h"
#include "protocol/DetailQuery.h"
#include "protocol/Protocol.h"

namespace halvo::cli {

using DeviceList = std::vector<std::unique_ptr<protocol::DeviceRecord>>;

// Every record of one discovery, in the order of the answers; `asked`, when given, gets what it
// asked. When no box answered at all, standard error says where it asked and the likely causes.
// NetworkFailure when it could not run (its message has been shown).
ExitStatus DiscoverDevices(const CliContext& context, DeviceList& devices,
                           protocol::DiscoveryResult* asked = nullptr);

// The box named by `device`: a MAC address, an IP address or a device name. Answers that repeat
// one MAC count as one box. Null, with a line on standard error and `status` set to Refused,
// when none or more than one box fits; when none does and `asked` is given, where it was asked.
protocol::DeviceRecord* FindDevice(const CliContext& context, const DeviceList& devices,
                                   std::string_view device, ExitStatus& status,
                                   const protocol::DiscoveryResult* asked = nullptr);

// What the main window would show after the detail query.
class CapturedDetails final : public protocol::DetailView {
  public:
    void ClearDetails() override;
    void ShowBasicInformation(std::string_view firmwareVersion, std::string_view description,
                              std::string_view macAddress, std::string_view ipAddress,
                              std::string_view ipStatus) override;
    void ShowVolumes(const std::vector<protocol::VolumeRow>& rows) override;
    void EnableDeviceButtons() override { completed = true; }

    std::string firmwareVersion;
    std::string description;
    std::string macAddress;
    std::string ipAddress;
    std::string ipStatus;
    std::vector<protocol::VolumeRow> volumes;
    bool completed = false;
};

// The detail query on `record`. A time-out is TimedOut (the window would refresh its list; here
// the run ends), a socket set-up failure NetworkFailure.
ExitStatus QueryDetails(const CliContext& context, protocol::DeviceRecord& record,
                        CapturedDetails& details);

// The administrator check in front of every change and every share mapping: skipped when the
// box does not ask for it; otherwise the name is `adminName` and the password comes from the
// context's source. Ok when the command may go on.
ExitStatus PassVerification(const CliContext& context, const protocol::DeviceRecord& record,
                            const std::optional<std::string>& adminName);

// A StatusOutcome of a set request as an exit status; a reply of another command is no
// confirmation and says so.
ExitStatus StatusOfWrite(const CliContext& context, const protocol::DeviceRecord& record,
                         protocol::StatusOutcome outcome);

// "NAS-Alpha (00:1a:2b:3c:4d:01)", for messages about one box.
std::string DeviceLabel(const CliContext& context, const protocol::DeviceRecord& record);

}  // namespace halvo::cli
