// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/DeviceRecord.h"

#include <algorithm>

namespace halvo::protocol {

std::unique_ptr<DeviceRecord> RecordFromDiscoveryReply(const DiscoveryReply& reply) {
    auto record = std::make_unique<DeviceRecord>();
    record->macAddress = reply.macAddress;
    record->name = reply.name;
    record->ipAddress = reply.ipAddress;
    record->webPort = reply.webPort;
    return record;
}

std::unique_ptr<DeviceRecord> RecordFromDiscoveryReply(std::span<const std::uint8_t> bytes) {
    const auto reply = DecodeDiscoveryReply(bytes);
    if (!reply) {
        return nullptr;
    }
    return RecordFromDiscoveryReply(*reply);
}

void ApplySystemInfo(DeviceRecord& record, const SystemInfoReply& reply) {
    record.firmwareVersion = reply.firmwareVersion;
    record.passwordRequired = reply.block.passwordRequired;
    record.description = reply.block.description;
    record.date = reply.block.date;
    record.time = reply.block.time;
    record.timezoneIndex = reply.block.timezoneIndex;
}

bool ApplySystemInfoReply(DeviceRecord& record, std::span<const std::uint8_t> bytes) {
    const auto reply = DecodeSystemInfoReply(bytes);
    if (!reply) {
        return false;
    }
    ApplySystemInfo(record, *reply);
    return true;
}

void ApplyNetworkInfo(DeviceRecord& record, const NetworkInfoBlock& block) {
    record.ipMode = block.ipMode;
    record.ipAddress = block.ipAddress;
    record.subnetMask = block.subnetMask;
    record.gateway = block.gateway;
    record.primaryDns = block.primaryDns;
    record.secondaryDns = block.secondaryDns;
}

bool ApplyNetworkInfoReply(DeviceRecord& record, std::span<const std::uint8_t> bytes) {
    const auto block = DecodeNetworkInfoReply(bytes);
    if (!block) {
        return false;
    }
    ApplyNetworkInfo(record, *block);
    return true;
}

bool ApplyShareCountReply(DeviceRecord& record, std::span<const std::uint8_t> bytes) {
    const auto count = DecodeShareCountReply(bytes);
    if (!count) {
        return false;
    }
    record.shareCount = *count;
    return true;
}

bool ApplySharePageReply(DeviceRecord& record, std::span<const std::uint8_t> bytes,
                         std::uint8_t page) {
    auto reply = DecodeSharePageReply(bytes);
    if (!reply || reply->page != page) {
        return false;
    }
    for (auto& entry : reply->names) {
        record.shares.push_back(std::move(entry));
    }
    return true;
}

int SharePagesToRequest(std::int16_t shareCount) {
    if (shareCount <= 0) {
        return 0;
    }
    return std::min(shareCount / static_cast<int>(SHARES_PER_PAGE) + 1, MAX_SHARE_PAGES);
}

}  // namespace halvo::protocol
