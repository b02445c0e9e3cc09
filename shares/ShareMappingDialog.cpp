// SPDX-License-Identifier: GPL-3.0-or-later
#include "shares/ShareMappingDialog.h"

#include <cstdint>
#include <optional>

#include "ui/DeviceText.h"
#include "ui/Utf8.h"

namespace halvo::shares {

namespace {

// The separator between a letter and its remote name in the drive combo.
constexpr std::string_view kEntrySeparator = "  ";

std::string LocalName(char letter) {
    return std::string{letter, ':'};
}

// Overwrites a copy of a secret before its memory goes back to the heap.
void Wipe(std::string& secret) {
    volatile char* bytes = secret.data();
    for (std::size_t i = 0; i < secret.size(); ++i) {
        bytes[i] = '\0';
    }
}

}  // namespace

ShareMappingDialog::ShareMappingDialog(const ShareMappingContext& context, ui::Dialog* owner)
    : Dialog(context.ui, context.resources, IDD_SHARE_MAPPING, owner), context_(context) {}

ShareMappingDialog::~ShareMappingDialog() = default;

void ShareMappingDialog::BindControls() {
    Bind(IDC_MAPPED_LIST, mappedList);
    Bind(IDC_UNMAP_ALL, unmapAllButton);
    Bind(IDC_UNMAP, unmapButton);
    Bind(IDC_MAP, mapButton);
    Bind(IDC_DRIVE_COMBO, driveCombo);
    Bind(IDC_SHARE_COMBO, shareCombo);
    Bind(IDC_PASSWORD, passwordEdit);
    Bind(IDC_USER_NAME, userNameEdit);
}

bool ShareMappingDialog::OnInitDialog() {
    userNameEdit->LimitBytes(context_.codec, USER_NAME_LIMIT);
    passwordEdit->LimitBytes(context_.codec, PASSWORD_LIMIT);

    mappedList->SetFullRowSelect(true);
    mappedList->InsertColumn(0, "Share name", ui::Align::left, SHARE_NAME_COLUMN_WIDTH);
    mappedList->InsertColumn(1, "Location", ui::Align::left, LOCATION_COLUMN_WIDTH);

    if (device != nullptr) {
        for (const protocol::ShareEntry& share : device->shares) {
            shareCombo->AddString(context_.codec.Decode(share.name.view()));
        }
    }

    FillDriveCombo();
    FillMappedList();
    return true;  // the first tab stop, OK, takes the focus
}

void ShareMappingDialog::OnCommand(int id) {
    switch (id) {
        case IDC_MAP:
            OnMap();
            break;
        case IDC_UNMAP:
            OnUnmap();
            break;
        case IDC_UNMAP_ALL:
            OnUnmapAll();
            break;
        default:
            Dialog::OnCommand(id);
            break;
    }
}

void ShareMappingDialog::FillDriveCombo() {
    // Only the list is rebuilt; what the field shows stays as the user left it.
    const std::string field = driveCombo->GetWindowText();
    for (int row = driveCombo->GetCount() - 1; row >= 0; --row) {
        driveCombo->DeleteString(row);
    }

    platform::NetworkDrives& drives = context_.drives;
    const std::uint32_t inUse = drives.GetLogicalDrives();
    for (char letter = 'Z'; letter >= 'A'; --letter) {
        const std::string local = LocalName(letter);
        const bool taken = (inUse & (1u << (letter - 'A'))) != 0;
        if (drives.GetDriveType(local) == platform::DRIVE_REMOTE) {
            // A connected letter shows its share even when the mask leaves it out, and stays
            // marked as taken (name and two spaces) when its share cannot be read.
            driveCombo->AddString(local + std::string(kEntrySeparator) +
                                  drives.GetConnection(local));
        } else if (!taken) {
            driveCombo->AddString(local);
        }
    }
    driveCombo->SetWindowText(field);
}

void ShareMappingDialog::FillMappedList() {
    const std::string_view address =
        device != nullptr ? device->ipAddress.view() : std::string_view();
    // An empty address is contained in every remote name: it would list, and let "Unmap all"
    // cancel, the connections of every server.
    if (address.empty()) {
        return;
    }
    platform::NetworkDrives& drives = context_.drives;
    for (char letter = 'Z'; letter >= 'A'; --letter) {
        const std::string local = LocalName(letter);
        if (drives.GetDriveType(local) != platform::DRIVE_REMOTE) {
            continue;
        }
        const std::string remote = drives.GetConnection(local);
        if (remote.find(address) == std::string::npos) {
            continue;
        }
        const int row = mappedList->InsertItem(mappedList->GetItemCount(), remote);
        mappedList->SetItemText(row, 1, local);
    }
}

int ShareMappingDialog::ConnectShare(const std::string& localName, const std::string& sharePath,
                                     const std::string& userName, const std::string& password) {
    return context_.drives.AddConnection(localName, sharePath, userName, password);
}

int ShareMappingDialog::DisconnectDrive(const std::string& localName) {
    return context_.drives.CancelConnection(localName);
}

void ShareMappingDialog::OnMap() {
    const std::string share = shareCombo->GetWindowText();
    if (share.empty() || device == nullptr) {
        return;
    }
    // The server names its shares in UTF-8: the address is built from the decoded name.
    const std::string sharePath = SharePath(device->ipAddress.view(), share);

    const std::string drive = driveCombo->GetWindowText();
    if (drive.empty()) {
        return;
    }
    const std::string localName(ui::FirstCharacters(drive, 2));

    const std::string userName = userNameEdit->GetWindowText();
    if (!context_.codec.Encode(userName)) {
        context_.messages.ShowWarning(ui::NotInCodePageMessage(context_.codec, "The user name"));
        return;
    }
    std::string password = passwordEdit->GetWindowText();
    // Its limit is counted in the code page, so it must have a place there too.
    std::optional<std::string> encoded = context_.codec.Encode(password);
    const bool passwordFits = encoded.has_value();
    if (encoded) {
        Wipe(*encoded);
    }
    if (!passwordFits) {
        Wipe(password);
        context_.messages.ShowWarning(ui::NotInCodePageMessage(context_.codec, "The password"));
        return;
    }
    const int result = ConnectShare(localName, sharePath, userName, password);
    Wipe(password);

    if (result != platform::NO_ERROR_RESULT) {
        context_.messages.ShowWarning(MSG_MAP_FAILED);
        return;
    }
    const int row = mappedList->InsertItem(mappedList->GetItemCount(), sharePath);
    mappedList->SetItemText(row, 1, localName);
    FillDriveCombo();
}

void ShareMappingDialog::OnUnmap() {
    const int row = mappedList->GetSelectedRow();
    if (row < 0) {
        return;
    }
    const std::string localName = mappedList->GetItemText(row, 1);
    if (DisconnectDrive(localName) != platform::NO_ERROR_RESULT) {
        context_.messages.ShowWarning(MSG_UNMAP_FAILED);
        return;
    }
    mappedList->DeleteItem(row);
    FillDriveCombo();
}

void ShareMappingDialog::OnUnmapAll() {
    // Backwards, so that deleting a row leaves the rows still to visit where they are.
    for (int row = mappedList->GetItemCount() - 1; row >= 0; --row) {
        const std::string localName = mappedList->GetItemText(row, 1);
        if (DisconnectDrive(localName) != platform::NO_ERROR_RESULT) {
            context_.messages.ShowWarning(MSG_UNMAP_FAILED);
            continue;
        }
        mappedList->DeleteItem(row);
    }
    FillDriveCombo();
}

bool RunShareMapping(const ShareMappingContext& context, const protocol::DeviceRecord& record,
                     const VerificationGate& gate, ui::Dialog* owner) {
    if (!gate || !gate(record)) {
        return false;
    }
    ShareMappingDialog dialog(context, owner);
    dialog.SetDevice(&record);
    dialog.RunModal();  // OK and Cancel only close it; the result means nothing here
    return true;
}

}  // namespace halvo::shares
