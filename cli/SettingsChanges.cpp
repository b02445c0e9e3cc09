// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SettingsChanges.h"

#include "cli/DeviceSession.h"
#include "cli/TimezoneTable.h"
#include "wizard/NetworkSettings.h"
#include "wizard/SystemSettings.h"

namespace halvo::cli {

using protocol::DeviceRecord;

namespace {

std::string CheckAddress(const char* what, const std::optional<std::string>& address) {
    if (address && !address->empty() && !IsDottedQuad(*address)) {
        return std::string(what) + " '" + *address + "' is no dotted-quad address";
    }
    return {};
}

}  // namespace

std::string CheckSystemChanges(const SystemChanges& changes) {
    if (changes.description) {
        if (changes.description->size() >
            static_cast<std::size_t>(wizard::DESCRIPTION_READ_LIMIT)) {
            return "the description has more than 63 characters";
        }
        if (!wizard::IsValidDescription(*changes.description)) {
            return std::string(wizard::MSG_DESCRIPTION_INVALID);
        }
    }
    if (changes.timezone && (*changes.timezone < 0 || static_cast<std::size_t>(*changes.timezone) >=
                                                          TimezoneRows().size())) {
        return "timezone " + std::to_string(*changes.timezone) + " is not a row of the table (0-" +
               std::to_string(TimezoneRows().size() - 1) + ")";
    }
    return {};
}

std::string CheckNetworkChanges(const NetworkChanges& changes) {
    for (const std::string& problem :
         {CheckAddress("IP address", changes.ipAddress),
          CheckAddress("subnet mask", changes.subnetMask), CheckAddress("gateway", changes.gateway),
          CheckAddress("primary DNS", changes.primaryDns),
          CheckAddress("secondary DNS", changes.secondaryDns)}) {
        if (!problem.empty()) {
            return problem;
        }
    }
    return {};
}

ExitStatus WriteSystemSettings(const CliContext& context, const DeviceRecord& record,
                               const SystemChanges& changes) {
    const wizard::SystemPageFill fill = wizard::FillSystemPage(record, context.timeZone);
    wizard::SystemPageValues values;
    values.dontAskPassword = changes.askPassword ? !*changes.askPassword : fill.dontAskPassword;
    values.description = changes.description.value_or(fill.description);
    values.description.resize(std::min(values.description.size(),
                                       static_cast<std::size_t>(wizard::DESCRIPTION_READ_LIMIT)));
    values.timezoneRow = changes.timezone.value_or(fill.timezoneRow);
    if (fill.dateTime && !changes.clockFromHost) {
        values.dateTime = *fill.dateTime;
    } else if (const auto now = context.timeZone.ToLocal(context.wallClock())) {
        values.dateTime = *now;
    } else if (changes.clockFromHost) {
        context.messages.Report("the workstation's clock cannot be read as a local time");
        return ExitStatus::Usage;
    }
    if (changes.date) {
        values.dateTime.year = changes.date->year;
        values.dateTime.month = changes.date->month;
        values.dateTime.day = changes.date->day;
    }
    if (changes.time) {
        values.dateTime.hour = changes.time->hour;
        values.dateTime.minute = changes.time->minute;
        values.dateTime.second = changes.time->second;
    }
    // The box's own description goes back unchanged unless replaced, and is checked like one
    // typed into the page.
    if (!wizard::IsValidDescription(values.description)) {
        context.messages.ShowInformation(nullptr, wizard::NOTE_CAPTION,
                                         wizard::MSG_DESCRIPTION_INVALID);
        if (!changes.description) {
            context.messages.Report(DeviceLabel(context, record) +
                                    " keeps a description the check refuses: give --description");
        }
        return ExitStatus::Usage;
    }
    const std::optional<protocol::SystemInfoBlock> block =
        wizard::BuildSystemInfoBlock(record, values, context.timeZone);
    if (!block) {
        context.messages.Report(wizard::MSG_DATE_OUT_OF_RANGE);
        return ExitStatus::Usage;
    }
    return StatusOfWrite(context, record,
                         protocol::SendSystemInfo(context.Protocol(), record, *block));
}

ExitStatus WriteNetworkSettings(const CliContext& context, const DeviceRecord& record,
                                const NetworkChanges& changes) {
    const wizard::NetworkPageFill fill = wizard::FillNetworkPage(record);
    wizard::NetworkPageValues values;
    values.protocolRow = fill.protocolRow;
    if (changes.mode) {
        values.protocolRow = *changes.mode == IpMode::Static ? wizard::PROTOCOL_STATIC_ROW
                                                             : wizard::PROTOCOL_DHCP_ROW;
    }
    values.addresses = fill.addresses;
    const std::optional<std::string>* given[wizard::ADDRESS_COUNT] = {
        &changes.ipAddress, &changes.subnetMask, &changes.gateway, &changes.primaryDns,
        &changes.secondaryDns};
    for (std::size_t i = 0; i < wizard::ADDRESS_COUNT; ++i) {
        if (*given[i]) {
            values.addresses[i] = **given[i];
        }
    }
    const protocol::NetworkInfoBlock block = wizard::BuildNetworkInfoBlock(values);
    return StatusOfWrite(context, record,
                         protocol::SendNetworkInfo(context.Protocol(), record, block));
}

}  // namespace halvo::cli
