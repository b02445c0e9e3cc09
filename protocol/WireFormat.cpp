// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/WireFormat.h"

#include <algorithm>

#include "protocol/WireLayout.h"

namespace halvo::protocol {

using namespace layout;

namespace {

Request MakeRequest(std::uint16_t command, const MacAddress& mac, std::uint16_t payloadLength) {
    Request request;
    ByteWriter w(request.buffer);
    w.U16(OFF_COMMAND, command);
    w.U16(OFF_STATUS, 0);
    w.U16(OFF_PAYLOAD_LENGTH, payloadLength);
    w.Raw(OFF_DEVICE_MAC, mac);
    request.length = HEADER_SIZE + payloadLength;
    return request;
}

// The five address texts in their wire order.
std::array<FixedText<15>*, 5> Addresses(NetworkInfoBlock& b) {
    return {&b.ipAddress, &b.subnetMask, &b.gateway, &b.primaryDns, &b.secondaryDns};
}
std::array<const FixedText<15>*, 5> Addresses(const NetworkInfoBlock& b) {
    return {&b.ipAddress, &b.subnetMask, &b.gateway, &b.primaryDns, &b.secondaryDns};
}

}  // namespace

// ---- Layout helpers, shared with the device side ----------------------------------------------

namespace layout {

void WriteSystemBlock(ByteWriter& w, std::size_t base, const SystemInfoBlock& b,
                      std::size_t descriptionWidth) {
    w.U8(base + BLK_SYS_PASSWORD, b.passwordRequired);
    w.Text(base + BLK_SYS_NAME, 16, b.name.view());
    w.Text(base + BLK_SYS_DESCRIPTION, descriptionWidth, b.description.view());
    w.Text(base + BLK_SYS_DATE, 8, b.date.view());
    w.Text(base + BLK_SYS_TIME, 6, b.time.view());
    w.U8(base + BLK_SYS_TIMEZONE, b.timezoneIndex);
}

bool ReadSystemBlock(const ByteReader& r, std::size_t base, SystemInfoBlock& b) {
    if (!r.Has(base, SYSTEM_INFO_BLOCK_SIZE)) {
        return false;
    }
    b.passwordRequired = *r.U8(base + BLK_SYS_PASSWORD);
    r.Text(base + BLK_SYS_NAME, 16, b.name);
    r.Text(base + BLK_SYS_DESCRIPTION, 64, b.description);
    r.Text(base + BLK_SYS_DATE, 8, b.date);
    r.Text(base + BLK_SYS_TIME, 6, b.time);
    b.timezoneIndex = *r.U8(base + BLK_SYS_TIMEZONE);
    return true;
}

void WriteNetworkBlock(ByteWriter& w, std::size_t base, const NetworkInfoBlock& b) {
    w.U8(base + BLK_NET_MODE, b.ipMode);
    std::size_t offset = base + BLK_NET_ADDRESSES;
    for (const auto* text : Addresses(b)) {
        w.Text(offset, ADDRESS_WIDTH, text->view());
        offset += ADDRESS_WIDTH;
    }
}

bool ReadNetworkBlock(const ByteReader& r, std::size_t base, NetworkInfoBlock& b) {
    if (!r.Has(base, NETWORK_INFO_BLOCK_SIZE)) {
        return false;
    }
    b.ipMode = *r.U8(base + BLK_NET_MODE);
    std::size_t offset = base + BLK_NET_ADDRESSES;
    for (auto* text : Addresses(b)) {
        r.Text(offset, ADDRESS_WIDTH, *text);
        offset += ADDRESS_WIDTH;
    }
    return true;
}

bool CommandIs(const ByteReader& r, std::uint16_t command) {
    const auto got = r.U16(OFF_COMMAND);
    return got && *got == command;
}

}  // namespace layout

// ---- ByteReader / ByteWriter -----------------------------------------------------------------

std::optional<std::uint8_t> ByteReader::U8(std::size_t offset) const {
    if (!Has(offset, 1)) {
        return std::nullopt;
    }
    return bytes_[offset];
}

std::optional<std::uint16_t> ByteReader::U16(std::size_t offset) const {
    if (!Has(offset, 2)) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
}

std::optional<std::int16_t> ByteReader::S16(std::size_t offset) const {
    const auto v = U16(offset);
    if (!v) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(*v);
}

std::optional<std::int32_t> ByteReader::S32(std::size_t offset) const {
    if (!Has(offset, 4)) {
        return std::nullopt;
    }
    const std::uint32_t v = static_cast<std::uint32_t>(bytes_[offset]) |
                            (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
                            (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
                            (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
    return static_cast<std::int32_t>(v);
}

bool ByteReader::Raw(std::size_t offset, std::span<std::uint8_t> out) const {
    if (!Has(offset, out.size())) {
        return false;
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
}

bool ByteWriter::U8(std::size_t offset, std::uint8_t value) {
    if (!Fits(offset, 1)) {
        return false;
    }
    buffer_[offset] = value;
    return true;
}

bool ByteWriter::U16(std::size_t offset, std::uint16_t value) {
    if (!Fits(offset, 2)) {
        return false;
    }
    buffer_[offset] = static_cast<std::uint8_t>(value & 0xFF);
    buffer_[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    return true;
}

bool ByteWriter::S16(std::size_t offset, std::int16_t value) {
    return U16(offset, static_cast<std::uint16_t>(value));
}

bool ByteWriter::S32(std::size_t offset, std::int32_t value) {
    if (!Fits(offset, 4)) {
        return false;
    }
    const auto v = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) {
        buffer_[offset + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
    }
    return true;
}

bool ByteWriter::Raw(std::size_t offset, std::span<const std::uint8_t> bytes) {
    if (!Fits(offset, bytes.size())) {
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

bool ByteWriter::Text(std::size_t offset, std::size_t width, std::string_view text) {
    if (!Fits(offset, width)) {
        return false;
    }
    for (std::size_t i = 0; i < width; ++i) {
        buffer_[offset + i] = 0;
    }
    for (std::size_t i = 0; i < width && i < text.size() && text[i] != '\0'; ++i) {
        buffer_[offset + i] = static_cast<std::uint8_t>(text[i]);
    }
    return true;
}

void SecureZero(std::span<std::uint8_t> bytes) {
    volatile std::uint8_t* p = bytes.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        p[i] = 0;
    }
}

void SecureZero(std::span<char> bytes) {
    volatile char* p = bytes.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        p[i] = 0;
    }
}

void Request::Wipe() {
    SecureZero(std::span<std::uint8_t>(buffer));
    length = 0;
}

// ---- Requests --------------------------------------------------------------------------------

Request EncodeDiscover() {
    return MakeRequest(CMD_DISCOVER, MacAddress{}, 0);
}

Request EncodeGetSystemInfo(const MacAddress& mac) {
    return MakeRequest(CMD_GET_SYSTEM_INFO, mac, 0);
}

Request EncodeGetNetworkInfo(const MacAddress& mac) {
    return MakeRequest(CMD_GET_NETWORK_INFO, mac, 0);
}

Request EncodeGetVolumeInfo(const MacAddress& mac) {
    return MakeRequest(CMD_GET_VOLUME_INFO, mac, 0);
}

Request EncodeGetShareCount(const MacAddress& mac) {
    return MakeRequest(CMD_GET_SHARE_COUNT, mac, 0);
}

Request EncodeGetSharePage(const MacAddress& mac, std::uint8_t page) {
    Request request = MakeRequest(CMD_GET_SHARE_PAGE, mac, 1);
    ByteWriter(request.buffer).U8(OFF_PAGE_INDEX, page);
    return request;
}

Request EncodeSetSystemInfo(const MacAddress& mac, const SystemInfoBlock& block) {
    Request request = MakeRequest(CMD_SET_SYSTEM_INFO, mac, SYSTEM_INFO_BLOCK_SIZE);
    ByteWriter w(request.buffer);
    WriteSystemBlock(w, OFF_PAYLOAD, block, DESCRIPTION_SENT_MAX);
    return request;
}

Request EncodeSetNetworkInfo(const MacAddress& mac, const NetworkInfoBlock& block) {
    Request request = MakeRequest(CMD_SET_NETWORK_INFO, mac, NETWORK_INFO_BLOCK_SIZE);
    ByteWriter w(request.buffer);
    WriteNetworkBlock(w, OFF_PAYLOAD, block);
    return request;
}

Request EncodeVerifyAdmin(const MacAddress& mac, std::string_view name, std::string_view password) {
    Request request = MakeRequest(CMD_VERIFY_ADMIN, mac, ADMIN_PAYLOAD);
    ByteWriter w(request.buffer);
    w.Text(OFF_ADMIN_NAME, ADMIN_NAME_WIDTH, name);
    w.Text(OFF_ADMIN_PASSWORD, ADMIN_PASSWORD_WIDTH, password);
    return request;  // bytes 36..43 stay zero
}

// ---- Replies ---------------------------------------------------------------------------------

std::optional<PacketHeader> DecodeHeader(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    if (!r.Has(0, HEADER_SIZE)) {
        return std::nullopt;
    }
    PacketHeader h;
    h.command = *r.U16(OFF_COMMAND);
    h.status = *r.U16(OFF_STATUS);
    h.payloadLength = *r.U16(OFF_PAYLOAD_LENGTH);
    r.Raw(OFF_DEVICE_MAC, h.deviceMac);
    return h;
}

std::optional<std::uint16_t> DecodeCommand(std::span<const std::uint8_t> bytes) {
    return ByteReader(bytes).U16(OFF_COMMAND);
}

std::optional<DiscoveryReply> DecodeDiscoveryReply(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    if (r.size() < DISCOVERY_REPLY_MIN_SIZE || !CommandIs(r, CMD_DISCOVER)) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < DISCOVERY_SIGNATURE.size(); ++i) {
        if (*r.U8(OFF_DISC_SIGNATURE + i) != static_cast<std::uint8_t>(DISCOVERY_SIGNATURE[i])) {
            return std::nullopt;
        }
    }
    DiscoveryReply reply;
    r.Raw(OFF_DEVICE_MAC, reply.macAddress);
    r.Text(OFF_DISC_NAME, 16, reply.name);
    r.Text(OFF_DISC_IP, 15, reply.ipAddress);
    reply.webPort = *r.U16(OFF_DISC_WEB_PORT);
    return reply;
}

bool IsDiscoveryReply(std::span<const std::uint8_t> bytes) {
    return DecodeDiscoveryReply(bytes).has_value();
}

std::optional<SystemInfoReply> DecodeSystemInfoReply(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    if (r.size() < SYSTEM_INFO_REPLY_SIZE || !CommandIs(r, CMD_GET_SYSTEM_INFO)) {
        return std::nullopt;
    }
    SystemInfoReply reply;
    r.Text(OFF_SYS_FIRMWARE, 4, reply.firmwareVersion);
    ReadSystemBlock(r, OFF_SYS_BLOCK, reply.block);
    return reply;
}

std::optional<NetworkInfoBlock> DecodeNetworkInfoReply(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    NetworkInfoBlock block;
    if (!CommandIs(r, CMD_GET_NETWORK_INFO) || !ReadNetworkBlock(r, OFF_PAYLOAD, block)) {
        return std::nullopt;
    }
    return block;
}

std::optional<std::int16_t> DecodeShareCountReply(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    if (!CommandIs(r, CMD_GET_SHARE_COUNT)) {
        return std::nullopt;
    }
    return r.S16(OFF_SHARE_COUNT);
}

std::optional<SharePageReply> DecodeSharePageReply(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    if (r.size() < SHARE_PAGE_HEADER_SIZE || !CommandIs(r, CMD_GET_SHARE_PAGE)) {
        return std::nullopt;
    }
    SharePageReply reply;
    reply.page = *r.U8(OFF_PAGE_INDEX);
    reply.declaredCount = *r.U8(OFF_PAGE_COUNT);
    const std::size_t held = (r.size() - OFF_PAGE_NAMES) / SHARE_ENTRY_SIZE;
    const std::size_t n = std::min<std::size_t>(reply.declaredCount, held);
    reply.names.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        r.Text(OFF_PAGE_NAMES + i * SHARE_ENTRY_SIZE, SHARE_ENTRY_SIZE, reply.names[i].name);
    }
    return reply;
}

std::optional<VolumeInfoReply> DecodeVolumeInfoReply(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes);
    if (r.size() < VOLUME_HEADER_SIZE || !CommandIs(r, CMD_GET_VOLUME_INFO)) {
        return std::nullopt;
    }
    VolumeInfoReply reply;
    reply.declaredCount = *r.U8(OFF_VOLUME_COUNT);
    const std::size_t held = (r.size() - OFF_VOLUMES) / VOLUME_ENTRY_SIZE;
    const std::size_t n = std::min<std::size_t>(reply.declaredCount, held);
    reply.volumes.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t base = OFF_VOLUMES + i * VOLUME_ENTRY_SIZE;
        VolumeEntry& v = reply.volumes[i];
        r.Text(base + VOL_SHARE_NAME, 36, v.shareName);
        r.Text(base + VOL_DEVICE_ID, 16, v.deviceId);
        r.Text(base + VOL_FS_TYPE, 10, v.fsType);
        v.totalSizeMb = *r.S32(base + VOL_TOTAL_MB);
        v.freePercent = *r.S16(base + VOL_FREE_PERCENT);
    }
    return reply;
}

std::optional<std::uint16_t> DecodeStatusReply(std::span<const std::uint8_t> bytes,
                                               std::uint16_t command) {
    const ByteReader r(bytes);
    if (!CommandIs(r, command)) {
        return std::nullopt;
    }
    return r.U16(OFF_STATUS);
}

}  // namespace halvo::protocol
