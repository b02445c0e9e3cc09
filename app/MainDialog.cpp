// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainDialog.h"

#include <algorithm>
#include <cstdio>

#include "app/AboutDialog.h"
#include "app/AddDeviceDialog.h"
#include "protocol/DeviceAddresses.h"
#include "protocol/Discovery.h"
#include "shares/ShareMappingDialog.h"
#include "wizard/VerificationGate.h"
#include "wizard/VerifyDialog.h"
#include "wizard/WizardDialog.h"

namespace halvo::app {

namespace {

struct UsbColumn {
    const char* heading;
    int width;  // pixels
};

constexpr UsbColumn kUsbColumns[] = {
    {"Share Name", 110},     {"Device Id", 70},  {"FS Type", 70},
    {"Total Size(MB)", 100}, {"Free Space", 72},
};

}  // namespace

MainDialog::MainDialog(const AppContext& context)
    : Dialog(context.ui, context.resources, IDD_MAIN), context_(context) {}

MainDialog::~MainDialog() = default;

void MainDialog::BindControls() {
    Bind(IDC_SHARE_MAPPING, shareMappingButton);
    Bind(IDC_USB_LIST, usbList);
    Bind(IDC_IP_STATUS, ipStatusField);
    Bind(IDC_MAC_ADDRESS, macAddressField);
    Bind(IDC_IP_ADDRESS, ipAddressField);
    Bind(IDC_FIRMWARE_VERSION, firmwareVersionField);
    Bind(IDC_DESCRIPTION, descriptionField);
    Bind(IDC_ACCESS_VIA_WEB, accessViaWebButton);
    Bind(IDC_SETUP_WIZARD, setupWizardButton);
    Bind(IDC_REFRESH_LIST, refreshListButton);
    Bind(IDC_QUIT, quitButton);
    Bind(IDC_ABOUT, aboutButton);
    Bind(IDC_DEVICE_LIST, deviceList);
}

bool MainDialog::OnInitDialog() {
    // The desktop has no window menu of the dialog's own: the dialog's context menu stands in.
    // A group of its own before the About item, which stays last.
    AppendMenuItem(0, {});
    AppendMenuItem(IDM_ADD_DEVICE, Resources().String(IDS_ADD_DEVICE_ITEM));
    const std::string aboutItem = Resources().String(IDS_ABOUT_ITEM);
    if (!aboutItem.empty()) {
        AppendMenuItem(0, {});
        AppendMenuItem(IDM_ABOUTBOX, aboutItem);
    }
    SetIcon(IDI_MAIN);

    usbList->SetFullRowSelect(true);
    int column = 0;
    for (const UsbColumn& c : kUsbColumns) {
        usbList->InsertColumn(column++, c.heading, ui::Align::left, c.width);
    }

    RefreshList();
    return true;  // the first tab stop, the device list, takes the focus
}

void MainDialog::OnCommand(int id) {
    switch (id) {
        case IDC_DEVICE_LIST:
            OnSelectDevice();
            break;
        case IDC_REFRESH_LIST:
            RefreshList();
            break;
        case IDC_ACCESS_VIA_WEB:
            OnAccessViaWeb();
            break;
        case IDC_SETUP_WIZARD:
            OnSetupWizard();
            break;
        case IDC_SHARE_MAPPING:
            OnShareMapping();
            break;
        case IDC_ABOUT:
            OnAbout();
            break;
        case IDC_QUIT:
            OnQuit();
            break;
        default:
            Dialog::OnCommand(id);  // Enter outside a push button (1) and Esc (2) end the run
            break;
    }
}

void MainDialog::OnSysCommand(int id) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
    } else if ((id & 0xFFF0) == IDM_ADD_DEVICE) {
        OnAddDeviceByAddress();
    } else {
        Dialog::OnSysCommand(id);
    }
}

void MainDialog::RefreshList() {
    refreshListButton->EnableWindow(false);
    shareMappingButton->EnableWindow(false);
    accessViaWebButton->EnableWindow(false);
    setupWizardButton->EnableWindow(false);

    // Every line at once: a thousand deletions one by one cost a thousand round trips on some
    // window systems.
    deviceList->ResetContent();
    devices.clear();  // each record with its share list
    ClearDetails();

    protocol::DiscoveryTargets targets;
    targets.addresses = addedAddresses;
    protocol::Discover(
        context_.Protocol(),
        [this](std::unique_ptr<protocol::DeviceRecord> record) { AddDevice(std::move(record)); },
        targets);

    refreshListButton->EnableWindow(true);
}

void MainDialog::ClearDetails() {
    ipStatusField->Clear();
    macAddressField->Clear();
    ipAddressField->Clear();
    firmwareVersionField->Clear();
    descriptionField->Clear();
    for (int row = usbList->GetItemCount() - 1; row >= 0; --row) {
        usbList->DeleteItem(row);
    }
}

