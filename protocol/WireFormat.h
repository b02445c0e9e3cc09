// SPDX-License-Identifier: GPL-3.0-or-later
// Byte layout of every datagram: bounded reading and writing, request encoders and reply
// decoders. What a device sends and reads is in device/DeviceReplies.h.
//
// Replies are decoded from the bytes actually received: a decoder never reads past that length.
// A reply whose command is not the one expected, or that is too short for the fields a step
// reads, yields no data (nullopt). Entry counts are clamped to the entries the datagram holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "protocol/Protocol.h"

namespace halvo::protocol {

using Bytes = std::vector<std::uint8_t>;

// Reads little-endian fields at fixed offsets of a received datagram. Every read checks that the
// whole field lies within the received length and fails (nullopt / false) otherwise.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    bool Has(std::size_t offset, std::size_t width) const {
        return offset <= bytes_.size() && width <= bytes_.size() - offset;
    }
    std::optional<std::uint8_t> U8(std::size_t offset) const;
    std::optional<std::uint16_t> U16(std::size_t offset) const;
    std::optional<std::int16_t> S16(std::size_t offset) const;
    std::optional<std::int32_t> S32(std::size_t offset) const;
    // Copies out.size() raw bytes from `offset`.
    bool Raw(std::size_t offset, std::span<std::uint8_t> out) const;
    // Copies a text field of `width` bytes (width <= N), bounded by the width, not by a NUL.
    template <std::size_t N>
    bool Text(std::size_t offset, std::size_t width, FixedText<N>& out) const {
        if (width > N || !Has(offset, width)) {
            return false;
        }
        out.AssignField(bytes_.data() + offset, width);
        return true;
    }

  private:
    std::span<const std::uint8_t> bytes_;
};

// Writes little-endian fields at fixed offsets into a zeroed buffer. Writes beyond the buffer are
// refused (they would be a programming error; the encoders below never attempt one).
class ByteWriter {
  public:
    explicit ByteWriter(std::span<std::uint8_t> buffer) : buffer_(buffer) {}

    bool U8(std::size_t offset, std::uint8_t value);
    bool U16(std::size_t offset, std::uint16_t value);
    bool S16(std::size_t offset, std::int16_t value);
    bool S32(std::size_t offset, std::int32_t value);
    bool Raw(std::size_t offset, std::span<const std::uint8_t> bytes);
    // Writes at most `width` bytes of `text`, stopping at a NUL; the rest of the field stays zero.
    bool Text(std::size_t offset, std::size_t width, std::string_view text);

  private:
    bool Fits(std::size_t offset, std::size_t width) const {
        return offset <= buffer_.size() && width <= buffer_.size() - offset;
    }
    std::span<std::uint8_t> buffer_;
};

// One request datagram: a zeroed 1024-byte buffer of which the first `length` bytes
// (12 + payloadLength) are sent. The verify request carries a password: Wipe() it after sending.
struct Request {
    std::array<std::uint8_t, DATAGRAM_CAPACITY> buffer{};
    std::size_t length = 0;

    std::span<const std::uint8_t> bytes() const { return {buffer.data(), length}; }
    std::uint16_t command() const {
        return static_cast<std::uint16_t>(buffer[0] | (buffer[1] << 8));
    }
    // Zeroes the whole buffer in a way the compiler may not drop.
    void Wipe();
};

// Zeroes `bytes` in a way the compiler may not drop; for secrets.
void SecureZero(std::span<char> bytes);
void SecureZero(std::span<std::uint8_t> bytes);

// ---- Requests --------------------------------------------------------------------------------

Request EncodeDiscover();
Request EncodeGetSystemInfo(const MacAddress& mac);
Request EncodeGetNetworkInfo(const MacAddress& mac);
Request EncodeGetVolumeInfo(const MacAddress& mac);
Request EncodeGetShareCount(const MacAddress& mac);
Request EncodeGetSharePage(const MacAddress& mac, std::uint8_t page);
// The description is cut to 63 characters so that the field always keeps a NUL.
Request EncodeSetSystemInfo(const MacAddress& mac, const SystemInfoBlock& block);
Request EncodeSetNetworkInfo(const MacAddress& mac, const NetworkInfoBlock& block);
// Name at most 16 and password at most 8 bytes, NUL-padded, unterminated when full.
Request EncodeVerifyAdmin(const MacAddress& mac, std::string_view name, std::string_view password);

inline constexpr std::size_t DISCOVERY_REPLY_MIN_SIZE = 50;
inline constexpr std::size_t SYSTEM_INFO_REPLY_SIZE = 116;
inline constexpr std::size_t NETWORK_INFO_REPLY_SIZE = 88;
inline constexpr std::size_t SHARE_COUNT_REPLY_SIZE = 14;
inline constexpr std::size_t SHARE_PAGE_HEADER_SIZE = 14;  // header, page index, count
inline constexpr std::size_t VOLUME_HEADER_SIZE = 13;      // header, count
inline constexpr std::size_t STATUS_REPLY_SIZE = 4;        // command and status

// ---- Replies ---------------------------------------------------------------------------------

// The header as far as it was received; nullopt when fewer than 12 bytes arrived.
std::optional<PacketHeader> DecodeHeader(std::span<const std::uint8_t> bytes);
// The command of any datagram of at least 2 bytes.
std::optional<std::uint16_t> DecodeCommand(std::span<const std::uint8_t> bytes);

struct DiscoveryReply {
    MacAddress macAddress{};
    FixedText<16> name;
    FixedText<15> ipAddress;  // the first 15 bytes of the 16-byte field
    std::uint16_t webPort = 0;
};
// nullopt (ignore the datagram) when shorter than 50 bytes, command not 0 or signature not "0101".
std::optional<DiscoveryReply> DecodeDiscoveryReply(std::span<const std::uint8_t> bytes);
bool IsDiscoveryReply(std::span<const std::uint8_t> bytes);

struct SystemInfoReply {
    FixedText<4> firmwareVersion;
    SystemInfoBlock block;  // block.name is read but callers ignore it
};
// Needs command 16 and all 116 bytes.
std::optional<SystemInfoReply> DecodeSystemInfoReply(std::span<const std::uint8_t> bytes);
// Needs command 18 and all 88 bytes.
std::optional<NetworkInfoBlock> DecodeNetworkInfoReply(std::span<const std::uint8_t> bytes);
// Needs command 32 and bytes 12..13.
std::optional<std::int16_t> DecodeShareCountReply(std::span<const std::uint8_t> bytes);

struct SharePageReply {
    std::uint8_t page = 0;
    std::uint8_t declaredCount = 0;  // as sent; `names` holds at most what the datagram carries
    std::vector<ShareEntry> names;
};
// Needs command 33 and bytes 12..13; names clamped to the whole 36-byte entries received.
std::optional<SharePageReply> DecodeSharePageReply(std::span<const std::uint8_t> bytes);

struct VolumeInfoReply {
    std::uint8_t declaredCount = 0;
    std::vector<VolumeEntry> volumes;
};
// Needs command 20 and byte 12; volumes clamped to the whole 68-byte entries received.
std::optional<VolumeInfoReply> DecodeVolumeInfoReply(std::span<const std::uint8_t> bytes);

// The status of a reply to a set or verify request; nullopt when the command is not `command` or
// the status field was not received.
std::optional<std::uint16_t> DecodeStatusReply(std::span<const std::uint8_t> bytes,
                                               std::uint16_t command);

}  // namespace halvo::protocol
