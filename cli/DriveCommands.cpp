// SPDX-License-Identifier: GPL-3.0-or-later
// map, unmap and drives: the workstation's drive letters, through the same table the window's
// share mapping uses, so that each sees the other's letters.
#include <span>

#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "cli/Diagnostics.h"
#include "cli/Output.h"
#include "cli/Values.h"
#include "protocol/DeviceAddresses.h"
#include "protocol/WireFormat.h"
#include "shares/ShareMessages.h"

namespace halvo::cli {

using protocol::DeviceRecord;

namespace {

// The share mapping dialog's texts and limits, in bytes of the code page.
using shares::MSG_MAP_FAILED;
using shares::MSG_UNMAP_FAILED;
constexpr std::size_t SMB_USER_LIMIT = 32;
constexpr std::size_t SMB_PASSWORD_LIMIT = 8;

bool NeedDrives(const CliContext& context) {
    if (context.drives == nullptr) {
        context.messages.Report("the workstation's drives are not available");
        return false;
    }
    return true;
}

}  // namespace

ExitStatus RunMap(const CliContext& context, std::string_view device, std::string_view share,
                  std::string_view letter, std::string_view user,
                  const std::optional<std::string>& admin) {
    const std::optional<std::string> localName = ParseDriveLetter(letter);
    if (!localName) {
        context.messages.Report("'" + std::string(letter) + "' is no drive letter A-Z");
        return ExitStatus::Usage;
    }
    if (share.empty()) {
        context.messages.Report("no share name given");
        return ExitStatus::Usage;
    }
    const std::optional<std::string> userBytes = context.codec.Encode(user);
    if (!userBytes) {
        context.messages.Report("the user name has characters that code page " +
                                std::to_string(context.codec.CodePage()) + " cannot write");
        return ExitStatus::Usage;
    }
    if (userBytes->size() > SMB_USER_LIMIT) {
        context.messages.Report("the user name has more than 32 bytes in code page " +
                                std::to_string(context.codec.CodePage()));
        return ExitStatus::Usage;
    }
    if (!NeedDrives(context)) {
        return ExitStatus::NetworkFailure;
    }
    DeviceList devices;
    protocol::DiscoveryResult asked;
    ExitStatus status = DiscoverDevices(context, devices, &asked);
    DeviceRecord* record =
        status == ExitStatus::Ok ? FindDevice(context, devices, device, status, &asked) : nullptr;
    if (record == nullptr) {
        return status;
    }
    const std::string sharePath = protocol::SharePath(record->ipAddress.view(), share);
    if (sharePath.size() > protocol::SHARE_PATH_LIMIT) {
        context.messages.Report("the share path " + sharePath + " has more than 63 characters");
        return ExitStatus::Usage;
    }
    // The share mapping dialog opens on a box the detail query has completed.
    CapturedDetails details;
    status = QueryDetails(context, *record, details);
    if (status == ExitStatus::Ok) {
        status = PassVerification(context, *record, admin);
    }
    if (status != ExitStatus::Ok) {
        return status;
    }
    std::string problem;
    std::optional<Secret> password =
        context.smbSecrets.Read("SMB password for " + sharePath, problem);
    if (!password) {
        context.messages.Report(problem);
        return ExitStatus::Usage;
    }
    std::optional<std::string> passwordBytes = context.codec.Encode(password->view());
    const std::size_t passwordSize = passwordBytes ? passwordBytes->size() : 0;
    if (passwordBytes) {
        protocol::SecureZero(std::span<char>(passwordBytes->data(), passwordBytes->size()));
    }
    if (!passwordBytes || passwordSize > SMB_PASSWORD_LIMIT) {
        password->Wipe();
        context.messages.Report(
            std::string(!passwordBytes ? "the SMB password has characters that code page "
                                       : "the SMB password has more than 8 bytes in code page ") +
            std::to_string(context.codec.CodePage()) + (!passwordBytes ? " cannot write" : ""));
        return ExitStatus::Usage;
    }
    const int result = context.drives->AddConnection(*localName, sharePath, user, password->view());
    password->Wipe();
    if (result != platform::NO_ERROR_RESULT) {
        // The window says no more than its message; here the reason and the remedy follow.
        context.messages.ShowWarning(MSG_MAP_FAILED);
        const std::optional<std::string> reason = MapFailureReason(result, context.system);
        context.messages.Note("error " + std::to_string(result) + (reason ? ": " + *reason : ""));
        if (context.json) {
            EmitJson(context.out, {{"ok", false},
                                   {"exitStatus", Code(ExitStatus::Refused)},
                                   {"error", std::string(MSG_MAP_FAILED)},
                                   {"errorNumber", result},
                                   {"reason", reason ? *reason : ""},
                                   {"letter", *localName},
                                   {"remoteName", sharePath}});
        }
        return ExitStatus::Refused;
    }
    if (context.json) {
        EmitJson(context.out, {{"letter", *localName},
                               {"remoteName", sharePath},
                               {"macAddress", protocol::FormatMacAddress(record->macAddress)}});
    } else {
        context.out << *localName << "  " << sharePath << std::endl;
    }
    return Combine(status, context.messages.Status());
}

ExitStatus RunUnmap(const CliContext& context, std::string_view letter) {
    const std::optional<std::string> localName = ParseDriveLetter(letter);
    if (!localName) {
        context.messages.Report("'" + std::string(letter) + "' is no drive letter A-Z");
        return ExitStatus::Usage;
    }
    if (!NeedDrives(context)) {
        return ExitStatus::NetworkFailure;
    }
    if (context.drives->CancelConnection(*localName) != platform::NO_ERROR_RESULT) {
        context.messages.ShowWarning(MSG_UNMAP_FAILED);
        return ExitStatus::Refused;
    }
    if (context.json) {
        EmitJson(context.out, {{"letter", *localName}, {"unmapped", true}});
    } else {
        context.out << *localName << " unmapped" << std::endl;
    }
    return ExitStatus::Ok;
}

ExitStatus RunDrives(const CliContext& context) {
    if (!NeedDrives(context)) {
        return ExitStatus::NetworkFailure;
    }
    // As the share mapping dialog reads them: Z down to A, the remote letters with their shares.
    nlohmann::json list = nlohmann::json::array();
    std::vector<std::vector<std::string>> rows;
    for (char letter = 'Z'; letter >= 'A'; --letter) {
        const std::string localName{letter, ':'};
        if (context.drives->GetDriveType(localName) != platform::DRIVE_REMOTE) {
            continue;
        }
        const std::string remote = context.drives->GetConnection(localName);
        list.push_back({{"letter", localName}, {"remoteName", remote}});
        rows.push_back({localName, remote});
    }
    if (context.json) {
        EmitJson(context.out, {{"drives", list}});
    } else {
        PrintTable(context.out, rows);
    }
    return ExitStatus::Ok;
}

}  // namespace halvo::cli
