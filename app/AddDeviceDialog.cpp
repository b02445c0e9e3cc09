// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AddDeviceDialog.h"

#include "protocol/DeviceRoutes.h"

namespace halvo::app {

std::string NoDeviceAnsweredMessage(std::uint32_t address) {
    std::string text(MSG_NO_DEVICE_ANSWERED);
    text.replace(text.find("%s"), 2, protocol::FormatIPv4(address));
    return text;
}

AddDeviceDialog::AddDeviceDialog(ui::Backend& backend, const ui::ResourceStore& resources,
                                 const protocol::ProtocolContext& context,
                                 protocol::DeviceReceiver receiver, ui::Dialog* owner)
    : ui::Dialog(backend, resources, IDD_ADD_DEVICE, owner),
      context_(context),
      receiver_(std::move(receiver)) {}

void AddDeviceDialog::BindControls() {
    Bind(IDC_DEVICE_ADDRESS, addressControl_);
}

bool AddDeviceDialog::OnInitDialog() {
    GotoDlgCtrl(addressControl_);
    return false;
}

void AddDeviceDialog::OnOK() {
    // The control reads a blank field as 0: a half-typed address must not become another one.
    const auto address = addressControl_->IsComplete()
                             ? protocol::ParseIPv4(addressControl_->GetAddress())
                             : std::nullopt;
    if (!address || !protocol::IsHostAddress(*address)) {
        context_.messages.ShowWarning(MSG_NOT_AN_ADDRESS);
        GotoDlgCtrl(addressControl_);
        return;
    }
    protocol::DiscoveryTargets targets;
    targets.broadcast = false;
    targets.addresses.push_back(*address);
    const auto result = protocol::Discover(context_, receiver_, targets);
    if (result.devicesFound == 0) {
        if (result.ran) {
            context_.messages.ShowWarning(NoDeviceAnsweredMessage(*address));
        }
        return;
    }
    address_ = *address;
    EndDialog(ui::IDOK);
}

}  // namespace halvo::app
