// SPDX-License-Identifier: GPL-3.0-or-later
// The detail query run when a device is selected: system info, network info, share count, share
// pages and volumes, one request after the other on one socket, completing the device's record
// and filling the main window's information panes through DetailView.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/DeviceExchange.h"
#include "protocol/Protocol.h"

namespace halvo::protocol {

// One line of the USB information list, its five columns as shown.
struct VolumeRow {
    std::string shareName;    // "Share Name", at most 36 characters
    std::string deviceId;     // "Device Id", at most 16
    std::string fsType;       // "FS Type", at most 10
    std::string totalSizeMb;  // "Total Size(MB)", "%d"
    std::string freeSpace;    // "Free Space", "%d%%"

    bool operator==(const VolumeRow&) const = default;
};

// What the query shows, implemented by the main window.
class DetailView {
  public:
    virtual ~DetailView() = default;
    // Empties the five information fields and the USB list.
    virtual void ClearDetails() = 0;
    virtual void ShowBasicInformation(std::string_view firmwareVersion,
                                      std::string_view description, std::string_view macAddress,
                                      std::string_view ipAddress, std::string_view ipStatus) = 0;
    // Replaces the USB list with these lines (possibly none).
    virtual void ShowVolumes(const std::vector<VolumeRow>& rows) = 0;
    // "Share mapping", "Access via web" and "Setup wizard".
    virtual void EnableDeviceButtons() = 0;
};

enum class DetailQueryResult {
    Completed,    // every step answered (with the right command or not); buttons enabled
    SetupFailed,  // the socket layer or the socket could not be had; message shown, no refresh
    TimedOut,     // a step had no answer; its message shown. The caller refreshes the list.
};

// Runs the whole query on `record` and shows the result in `view`.
//
// Contract on TimedOut: the caller then runs RefreshList, which frees the record. From the
// moment a step's timeout is detected, RunDetailQuery does not touch `record` or `view` again
// (not even while the timeout message is up), so freeing the record at any point after the
// message has been shown is safe.
DetailQueryResult RunDetailQuery(const ProtocolContext& context, DeviceRecord& record,
                                 DetailView& view);

// ---- Formatting of what the panes show -------------------------------------------------------

// "V%c%cR%c%c": V, the first two characters, R, the last two; like the formatted text it ends
// at the first NUL, so an empty version shows as "V".
std::string FormatFirmwareVersion(const FixedText<4>& firmwareVersion);
// "%02x:%02x:%02x:%02x:%02x:%02x", lower case.
std::string FormatMacAddress(const MacAddress& mac);
// "Static ip" for 0, "DHCP" for 1, empty for anything else.
std::string_view IpStatusText(std::uint8_t ipMode);
VolumeRow FormatVolumeRow(const VolumeEntry& volume);

}  // namespace halvo::protocol
