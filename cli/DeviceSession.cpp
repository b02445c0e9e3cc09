// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/DeviceSession.h"

#include <span>

#include "cli/Diagnostics.h"
#include "cli/Values.h"
#include "protocol/DeviceRoutes.h"
#include "protocol/Discovery.h"
#include "protocol/WireFormat.h"
#include "wizard/VerificationGate.h"

namespace halvo::cli {

using protocol::DeviceRecord;

namespace {

// The verification dialog's edits take at most these many bytes in the code page.
constexpr std::size_t ADMIN_NAME_LIMIT = 16;
constexpr std::size_t ADMIN_PASSWORD_LIMIT = 8;

// The check as the verification dialog runs it, with one attempt: a refusal ends the command.
class CliVerifyPrompt final : public wizard::VerifyPrompt {
  public:
    CliVerifyPrompt(const CliContext& context, const std::string& name)
        : context_(context), name_(name) {}

    int Run(const DeviceRecord& record) override {
        std::string problem;
        std::optional<Secret> password = context_.adminSecrets.Read(
            "Administrator password for " + DeviceLabel(context_, record), problem);
        if (!password) {
            context_.messages.Report(problem);
            status = ExitStatus::Usage;
            return CANCELLED;
        }
        std::optional<std::string> encoded = context_.codec.Encode(password->view());
        password->Wipe();
        if (!encoded) {
            context_.messages.Report("the administrator password has characters that code page " +
                                     std::to_string(context_.codec.CodePage()) + " cannot write");
            status = ExitStatus::Usage;
            return CANCELLED;
        }
        Secret bytes;
        const bool held = bytes.Assign(*encoded);
        protocol::SecureZero(std::span<char>(encoded->data(), encoded->size()));
        if (!held || bytes.size() > ADMIN_PASSWORD_LIMIT) {
            bytes.Wipe();
            context_.messages.Report(
                "the administrator password has more than 8 bytes in code page " +
                std::to_string(context_.codec.CodePage()));
            status = ExitStatus::Usage;
            return CANCELLED;
        }
        const protocol::StatusOutcome outcome =
            protocol::VerifyAdmin(context_.Protocol(), record, name_, bytes.view());
        bytes.Wipe();
        switch (outcome) {
            case protocol::StatusOutcome::Accepted:
                status = ExitStatus::Ok;
                return ACCEPTED;
            case protocol::StatusOutcome::Refused:
                status = ExitStatus::Refused;
                break;
            case protocol::StatusOutcome::TimedOut:
                status = ExitStatus::TimedOut;
                break;
            case protocol::StatusOutcome::NotSent:
                status = ExitStatus::NetworkFailure;
                break;
            case protocol::StatusOutcome::OtherReply:
                context_.messages.Report(DeviceLabel(context_, record) +
                                         " answered the check with another command: not verified");
                status = ExitStatus::Refused;
                break;
        }
        return CANCELLED;
    }

    ExitStatus status = ExitStatus::Ok;

  private:
    static constexpr int ACCEPTED = 1;
    static constexpr int CANCELLED = 2;

