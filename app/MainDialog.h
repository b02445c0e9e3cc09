// SPDX-License-Identifier: GPL-3.0-or-later
// The main window (template 102): the device list, the basic information of the selected device,
// its USB volumes and the six command buttons. It owns the device records; entry i of the device
// list shows record i of `devices`.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppContext.h"
#include "protocol/DetailQuery.h"
#include "protocol/DeviceAddresses.h"
#include "protocol/Protocol.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"

namespace halvo::app {

inline constexpr int IDD_MAIN = 102;
inline constexpr int IDC_DEVICE_LIST = 1001;
inline constexpr int IDC_REFRESH_LIST = 1005;
inline constexpr int IDC_ACCESS_VIA_WEB = 1006;
inline constexpr int IDC_SETUP_WIZARD = 1007;
inline constexpr int IDC_ABOUT = 1008;
inline constexpr int IDC_QUIT = 1011;
inline constexpr int IDC_FIRMWARE_VERSION = 1016;
inline constexpr int IDC_IP_ADDRESS = 1017;
inline constexpr int IDC_DESCRIPTION = 1018;
inline constexpr int IDC_MAC_ADDRESS = 1020;
inline constexpr int IDC_IP_STATUS = 1043;
inline constexpr int IDC_SHARE_MAPPING = 1080;
inline constexpr int IDC_USB_LIST = 1081;
inline constexpr int IDI_MAIN = 128;
inline constexpr int IDS_ABOUT_ITEM = 101;
inline constexpr int IDM_ABOUTBOX = 0x0010;
inline constexpr int IDS_ADD_DEVICE_ITEM = 104;
inline constexpr int IDM_ADD_DEVICE = 0x0020;

// The address of a device's web page.
using protocol::WebAddress;

// The detail query writes the information panes through DetailView.
class MainDialog : public ui::Dialog, private protocol::DetailView {
  public:
    // No owner window: the main window has its own task-bar entry.
    explicit MainDialog(const AppContext& context);
    ~MainDialog() override;

    // Frees every record, empties the list and the details, and runs a new discovery. The
    // three device buttons stay disabled afterwards.
    void RefreshList();
    // Empties the five value fields and the USB information list.
    void ClearDetails() override;
    // Appends a record found by discovery (the window takes it) and its name to the list.
    void AddDevice(std::unique_ptr<protocol::DeviceRecord> record);

    // Selection change of the device list: the detail query of the selected device. A step
    // without an answer ends in RefreshList, which frees that record.
    void OnSelectDevice();
    void OnAccessViaWeb();
    // "Setup wizard": verification, the wizard, then a new discovery.
    void OnSetupWizard();
    // "Share mapping": verification, then the share mapping dialog.
    void OnShareMapping();
    void OnAbout();
    void OnQuit();
    // Window menu "Add device by address…": what answers at the address joins the list, and the
    // address is asked again by every later RefreshList of this run.
    void OnAddDeviceByAddress();

    const std::vector<std::unique_ptr<protocol::DeviceRecord>>& Devices() const { return devices; }
    // A box's bytes as shown, in the workstation's code page.
    std::string DeviceText(std::string_view bytes) const;
    // The record of the selected device-list entry; null with no selection.
    protocol::DeviceRecord* SelectedDevice() const;
    const AppContext& Context() const { return context_; }
    // The addresses added by hand, in the order added (host order); kept in memory only.
    const std::vector<std::uint32_t>& AddedAddresses() const { return addedAddresses; }

  protected:
    void BindControls() override;
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnSysCommand(int id) override;

  private:
    // DetailView
    void ShowBasicInformation(std::string_view firmwareVersion, std::string_view description,
                              std::string_view macAddress, std::string_view ipAddress,
                              std::string_view ipStatus) override;
    void ShowVolumes(const std::vector<protocol::VolumeRow>& rows) override;
    void EnableDeviceButtons() override;

    AppContext context_;

    ui::PushButton* shareMappingButton = nullptr;
    ui::ListView* usbList = nullptr;
    ui::StaticText* ipStatusField = nullptr;
    ui::StaticText* macAddressField = nullptr;
    ui::StaticText* ipAddressField = nullptr;
    ui::StaticText* firmwareVersionField = nullptr;
    ui::StaticText* descriptionField = nullptr;
    ui::PushButton* accessViaWebButton = nullptr;
    ui::PushButton* setupWizardButton = nullptr;
    ui::PushButton* refreshListButton = nullptr;
    ui::PushButton* quitButton = nullptr;
    ui::PushButton* aboutButton = nullptr;
    ui::ListBox* deviceList = nullptr;
    std::vector<std::unique_ptr<protocol::DeviceRecord>> devices;
    std::vector<std::uint32_t> addedAddresses;
};

}  // namespace halvo::app
