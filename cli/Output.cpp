// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Output.h"

#include <algorithm>

#include "cli/TimezoneTable.h"
#include "protocol/DeviceRoutes.h"

namespace halvo::cli {

using protocol::DeviceRecord;

namespace {

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string TimezoneLine(int index) {
    const std::string_view text = TimezoneText(index);
    return std::to_string(index) + (text.empty() ? " (not a row of the table)" : "  ") +
           std::string(text);
}

// Terminal columns a UTF-8 text takes: one per character, two for the wide characters of East
// Asian scripts, so that a column of Chinese names stays aligned.
std::size_t ColumnsOf(std::string_view utf8) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t c = length == 1 ? lead : lead & (0xFFu >> (length + 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) {
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        }
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                          (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                          (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
        columns += wide ? 2 : 1;
        i += length;
    }
    return columns;
}

}  // namespace

void EmitJson(std::ostream& out, const nlohmann::json& document) {
    out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], ColumnsOf(row[i]));
        }
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) {
                line.append(widths[i] - ColumnsOf(row[i]) + 2, ' ');
            }
        }
        out << line << '\n';
    }
    out.flush();
}

nlohmann::json AskedJson(const protocol::DiscoveryResult& result) {
    nlohmann::json adapters = nlohmann::json::array();
    for (const auto& adapter : result.askedOn) {
        adapters.push_back(
            {{"name", adapter.name}, {"ipAddress", protocol::FormatIPv4(adapter.address)}});
    }
    nlohmann::json addresses = nlohmann::json::array();
    for (const std::uint32_t address : result.askedAddresses) {
        addresses.push_back(protocol::FormatIPv4(address));
    }
    return {
        {"adapters", adapters}, {"addresses", addresses}, {"routedBroadcast", result.askedDefault}};
}

std::string DisplayDate(std::string_view date) {
    if (date.size() != 8 || !AllDigits(date)) {
        return std::string(date);
    }
    return std::string(date.substr(0, 4)) + "-" + std::string(date.substr(4, 2)) + "-" +
           std::string(date.substr(6, 2));
}

std::string DisplayTime(std::string_view time) {
    if (time.size() != 6 || !AllDigits(time)) {
        return std::string(time);
    }
    return std::string(time.substr(0, 2)) + ":" + std::string(time.substr(2, 2)) + ":" +
           std::string(time.substr(4, 2));
}

std::string RouteText(const protocol::DeviceRoute& route) {
    switch (route.kind) {
        case protocol::DeviceRoute::Kind::Interface:
            return route.interfaceName.str();
        case protocol::DeviceRoute::Kind::Unicast:
            return "unicast";
        case protocol::DeviceRoute::Kind::Default:
            break;
    }
    return "default";
}

nlohmann::json DiscoveredJson(const CliContext& context, const DeviceRecord& record) {
    return {{"name", context.Text(record.name.view())},
            {"macAddress", protocol::FormatMacAddress(record.macAddress)},
            {"ipAddress", record.ipAddress.str()},
            {"webPort", record.webPort},
            {"route", RouteText(record.route)}};
}

nlohmann::json DetailsJson(const CliContext& context, const DeviceRecord& record,
                           const CapturedDetails& details) {
    nlohmann::json document = DiscoveredJson(context, record);
    document["description"] = context.Text(record.description.view());
    document["firmwareVersion"] = record.firmwareVersion.str();
    document["firmware"] = details.firmwareVersion;
    document["passwordRequired"] = record.passwordRequired;
    document["ipMode"] = record.ipMode;
    document["ipStatus"] = details.ipStatus;
    document["subnetMask"] = record.subnetMask.str();
    document["gateway"] = record.gateway.str();
    document["primaryDns"] = record.primaryDns.str();
    document["secondaryDns"] = record.secondaryDns.str();
    document["date"] = record.date.str();
    document["time"] = record.time.str();
    document["timezoneIndex"] = record.timezoneIndex;
    document["timezone"] = std::string(TimezoneText(record.timezoneIndex));
    document["shareCount"] = record.shareCount;
    nlohmann::json shares = nlohmann::json::array();
    for (const protocol::ShareEntry& share : record.shares) {
        shares.push_back(context.Text(share.name.view()));
    }
    document["shares"] = shares;
    nlohmann::json volumes = nlohmann::json::array();
    for (const protocol::VolumeRow& row : details.volumes) {
        volumes.push_back({{"shareName", context.Text(row.shareName)},
                           {"deviceId", context.Text(row.deviceId)},
                           {"fsType", context.Text(row.fsType)},
                           {"totalSizeMb", row.totalSizeMb},
                           {"freeSpace", row.freeSpace}});
    }
    document["volumes"] = volumes;
    return document;
}

void PrintDetails(const CliContext& context, const DeviceRecord& record,
                  const CapturedDetails& details) {
    std::ostream& out = context.out;
    std::string shares = std::to_string(record.shareCount);
    for (std::size_t i = 0; i < record.shares.size(); ++i) {
        shares += (i == 0 ? ": " : ", ") + context.Text(record.shares[i].name.view());
    }
    PrintTable(out, {
                        {"Name:", context.Text(record.name.view())},
                        {"Firmware Version:", details.firmwareVersion},
                        {"Description:", context.Text(details.description)},
                        {"Mac address:", details.macAddress},
                        {"IP address:", details.ipAddress},
                        {"IP status:", details.ipStatus},
                        {"Subnet mask:", record.subnetMask.str()},
                        {"Default gateway:", record.gateway.str()},
                        {"Primary dns:", record.primaryDns.str()},
                        {"Secondary dns:", record.secondaryDns.str()},
                        {"Date:", DisplayDate(record.date.view())},
                        {"Time:", DisplayTime(record.time.view())},
                        {"Timezone:", TimezoneLine(record.timezoneIndex)},
                        {"Password asked:", record.passwordRequired != 0 ? "yes" : "no"},
                        {"Web port:", std::to_string(record.webPort)},
                        {"Interface:", RouteText(record.route)},
                        {"Shares:", shares},
                    });
    if (details.volumes.empty()) {
        out << "USB information: none" << std::endl;
        return;
    }
    out << "USB information:\n";
    std::vector<std::vector<std::string>> rows = {
        {"  Share Name", "Device Id", "FS Type", "Total Size(MB)", "Free Space"}};
    for (const protocol::VolumeRow& row : details.volumes) {
        rows.push_back({"  " + context.Text(row.shareName), context.Text(row.deviceId),
                        context.Text(row.fsType), row.totalSizeMb, row.freeSpace});
    }
    PrintTable(out, rows);
}

}  // namespace halvo::cli
