// SPDX-License-Identifier: GPL-3.0-or-later
// "Add device by address…" (template 143): asks for the IPv4 address of a box that no broadcast
// reaches (behind a router), sends it CMD_DISCOVER by unicast and hands every box that answers
// within the usual collection window to the receiver. The dialog ends with 1 only once something
// answered; a bad entry or a silent address gets a message and the dialog stays open.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/DeviceExchange.h"
#include "protocol/Discovery.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

namespace halvo::app {

inline constexpr int IDD_ADD_DEVICE = 143;
inline constexpr int IDC_DEVICE_ADDRESS = 1090;

inline constexpr std::string_view MSG_NOT_AN_ADDRESS =
    "Please enter the IPv4 address of one device, four numbers from 0 to 255 such as "
    "192.168.1.20.";
inline constexpr std::string_view MSG_NO_DEVICE_ANSWERED = "No device answered at %s.";

class AddDeviceDialog : public ui::Dialog {
  public:
    AddDeviceDialog(ui::Backend& backend, const ui::ResourceStore& resources,
                    const protocol::ProtocolContext& context, protocol::DeviceReceiver receiver,
                    ui::Dialog* owner = nullptr);

    // The address that answered (host order); 0 until the dialog ended with 1.
    std::uint32_t Address() const { return address_; }

  protected:
    void BindControls() override;
    bool OnInitDialog() override;
    // "Add": check the entry, ask the address, end with 1 when a device answered.
    void OnOK() override;

  private:
    protocol::ProtocolContext context_;
    protocol::DeviceReceiver receiver_;
    ui::IpAddressControl* addressControl_ = nullptr;
    std::uint32_t address_ = 0;
};

// MSG_NO_DEVICE_ANSWERED for `address`.
std::string NoDeviceAnsweredMessage(std::uint32_t address);

}  // namespace halvo::app