    const CliContext& context_;
    const std::string& name_;
};

bool SameMac(const DeviceRecord& a, const DeviceRecord& b) {
    return a.macAddress == b.macAddress;
}

// Whether the box answered the unicast request to `address`: a box behind a router may report an
// address of its own network that the workstation does not reach it by.
bool AskedAt(const DeviceRecord& record, std::optional<std::uint32_t> address) {
    return address && record.route.kind == protocol::DeviceRoute::Kind::Unicast &&
           record.route.unicastAddress == *address;
}

}  // namespace

std::string DeviceLabel(const CliContext& context, const DeviceRecord& record) {
    return context.Text(record.name.view()) + " (" + protocol::FormatMacAddress(record.macAddress) +
           ")";
}

ExitStatus DiscoverDevices(const CliContext& context, DeviceList& devices,
                           protocol::DiscoveryResult* asked) {
    devices.clear();
    protocol::DiscoveryTargets targets;
    targets.addresses = context.addresses;
    protocol::DiscoveryResult result = protocol::Discover(
        context.Protocol(),
        [&devices](std::unique_ptr<DeviceRecord> record) { devices.push_back(std::move(record)); },
        targets);
    if (result.ran && devices.empty()) {
        context.messages.Note("no box answered; " + AskedText(result));
        context.messages.Note("likely causes:");
        for (const std::string& cause : NoAnswerCauses(context.system)) {
            context.messages.Note("  - " + cause);
        }
    }
    const ExitStatus status = result.ran ? ExitStatus::Ok : ExitStatus::NetworkFailure;
    if (asked != nullptr) {
        *asked = std::move(result);
    }
    return status;
}

DeviceRecord* FindDevice(const CliContext& context, const DeviceList& devices,
                         std::string_view device, ExitStatus& status,
                         const protocol::DiscoveryResult* asked) {
    const std::optional<protocol::MacAddress> mac = ParseMac(device);
    const bool byAddress = !mac && IsDottedQuad(device);
    const std::optional<std::uint32_t> address =
        byAddress ? protocol::ParseIPv4(device) : std::nullopt;
    std::vector<DeviceRecord*> matches;
    for (const auto& record : devices) {
        const bool fits = mac ? record->macAddress == *mac
                          : byAddress
                              ? record->ipAddress.view() == device || AskedAt(*record, address)
                              : context.Text(record->name.view()) == device;
        if (!fits) {
            continue;
        }
        bool repeated = false;
        for (const DeviceRecord* seen : matches) {
            repeated = repeated || SameMac(*seen, *record);
        }
        if (!repeated) {
            matches.push_back(record.get());
        }
    }
    if (matches.size() == 1) {
        return matches.front();
    }
    status = ExitStatus::Refused;
    if (matches.empty()) {
        // With no answer at all the discovery has said where it asked already.
        if (asked != nullptr && !devices.empty()) {
            context.messages.Note(AskedText(*asked));
        }
        context.messages.Report("no box answered as '" + std::string(device) + "'");
        return nullptr;
    }
    std::string names;
    for (const DeviceRecord* record : matches) {
        names += names.empty() ? "" : ", ";
        names += DeviceLabel(context, *record) + " at " + record->ipAddress.str();
    }
    context.messages.Report("'" + std::string(device) + "' names " +
                            std::to_string(matches.size()) + " boxes: " + names +
                            "; give the MAC address");
    return nullptr;
}

void CapturedDetails::ClearDetails() {
    firmwareVersion.clear();
    description.clear();
    macAddress.clear();
    ipAddress.clear();
    ipStatus.clear();
    volumes.clear();
}

void CapturedDetails::ShowBasicInformation(std::string_view firmware, std::string_view text,
                                           std::string_view mac, std::string_view ip,
                                           std::string_view status) {
    firmwareVersion = firmware;
    description = text;
    macAddress = mac;
    ipAddress = ip;
    ipStatus = status;
}

void CapturedDetails::ShowVolumes(const std::vector<protocol::VolumeRow>& rows) {
    volumes = rows;
}

ExitStatus QueryDetails(const CliContext& context, DeviceRecord& record, CapturedDetails& details) {
    switch (protocol::RunDetailQuery(context.Protocol(), record, details)) {
        case protocol::DetailQueryResult::Completed:
            return ExitStatus::Ok;
        case protocol::DetailQueryResult::SetupFailed:
            return ExitStatus::NetworkFailure;
        case protocol::DetailQueryResult::TimedOut:
            return ExitStatus::TimedOut;
    }
    return ExitStatus::NetworkFailure;
}

ExitStatus PassVerification(const CliContext& context, const DeviceRecord& record,
                            const std::optional<std::string>& adminName) {
    if (record.passwordRequired == 0) {
        return ExitStatus::Ok;
    }
    if (!adminName) {
        context.messages.Report(DeviceLabel(context, record) +
                                " asks for the administrator check: give --admin NAME");
        return ExitStatus::Usage;
    }
    const std::optional<std::string> nameBytes = context.codec.Encode(*adminName);
    if (!nameBytes) {
        context.messages.Report("the administrator name has characters that code page " +
                                std::to_string(context.codec.CodePage()) + " cannot write");
        return ExitStatus::Usage;
    }
    if (nameBytes->size() > ADMIN_NAME_LIMIT) {
        context.messages.Report("the administrator name has more than 16 bytes in code page " +
                                std::to_string(context.codec.CodePage()));
        return ExitStatus::Usage;
    }
    CliVerifyPrompt prompt(context, *nameBytes);
    const wizard::GateOutcome outcome = wizard::RunVerificationGate(record, prompt);
    return wizard::MayGoOn(outcome) ? ExitStatus::Ok : prompt.status;
}

ExitStatus StatusOfWrite(const CliContext& context, const DeviceRecord& record,
                         protocol::StatusOutcome outcome) {
    switch (outcome) {
        case protocol::StatusOutcome::Accepted:
            return ExitStatus::Ok;
        case protocol::StatusOutcome::Refused:
            return ExitStatus::Refused;
        case protocol::StatusOutcome::TimedOut:
            return ExitStatus::TimedOut;
        case protocol::StatusOutcome::NotSent:
            return ExitStatus::NetworkFailure;
        case protocol::StatusOutcome::OtherReply:
            context.messages.Report(DeviceLabel(context, record) +
                                    " answered with another command: the change is not confirmed");
            return ExitStatus::Refused;
    }
    return ExitStatus::Refused;
}

}  // namespace halvo::cli
