// SPDX-License-Identifier: GPL-3.0-or-later
// The wizard's three pages, child dialogs inside the frame's page area. The settings pages hold
// no values of their own: everything lives in their controls, which the frame fills from the
// device record and reads when Next sends them.
#pragma once

#include "platform/TextCodec.h"
#include "protocol/Protocol.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"
#include "wizard/DeviceDateTime.h"
#include "wizard/NetworkSettings.h"
#include "wizard/SystemSettings.h"

namespace halvo::wizard {

inline constexpr int SYSTEM_PAGE_TEMPLATE = 130;
inline constexpr int NETWORK_PAGE_TEMPLATE = 131;
inline constexpr int FINISH_PAGE_TEMPLATE = 132;

// Password check box, description, timezone, date and time.
class SystemPage : public ui::Dialog {
  public:
    enum ControlId {
        PASSWORD_CHECK = 1027,
        DESCRIPTION_EDIT = 1029,
        TIMEZONE_COMBO = 1062,
        DATE_PICKER = 1059,
        TIME_PICKER = 1060,
    };

    SystemPage(ui::Backend& backend, const ui::ResourceStore& resources,
               const platform::TextCodec& codec);

    void Fill(const SystemPageFill& fill);
    SystemPageValues Values() const;

  protected:
    void BindControls() override;
    bool OnInitDialog() override;

  private:
    ui::ComboBox* timezoneCombo_ = nullptr;
    ui::TimePicker* timePicker_ = nullptr;
    ui::DatePicker* datePicker_ = nullptr;
    ui::Edit* descriptionEdit_ = nullptr;
    ui::CheckBox* passwordCheck_ = nullptr;
    // The description's bytes as sent: the box's own while the text is untouched.
    std::string DescriptionBytes() const;

    const platform::TextCodec& codec_;
    // The box's description as filled: sent back as these bytes while the text is untouched.
    std::string filledDescription_;
};

// Static address or DHCP, and the five addresses.
class NetworkPage : public ui::Dialog {
  public:
    enum ControlId {
        PROTOCOL_COMBO = 1045,
        IP_ADDRESS = 1050,
        SUBNET_MASK = 1051,
        GATEWAY = 1052,
        PRIMARY_DNS = 1053,
        SECONDARY_DNS = 1054,
    };

    NetworkPage(ui::Backend& backend, const ui::ResourceStore& resources,
                const platform::TextCodec& codec);

    void Fill(const NetworkPageFill& fill);
    NetworkPageValues Values() const;

    // The user chose a protocol row: the addresses take input only for a static address.
    void OnProtocolChange();

  protected:
    void BindControls() override;
    void OnCommand(int id) override;

  private:
    // In the order IP address, mask, gateway, primary and secondary DNS.
    std::array<ui::IpAddressControl*, ADDRESS_COUNT> Addresses() const;

    ui::IpAddressControl* subnetMask_ = nullptr;
    ui::IpAddressControl* ipAddress_ = nullptr;
    ui::IpAddressControl* gateway_ = nullptr;
    ui::IpAddressControl* secondaryDns_ = nullptr;
    ui::IpAddressControl* primaryDns_ = nullptr;
    ui::ComboBox* protocolCombo_ = nullptr;
    const platform::TextCodec& codec_;
};

// The last page: one centred line of text.
class FinishPage : public ui::Dialog {
  public:
    FinishPage(ui::Backend& backend, const ui::ResourceStore& resources);
};

}  // namespace halvo::wizard
