// SPDX-License-Identifier: GPL-3.0-or-later
// Filling a DeviceRecord from the device's replies. Each Apply… copies exactly the fields its
// reply carries and returns false, touching nothing, when the datagram carries no data for it
// (another command, or too short for the fields read).
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "protocol/Protocol.h"
#include "protocol/WireFormat.h"

namespace halvo::protocol {

// A zero-filled record with MAC, name, IP address and web port from a discovery reply; null when
// the datagram is not a valid discovery reply.
std::unique_ptr<DeviceRecord> RecordFromDiscoveryReply(std::span<const std::uint8_t> bytes);
std::unique_ptr<DeviceRecord> RecordFromDiscoveryReply(const DiscoveryReply& reply);

// Firmware version, password flag, description, date, time, timezone. The reply's name is not
// taken: the record keeps the name it was discovered with.
void ApplySystemInfo(DeviceRecord& record, const SystemInfoReply& reply);
bool ApplySystemInfoReply(DeviceRecord& record, std::span<const std::uint8_t> bytes);

// The IP mode and the five address texts, in their order.
void ApplyNetworkInfo(DeviceRecord& record, const NetworkInfoBlock& block);
bool ApplyNetworkInfoReply(DeviceRecord& record, std::span<const std::uint8_t> bytes);

// shareCount only; emptying `shares` is the detail query's decision.
bool ApplyShareCountReply(DeviceRecord& record, std::span<const std::uint8_t> bytes);

// Appends fresh copies of the page's names when the reply answers page `page`; a reply that
// echoes another page appends nothing and gives false.
bool ApplySharePageReply(DeviceRecord& record, std::span<const std::uint8_t> bytes,
                         std::uint8_t page);

// The page index travels in one byte, so no more than 256 pages can be told apart.
inline constexpr int MAX_SHARE_PAGES = 256;

// Pages the detail query asks for: shareCount / 20 + 1 for a positive count, none for 0 or a
// negative count. Capped at 256: a higher index would wrap and ask for page 0 again.
int SharePagesToRequest(std::int16_t shareCount);

}  // namespace halvo::protocol
