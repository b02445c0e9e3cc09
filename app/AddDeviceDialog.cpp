#include "app/AddDeviceDialog.h"

#include "protocol/DeviceRoutes.h"

namespace halvo::app {

std::string NoDeviceAnsweredMessage(std::uint32_t address) {
    std::string text(MSG_NO_DEVICE_ANSWERED);
    text.replace(text.find("%s"), 2, protocol::FormatIPv4(address));
    return text;
}

AddDeviceDialog::AddDeviceDialog(const ui::ResourceStore& resources,
                                 const protocol::ProtocolContext& context,
                                 protocol::DeviceReceiver receiver, QWidget* owner)
    : ui::Dialog(resources, IDD_ADD_DEVICE, owner),
      context_(context),
      receiver_(std::move(receiver)) {}

void AddDeviceDialog::BindControls() {
    Bind(IDC_DEVICE_ADDRESS, addressControl_);
}

bool AddDeviceDialog::OnInitDialog() {
    GotoDlgCtrl(addressControl_->Field(0));
    return false;
}

void AddDeviceDialog::OnOK() {
    // The control reads a blank field as 0: a half-typed address must not become another one.
    bool complete = true;
    for (int i = 0; i < 4; ++i) {
        complete = complete && !addressControl_->Field(i)->text().isEmpty();
    }
    const auto address =
        complete ? protocol::ParseIPv4(addressControl_->GetAddress().toStdString()) : std::nullopt;
    if (!address || !protocol::IsHostAddress(*address)) {
        context_.messages.ShowWarning(MSG_NOT_AN_ADDRESS);
        GotoDlgCtrl(addressControl_->Field(0));
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