void MainDialog::AddDevice(std::unique_ptr<protocol::DeviceRecord> record) {
    if (!record) {
        return;
    }
    const std::string name = DeviceText(record->name.view());
    devices.push_back(std::move(record));
    deviceList->AddString(name);
    // Show the devices as they arrive: discovery keeps the event loop from running.
    if (IsWindowVisible()) {
        UpdateWindow(context_.clock);
    }
}

std::string MainDialog::DeviceText(std::string_view bytes) const {
    return context_.codec.Decode(bytes);
}

protocol::DeviceRecord* MainDialog::SelectedDevice() const {
    const int index = deviceList->GetCurSel();
    if (index < 0 || static_cast<std::size_t>(index) >= devices.size()) {
        return nullptr;
    }
    return devices[static_cast<std::size_t>(index)].get();
}

void MainDialog::OnSelectDevice() {
    protocol::DeviceRecord* record = SelectedDevice();
    if (record == nullptr) {
        return;
    }
    if (protocol::RunDetailQuery(context_.Protocol(), *record, *this) ==
        protocol::DetailQueryResult::TimedOut) {
        // Gives up on the whole query; the record is freed here and not looked at again.
        RefreshList();
    }
}

void MainDialog::ShowBasicInformation(std::string_view firmwareVersion,
                                      std::string_view description, std::string_view macAddress,
                                      std::string_view ipAddress, std::string_view ipStatus) {
    // The description is the box's; the other texts are made here from numbers, and ASCII
    // reads the same in every code page.
    firmwareVersionField->SetWindowText(DeviceText(firmwareVersion));
    descriptionField->SetWindowText(DeviceText(description));
    macAddressField->SetWindowText(DeviceText(macAddress));
    ipAddressField->SetWindowText(DeviceText(ipAddress));
    ipStatusField->SetWindowText(DeviceText(ipStatus));
}

void MainDialog::ShowVolumes(const std::vector<protocol::VolumeRow>& rows) {
    usbList->DeleteAllItems();
    for (const protocol::VolumeRow& volume : rows) {
        const int row = usbList->InsertItem(usbList->GetItemCount(), DeviceText(volume.shareName));
        usbList->SetItemText(row, 1, DeviceText(volume.deviceId));
        usbList->SetItemText(row, 2, DeviceText(volume.fsType));
        usbList->SetItemText(row, 3, DeviceText(volume.totalSizeMb));
        usbList->SetItemText(row, 4, DeviceText(volume.freeSpace));
    }
}

void MainDialog::EnableDeviceButtons() {
    shareMappingButton->EnableWindow(true);
    accessViaWebButton->EnableWindow(true);
    setupWizardButton->EnableWindow(true);
}

void MainDialog::OnAccessViaWeb() {
    const protocol::DeviceRecord* record = SelectedDevice();
    if (record == nullptr) {
        return;
    }
    // The shell's answer is not examined: a failure is not reported.
    context_.shell.Open(WebAddress(*record));
}

void MainDialog::OnSetupWizard() {
    const protocol::DeviceRecord* record = SelectedDevice();
    if (record == nullptr) {
        return;
    }
    const wizard::WizardContext wizardContext{context_.resources, context_.ui, context_.Protocol(),
                                              context_.timeZone, context_.codec};
    // Finished, Cancel and the close box all end in a new discovery, which frees the record
    // the wizard borrowed; a cancelled verification changes nothing.
    if (wizard::RunSetupWizard(wizardContext, *record, this)) {
        RefreshList();
    }
}

void MainDialog::OnShareMapping() {
    const protocol::DeviceRecord* record = SelectedDevice();
    if (record == nullptr) {
        return;
    }
    wizard::DialogVerifyPrompt prompt(context_.ui, context_.resources, context_.Protocol(),
                                      context_.codec, this);
    const shares::VerificationGate gate = [&prompt](const protocol::DeviceRecord& device) {
        return wizard::MayGoOn(wizard::RunVerificationGate(device, prompt));
    };
    // Nothing in the window changes afterwards: no refresh, the buttons stay as they are.
    shares::RunShareMapping(
        {context_.drives, context_.messages, context_.resources, context_.ui, context_.codec},
        *record, gate, this);
}

void MainDialog::OnAbout() {
    AboutDialog about(context_.ui, Resources(), this);
    about.RunModal();
}

void MainDialog::OnAddDeviceByAddress() {
    AddDeviceDialog dialog(
        context_.ui, Resources(), context_.Protocol(),
        [this](std::unique_ptr<protocol::DeviceRecord> record) { AddDevice(std::move(record)); },
        this);
    if (dialog.RunModal() != ui::IDOK) {
        return;
    }
    // Asked again by every refresh; an address added twice is still asked once.
    if (std::find(addedAddresses.begin(), addedAddresses.end(), dialog.Address()) ==
        addedAddresses.end()) {
        addedAddresses.push_back(dialog.Address());
    }
}

void MainDialog::OnQuit() {
    EndDialog(ui::IDOK);
}

}  // namespace halvo::app
