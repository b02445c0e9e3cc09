// SPDX-License-Identifier: GPL-3.0-or-later
// Where every field lies in the datagrams, and the readers and writers of the payload blocks
// that a request and a reply share. The program's side (WireFormat) and the device side
// (device/DeviceReplies) both lay datagrams out from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "protocol/Protocol.h"
#include "protocol/WireFormat.h"

namespace halvo::protocol::layout {

// Header, at the start of every datagram.
inline constexpr std::size_t OFF_COMMAND = 0;         // u16
inline constexpr std::size_t OFF_STATUS = 2;          // u16, 0 in requests
inline constexpr std::size_t OFF_PAYLOAD_LENGTH = 4;  // u16, bytes after the header
inline constexpr std::size_t OFF_DEVICE_MAC = 6;      // 6 raw bytes

// Discovery reply.
inline constexpr std::size_t OFF_DISC_SIGNATURE = 12;  // 4 chars "0101", no terminator
inline constexpr std::size_t OFF_DISC_NAME = 16;       // 16-byte text
inline constexpr std::size_t OFF_DISC_IP = 32;         // 16-byte text, first 15 taken
inline constexpr std::size_t OFF_DISC_WEB_PORT = 48;   // u16
inline constexpr std::string_view DISCOVERY_SIGNATURE = "0101";

// System-info reply: 12..15 a signature nobody reads, then the version and the block.
inline constexpr std::size_t OFF_SYS_FIRMWARE = 16;  // 4 chars
inline constexpr std::size_t OFF_SYS_BLOCK = 20;     // SystemInfoBlock, 96 bytes

// Set-system-info request and network-info reply/request: the block follows the header.
inline constexpr std::size_t OFF_PAYLOAD = 12;

// SystemInfoBlock, offsets from the block's start.
inline constexpr std::size_t BLK_SYS_PASSWORD = 0;      // u8
inline constexpr std::size_t BLK_SYS_NAME = 1;          // 16-byte text
inline constexpr std::size_t BLK_SYS_DESCRIPTION = 17;  // 64-byte text, at most 63 sent
inline constexpr std::size_t BLK_SYS_DATE = 81;         // 8 digits YYYYMMDD
inline constexpr std::size_t BLK_SYS_TIME = 89;         // 6 digits HHMMSS
inline constexpr std::size_t BLK_SYS_TIMEZONE = 95;     // u8
inline constexpr std::size_t DESCRIPTION_SENT_MAX = 63;

// NetworkInfoBlock, offsets from the block's start: the mode, then five 15-byte address texts.
inline constexpr std::size_t BLK_NET_MODE = 0;
inline constexpr std::size_t BLK_NET_ADDRESSES = 1;
inline constexpr std::size_t ADDRESS_WIDTH = 15;

// Share count reply: s16 at 12. Share page: u8 page at 12, u8 count at 13, names from 14.
inline constexpr std::size_t OFF_SHARE_COUNT = 12;
inline constexpr std::size_t OFF_PAGE_INDEX = 12;
inline constexpr std::size_t OFF_PAGE_COUNT = 13;
inline constexpr std::size_t OFF_PAGE_NAMES = 14;

// Volume reply: u8 count at 12, 68-byte entries from 13.
inline constexpr std::size_t OFF_VOLUME_COUNT = 12;
inline constexpr std::size_t OFF_VOLUMES = 13;
// VolumeEntry, offsets from the entry's start.
inline constexpr std::size_t VOL_SHARE_NAME = 0;     // 36-byte text
inline constexpr std::size_t VOL_DEVICE_ID = 36;     // 16-byte text
inline constexpr std::size_t VOL_FS_TYPE = 52;       // 10-byte text
inline constexpr std::size_t VOL_TOTAL_MB = 62;      // s32
inline constexpr std::size_t VOL_FREE_PERCENT = 66;  // s16

// Verify request: 16-byte name at 12, 8-byte password at 28, zero 36..43.
inline constexpr std::size_t OFF_ADMIN_NAME = 12;
inline constexpr std::size_t OFF_ADMIN_PASSWORD = 28;
inline constexpr std::size_t ADMIN_NAME_WIDTH = 16;
inline constexpr std::size_t ADMIN_PASSWORD_WIDTH = 8;
inline constexpr std::uint16_t ADMIN_PAYLOAD = 32;

// The system block at `base`; the description takes at most `descriptionWidth` bytes.
void WriteSystemBlock(ByteWriter& w, std::size_t base, const SystemInfoBlock& b,
                      std::size_t descriptionWidth);
// False when the whole block was not received.
bool ReadSystemBlock(const ByteReader& r, std::size_t base, SystemInfoBlock& b);
void WriteNetworkBlock(ByteWriter& w, std::size_t base, const NetworkInfoBlock& b);
// False when the whole block was not received.
bool ReadNetworkBlock(const ByteReader& r, std::size_t base, NetworkInfoBlock& b);
// True when the datagram's command was received and is `command`.
bool CommandIs(const ByteReader& r, std::uint16_t command);

}  // namespace halvo::protocol::layout
