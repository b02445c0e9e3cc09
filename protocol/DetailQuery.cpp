// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/DetailQuery.h"

#include <cstdio>

#include "protocol/DeviceRecord.h"
#include "protocol/WireFormat.h"

namespace halvo::protocol {

namespace {

// One step: send, wait for the first datagram. False on timeout (its message is shown).
bool Ask(DeviceExchange& exchange, const Request& request, const ExchangeFigures& figures,
         Reply& reply) {
    return exchange.Transact(request, figures, reply) == TransactResult::Reply;
}

}  // namespace

DetailQueryResult RunDetailQuery(const ProtocolContext& context, DeviceRecord& record,
                                 DetailView& view) {
    view.ClearDetails();

    DeviceExchange exchange(context);
    if (!exchange.Open(platform::SOCKET_VERSION_2_2, record.route)) {
        return DetailQueryResult::SetupFailed;
    }
    const MacAddress mac = record.macAddress;
    Reply reply;  // one buffer for every step, as one socket serves them all

    // Every timeout leaves here at once: the caller frees the record next.
    const auto timedOut = [&exchange] {
        exchange.Close();
        return DetailQueryResult::TimedOut;
    };

    if (!Ask(exchange, EncodeGetSystemInfo(mac), SYSTEM_INFO_EXCHANGE, reply)) {
        return timedOut();
    }
    ApplySystemInfoReply(record, reply.bytes());

    if (!Ask(exchange, EncodeGetNetworkInfo(mac), NETWORK_INFO_EXCHANGE, reply)) {
        return timedOut();
    }
    ApplyNetworkInfoReply(record, reply.bytes());
    // Shown whatever the network reply was, from the record as it now stands.
    view.ShowBasicInformation(FormatFirmwareVersion(record.firmwareVersion),
                              record.description.view(), FormatMacAddress(record.macAddress),
                              record.ipAddress.view(), IpStatusText(record.ipMode));

    if (!Ask(exchange, EncodeGetShareCount(mac), SHARE_COUNT_EXCHANGE, reply)) {
        return timedOut();
    }
    // Another command keeps the earlier count; the list is rebuilt either way.
    ApplyShareCountReply(record, reply.bytes());
    record.shares.clear();

    const int pages = SharePagesToRequest(record.shareCount);
    for (int page = 0; page < pages; ++page) {
        const auto index = static_cast<std::uint8_t>(page);
        if (!Ask(exchange, EncodeGetSharePage(mac, index), SHARE_PAGE_EXCHANGE, reply)) {
            return timedOut();
        }
        // A page echoing another index adds nothing and is not asked for again.
        ApplySharePageReply(record, reply.bytes(), index);
    }

    if (!Ask(exchange, EncodeGetVolumeInfo(mac), VOLUME_INFO_EXCHANGE, reply)) {
        return timedOut();
    }
    if (const auto volumes = DecodeVolumeInfoReply(reply.bytes())) {
        std::vector<VolumeRow> rows;
        rows.reserve(volumes->volumes.size());
        for (const auto& volume : volumes->volumes) {
            rows.push_back(FormatVolumeRow(volume));
        }
        view.ShowVolumes(rows);
    }

    view.EnableDeviceButtons();
    exchange.Close();
    return DetailQueryResult::Completed;
}

std::string FormatFirmwareVersion(const FixedText<4>& firmwareVersion) {
    const auto& c = firmwareVersion.bytes;
    const char text[] = {'V', c[0], c[1], 'R', c[2], c[3], '\0'};
    return std::string(text);  // ends at the first NUL
}

std::string FormatMacAddress(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

std::string_view IpStatusText(std::uint8_t ipMode) {
    switch (ipMode) {
        case 0:
            return "Static ip";
        case 1:
            return "DHCP";
        default:
            return {};
    }
}

VolumeRow FormatVolumeRow(const VolumeEntry& volume) {
    return VolumeRow{
        volume.shareName.str(),
        volume.deviceId.str(),
        volume.fsType.str(),
        std::to_string(volume.totalSizeMb),
        std::to_string(volume.freePercent) + "%",
    };
}

}  // namespace halvo::protocol
