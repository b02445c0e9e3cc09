// SPDX-License-Identifier: GPL-3.0-or-later
// The device's side of the wire format: the replies a device sends and the requests it reads.
// The test devices of the fake network and the simulator answer with these; the program never
// encodes a reply and does not link them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "protocol/Protocol.h"
#include "protocol/WireFormat.h"

namespace halvo::protocol {

Bytes EncodeDiscoveryReply(const MacAddress& mac, std::string_view name, std::string_view ipAddress,
                           std::uint16_t webPort);
Bytes EncodeSystemInfoReply(std::string_view firmwareVersion, const SystemInfoBlock& block);
Bytes EncodeNetworkInfoReply(const NetworkInfoBlock& block);
Bytes EncodeShareCountReply(std::int16_t count);
// `declaredCount` defaults to names.size(); a different value makes a lying page.
Bytes EncodeSharePageReply(std::uint8_t page, const std::vector<std::string_view>& names,
                           std::optional<std::uint8_t> declaredCount = std::nullopt);
Bytes EncodeVolumeInfoReply(const std::vector<VolumeEntry>& volumes,
                            std::optional<std::uint8_t> declaredCount = std::nullopt);
Bytes EncodeStatusReply(std::uint16_t command, std::uint16_t status);

// Request decoding, for devices: the system and network blocks of set requests, and the verify
// request's name and password. nullopt when the command or length does not fit.
std::optional<SystemInfoBlock> DecodeSetSystemInfoRequest(std::span<const std::uint8_t> bytes);
std::optional<NetworkInfoBlock> DecodeSetNetworkInfoRequest(std::span<const std::uint8_t> bytes);
struct AdminCredentials {
    FixedText<16> name;
    FixedText<8> password;
};
std::optional<AdminCredentials> DecodeVerifyAdminRequest(std::span<const std::uint8_t> bytes);
std::optional<std::uint8_t> DecodeSharePageRequest(std::span<const std::uint8_t> bytes);

}  // namespace halvo::protocol
