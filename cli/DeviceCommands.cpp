// SPDX-License-Identifier: GPL-3.0-or-later
// discover, show, set-system, set-network, web and timezones.
#include "cli/Commands.h"
#include "cli/DeviceSession.h"
#include "cli/Output.h"
#include "cli/TimezoneTable.h"
#include "protocol/DeviceAddresses.h"

namespace halvo::cli {

using protocol::DeviceRecord;

namespace {

// Discovery, then the named box; null with `status` set when there is none to work on.
DeviceRecord* Resolve(const CliContext& context, DeviceList& devices, std::string_view device,
                      ExitStatus& status) {
    protocol::DiscoveryResult asked;
    status = DiscoverDevices(context, devices, &asked);
    if (status != ExitStatus::Ok) {
        return nullptr;
    }
    return FindDevice(context, devices, device, status, &asked);
}

void ReportWritten(const CliContext& context, const DeviceRecord& record, const char* what) {
    if (context.json) {
        EmitJson(context.out, {{"name", context.Text(record.name.view())},
                               {"macAddress", protocol::FormatMacAddress(record.macAddress)},
                               {"written", what}});
    } else {
        context.out << DeviceLabel(context, record) << ": " << what << " settings written"
                    << std::endl;
    }
}

// Discovery, the box, its current values, the check: what a change needs first.
DeviceRecord* PrepareChange(const CliContext& context, DeviceList& devices, std::string_view device,
                            const std::optional<std::string>& admin, ExitStatus& status) {
    DeviceRecord* record = Resolve(context, devices, device, status);
    if (record == nullptr) {
        return nullptr;
    }
    CapturedDetails details;
    status = QueryDetails(context, *record, details);
    if (status == ExitStatus::Ok) {
        status = PassVerification(context, *record, admin);
    }
    return status == ExitStatus::Ok ? record : nullptr;
}

}  // namespace

ExitStatus RunDiscover(const CliContext& context) {
    DeviceList devices;
    protocol::DiscoveryResult asked;
    const ExitStatus status = DiscoverDevices(context, devices, &asked);
    if (status != ExitStatus::Ok) {
        return status;
    }
    if (context.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& record : devices) {
            list.push_back(DiscoveredJson(context, *record));
        }
        EmitJson(context.out, {{"devices", list}, {"asked", AskedJson(asked)}});
        return status;
    }
    std::vector<std::vector<std::string>> rows = {
        {"NAME", "MAC", "ADDRESS", "WEB PORT", "INTERFACE"}};
    for (const auto& record : devices) {
        rows.push_back({context.Text(record->name.view()),
                        protocol::FormatMacAddress(record->macAddress), record->ipAddress.str(),
                        std::to_string(record->webPort), RouteText(record->route)});
    }
    PrintTable(context.out, rows);
    return status;
}

ExitStatus RunShow(const CliContext& context, std::string_view device) {
    DeviceList devices;
    ExitStatus status = ExitStatus::Ok;
    DeviceRecord* record = Resolve(context, devices, device, status);
    if (record == nullptr) {
        return status;
    }
    CapturedDetails details;
    status = QueryDetails(context, *record, details);
    if (status != ExitStatus::Ok) {
        return status;
    }
    if (context.json) {
        EmitJson(context.out, DetailsJson(context, *record, details));
    } else {
        PrintDetails(context, *record, details);
    }
    return Combine(status, context.messages.Status());
}

ExitStatus RunShowAll(const CliContext& context) {
    DeviceList devices;
    ExitStatus status = DiscoverDevices(context, devices);
    if (status != ExitStatus::Ok) {
        return status;
    }
    nlohmann::json list = nlohmann::json::array();
    for (const auto& record : devices) {
        CapturedDetails details;
        const ExitStatus boxStatus = QueryDetails(context, *record, details);
        if (boxStatus != ExitStatus::Ok) {
            status = Combine(status, boxStatus);
            const std::string failure = context.messages.LastLine();
            context.messages.Report(DeviceLabel(context, *record) + ": no details");
            nlohmann::json entry = DiscoveredJson(context, *record);
            entry["error"] = failure;
            entry["exitStatus"] = Code(boxStatus);
            list.push_back(entry);
            continue;
        }
        if (context.json) {
            list.push_back(DetailsJson(context, *record, details));
        } else {
            PrintDetails(context, *record, details);
            context.out << std::endl;
        }
    }
    if (context.json) {
        EmitJson(context.out, {{"devices", list}});
    }
    return Combine(status, context.messages.Status());
}

namespace {

// A settings command: the values checked before anything is sent, then the box found (and
// verified) and written once.
template <class Changes, class Check, class Write>
ExitStatus RunSet(const CliContext& context, std::string_view device, const Changes& changes,
                  const std::optional<std::string>& admin, Check check, Write write,
                  const char* what) {
    if (const std::string problem = check(changes); !problem.empty()) {
        context.messages.Report(problem);
        return ExitStatus::Usage;
    }
    DeviceList devices;
    ExitStatus status = ExitStatus::Ok;
    DeviceRecord* record = PrepareChange(context, devices, device, admin, status);
    if (record == nullptr) {
        return status;
    }
    status = write(context, *record, changes);
    if (status == ExitStatus::Ok) {
        ReportWritten(context, *record, what);
    }
    return Combine(status, context.messages.Status());
}

}  // namespace

ExitStatus RunSetSystem(const CliContext& context, std::string_view device,
                        const SystemChanges& changes, const std::optional<std::string>& admin) {
    return RunSet(context, device, changes, admin, CheckSystemChanges, WriteSystemSettings,
                  "system");
}

ExitStatus RunSetNetwork(const CliContext& context, std::string_view device,
                         const NetworkChanges& changes, const std::optional<std::string>& admin) {
    return RunSet(context, device, changes, admin, CheckNetworkChanges, WriteNetworkSettings,
                  "network");
}

ExitStatus RunWeb(const CliContext& context, std::string_view device, bool open) {
    DeviceList devices;
    ExitStatus status = ExitStatus::Ok;
    DeviceRecord* record = Resolve(context, devices, device, status);
    if (record == nullptr) {
        return status;
    }
    const std::string address = protocol::WebAddress(*record);
    if (context.json) {
        EmitJson(context.out, {{"name", context.Text(record->name.view())},
                               {"macAddress", protocol::FormatMacAddress(record->macAddress)},
                               {"webAddress", address}});
    } else {
        context.out << address << std::endl;
    }
    if (open && !context.shell.Open(address)) {
        context.messages.Report("the desktop could not open " + address);
        return ExitStatus::Refused;
    }
    return Combine(status, context.messages.Status());
}

ExitStatus RunTimezones(const CliContext& context) {
    const auto& rows = TimezoneRows();
    if (context.json) {
        nlohmann::json list = nlohmann::json::array();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            list.push_back({{"timezoneIndex", i}, {"timezone", rows[i]}});
        }
        EmitJson(context.out, {{"timezones", list}});
        return ExitStatus::Ok;
    }
    std::vector<std::vector<std::string>> table;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        table.push_back({std::to_string(i), rows[i]});
    }
    PrintTable(context.out, table);
    return ExitStatus::Ok;
}

}  // namespace halvo::cli
