// SPDX-License-Identifier: GPL-3.0-or-later
// The share mapping dialog (template 105): connects the selected device's shares to drive
// letters, lists the letters already connected to it and disconnects them. It talks to the
// workstation only through the NetworkDrives it is given and sends nothing to the device.
#pragma once

#include <functional>
#include <string>

#include "platform/MessageBoxes.h"
#include "platform/NetworkDrives.h"
#include "platform/TextCodec.h"
#include "protocol/DeviceAddresses.h"
#include "protocol/Protocol.h"
#include "shares/ShareMessages.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

namespace halvo::shares {

inline constexpr int IDD_SHARE_MAPPING = 105;
inline constexpr int IDC_SHARE_COMBO = 1071;
inline constexpr int IDC_USER_NAME = 1072;
inline constexpr int IDC_PASSWORD = 1073;
inline constexpr int IDC_MAPPED_LIST = 1074;
inline constexpr int IDC_DRIVE_COMBO = 1075;
inline constexpr int IDC_MAP = 1076;
inline constexpr int IDC_UNMAP = 1077;
inline constexpr int IDC_UNMAP_ALL = 1078;

inline constexpr int USER_NAME_LIMIT = 32;
inline constexpr int PASSWORD_LIMIT = 8;
inline constexpr int SHARE_NAME_COLUMN_WIDTH = 240;  // pixels
inline constexpr int LOCATION_COLUMN_WIDTH = 208;    // pixels

// What the dialog works with; every reference must outlive the dialog.
struct ShareMappingContext {
    platform::NetworkDrives& drives;
    platform::MessageBoxes& messages;
    const ui::ResourceStore& resources;
    ui::Backend& ui;
    // The workstation's code page: the share names are the box's bytes.
    const platform::TextCodec& codec;
};

// "\\address\share". Nothing is cut: a long share name makes a long path.
using protocol::SharePath;

class ShareMappingDialog : public ui::Dialog {
  public:
    explicit ShareMappingDialog(const ShareMappingContext& context, ui::Dialog* owner = nullptr);
    ~ShareMappingDialog() override;

    // The record is borrowed: the dialog never changes or frees it. Call once, before the run.
    void SetDevice(const protocol::DeviceRecord* record) { device = record; }

    // Rebuilds the drive combo's list, Z down to A. The field keeps its text.
    void FillDriveCombo();
    // Appends a row for every connected letter whose remote name holds the device's address.
    void FillMappedList();
    // The platform's result: 0 when `localName` now refers to `sharePath`.
    int ConnectShare(const std::string& localName, const std::string& sharePath,
                     const std::string& userName, const std::string& password);
    // The platform's result: 0 when the connection of `localName` is gone.
    int DisconnectDrive(const std::string& localName);

    void OnMap();
    void OnUnmap();
    void OnUnmapAll();

  protected:
    void BindControls() override;
    bool OnInitDialog() override;
    void OnCommand(int id) override;

  private:
    ShareMappingContext context_;

    ui::ListView* mappedList = nullptr;
    ui::PushButton* unmapAllButton = nullptr;
    ui::PushButton* unmapButton = nullptr;
    ui::PushButton* mapButton = nullptr;
    ui::ComboBox* driveCombo = nullptr;
    ui::ComboBox* shareCombo = nullptr;
    ui::Edit* passwordEdit = nullptr;
    ui::Edit* userNameEdit = nullptr;
    const protocol::DeviceRecord* device = nullptr;
};

// The administrator check in front of the dialog: true to go on, false when the user cancelled.
// It decides itself whether to ask at all (it skips when the record does not require it).
using VerificationGate = std::function<bool(const protocol::DeviceRecord&)>;

// "Share mapping" for one device: the check first, then the dialog, modally, owned by `owner`.
// Changes nothing afterwards. Returns whether the dialog was shown; an empty gate counts as a
// cancelled check, so the dialog never opens without one.
bool RunShareMapping(const ShareMappingContext& context, const protocol::DeviceRecord& record,
                     const VerificationGate& gate, ui::Dialog* owner);

}  // namespace halvo::shares
