// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/device/DeviceReplies.h"

#include <algorithm>

#include "protocol/WireLayout.h"

namespace halvo::protocol {

using namespace layout;

namespace {

Bytes MakeReply(std::uint16_t command, std::size_t size) {
    Bytes bytes(std::max(size, HEADER_SIZE), 0);
    ByteWriter(bytes).U16(OFF_COMMAND, command);
    return bytes;
}

}  // namespace

Bytes EncodeDiscoveryReply(const MacAddress& mac, std::string_view name, std::string_view ipAddress,
                           std::uint16_t webPort) {
    Bytes bytes = MakeReply(CMD_DISCOVER, DISCOVERY_REPLY_MIN_SIZE);
    ByteWriter w(bytes);
    w.Raw(OFF_DEVICE_MAC, mac);
    w.Text(OFF_DISC_SIGNATURE, 4, DISCOVERY_SIGNATURE);
    w.Text(OFF_DISC_NAME, 16, name);
    w.Text(OFF_DISC_IP, 16, ipAddress);
    w.U16(OFF_DISC_WEB_PORT, webPort);
    return bytes;
}

Bytes EncodeSystemInfoReply(std::string_view firmwareVersion, const SystemInfoBlock& block) {
    Bytes bytes = MakeReply(CMD_GET_SYSTEM_INFO, SYSTEM_INFO_REPLY_SIZE);
    ByteWriter w(bytes);
    w.Text(OFF_SYS_FIRMWARE, 4, firmwareVersion);
    WriteSystemBlock(w, OFF_SYS_BLOCK, block, 64);
    return bytes;
}

Bytes EncodeNetworkInfoReply(const NetworkInfoBlock& block) {
    Bytes bytes = MakeReply(CMD_GET_NETWORK_INFO, NETWORK_INFO_REPLY_SIZE);
    ByteWriter w(bytes);
    WriteNetworkBlock(w, OFF_PAYLOAD, block);
    return bytes;
}

Bytes EncodeShareCountReply(std::int16_t count) {
    Bytes bytes = MakeReply(CMD_GET_SHARE_COUNT, SHARE_COUNT_REPLY_SIZE);
    ByteWriter(bytes).S16(OFF_SHARE_COUNT, count);
    return bytes;
}

Bytes EncodeSharePageReply(std::uint8_t page, const std::vector<std::string_view>& names,
                           std::optional<std::uint8_t> declaredCount) {
    const std::size_t fit = (DATAGRAM_CAPACITY - OFF_PAGE_NAMES) / SHARE_ENTRY_SIZE;
    const std::size_t n = std::min(names.size(), fit);
    Bytes bytes = MakeReply(CMD_GET_SHARE_PAGE, OFF_PAGE_NAMES + n * SHARE_ENTRY_SIZE);
    ByteWriter w(bytes);
    w.U8(OFF_PAGE_INDEX, page);
    w.U8(OFF_PAGE_COUNT, declaredCount.value_or(static_cast<std::uint8_t>(n)));
    for (std::size_t i = 0; i < n; ++i) {
        w.Text(OFF_PAGE_NAMES + i * SHARE_ENTRY_SIZE, SHARE_ENTRY_SIZE, names[i]);
    }
    return bytes;
}

Bytes EncodeVolumeInfoReply(const std::vector<VolumeEntry>& volumes,
                            std::optional<std::uint8_t> declaredCount) {
    const std::size_t fit = (DATAGRAM_CAPACITY - OFF_VOLUMES) / VOLUME_ENTRY_SIZE;
    const std::size_t n = std::min(volumes.size(), fit);
    Bytes bytes = MakeReply(CMD_GET_VOLUME_INFO, OFF_VOLUMES + n * VOLUME_ENTRY_SIZE);
    ByteWriter w(bytes);
    w.U8(OFF_VOLUME_COUNT, declaredCount.value_or(static_cast<std::uint8_t>(n)));
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t base = OFF_VOLUMES + i * VOLUME_ENTRY_SIZE;
        const VolumeEntry& v = volumes[i];
        w.Text(base + VOL_SHARE_NAME, 36, v.shareName.view());
        w.Text(base + VOL_DEVICE_ID, 16, v.deviceId.view());
        w.Text(base + VOL_FS_TYPE, 10, v.fsType.view());
        w.S32(base + VOL_TOTAL_MB, v.totalSizeMb);
        w.S16(base + VOL_FREE_PERCENT, v.freePercent);
    }
    return bytes;
}

Bytes EncodeStatusReply(std::uint16_t command, std::uint16_t status) {
    Bytes bytes = MakeReply(command, HEADER_SIZE);
    ByteWriter(bytes).U16(OFF_STATUS, status);
    return bytes;
}

std::optional<SystemInfoBlock> DecodeSetSystemInfoRequest(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    SystemInfoBlock block;
    if (!CommandIs(r, CMD_SET_SYSTEM_INFO) || !ReadSystemBlock(r, OFF_PAYLOAD, block)) {
        return std::nullopt;
    }
    return block;
}

std::optional<NetworkInfoBlock> DecodeSetNetworkInfoRequest(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    NetworkInfoBlock block;
    if (!CommandIs(r, CMD_SET_NETWORK_INFO) || !ReadNetworkBlock(r, OFF_PAYLOAD, block)) {
        return std::nullopt;
    }
    return block;
}

std::optional<AdminCredentials> DecodeVerifyAdminRequest(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    AdminCredentials c;
    if (!CommandIs(r, CMD_VERIFY_ADMIN) || !r.Text(OFF_ADMIN_NAME, ADMIN_NAME_WIDTH, c.name) ||
        !r.Text(OFF_ADMIN_PASSWORD, ADMIN_PASSWORD_WIDTH, c.password)) {
        return std::nullopt;
    }
    return c;
}

std::optional<std::uint8_t> DecodeSharePageRequest(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    if (!CommandIs(r, CMD_GET_SHARE_PAGE)) {
        return std::nullopt;
    }
    return r.U8(OFF_PAGE_INDEX);
}

}  // namespace halvo::protocol
