// SPDX-License-Identifier: GPL-3.0-or-later
// The device protocol's shared vocabulary: command codes, the datagram header, the two payload
// blocks shared by get replies and set requests, the volume and share entries, and the device
// record. Standard C++ only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace halvo::protocol {

// Command codes (header offset 0). A reply carries the code of the request it answers.
enum Command : std::uint16_t {
    CMD_DISCOVER = 0,
    CMD_GET_SYSTEM_INFO = 16,
    CMD_SET_SYSTEM_INFO = 17,
    CMD_GET_NETWORK_INFO = 18,
    CMD_SET_NETWORK_INFO = 19,
    CMD_GET_VOLUME_INFO = 20,
    CMD_VERIFY_ADMIN = 21,
    CMD_GET_SHARE_COUNT = 32,
    CMD_GET_SHARE_PAGE = 33,
};

inline constexpr std::uint16_t DEVICE_PORT = 1638;
inline constexpr std::uint32_t BROADCAST_ADDRESS = 0xFFFFFFFFu;  // 255.255.255.255, host order
inline constexpr std::size_t HEADER_SIZE = 12;
inline constexpr std::size_t DATAGRAM_CAPACITY = 1024;  // request buffer and reply buffer
inline constexpr std::size_t MAC_SIZE = 6;
inline constexpr std::size_t SHARES_PER_PAGE = 20;

using MacAddress = std::array<std::uint8_t, MAC_SIZE>;

// A text of at most N bytes that is always NUL-terminated: N + 1 bytes, zero-filled, and no
// assignment ever writes the terminator byte. Wire texts are copied in bounded by their width.
template <std::size_t N>
struct FixedText {
    std::array<char, N + 1> bytes{};

    static constexpr std::size_t capacity = N;

    // Copies at most N bytes of `text`, stopping early at a NUL; the rest is zero.
    void Assign(std::string_view text) {
        bytes.fill('\0');
        std::size_t n = 0;
        while (n < N && n < text.size() && text[n] != '\0') {
            bytes[n] = text[n];
            ++n;
        }
    }
    // Copies a wire field of `width` bytes (width <= N), bounded by the width, not by a NUL.
    void AssignField(const std::uint8_t* field, std::size_t width) {
        Assign(std::string_view(reinterpret_cast<const char*>(field), width < N ? width : N));
    }
    const char* c_str() const { return bytes.data(); }
    std::string_view view() const { return std::string_view(bytes.data()); }
    std::string str() const { return std::string(view()); }
    bool empty() const { return bytes[0] == '\0'; }
    void Clear() { bytes.fill('\0'); }
};

// The 12-byte header of every datagram, little-endian on the wire.
struct PacketHeader {
    std::uint16_t command = 0;        // offset 0
    std::uint16_t status = 0;         // offset 2: 0 in requests; in replies 0 = done
    std::uint16_t payloadLength = 0;  // offset 4: bytes after the header (requests only)
    MacAddress deviceMac{};           // offset 6: addressed device; zero in CMD_DISCOVER
};

// 96 bytes: payload of CMD_SET_SYSTEM_INFO at offset 12, part of the system-info reply at 20.
// Texts hold at most their wire width and need not be terminated on the wire.
struct SystemInfoBlock {
    std::uint8_t passwordRequired = 0;  // block offset 0
    FixedText<16> name;                 // block offset 1
    FixedText<64> description;          // block offset 17
    FixedText<8> date;                  // block offset 81, YYYYMMDD
    FixedText<6> time;                  // block offset 89, HHMMSS
    std::uint8_t timezoneIndex = 0;     // block offset 95
};
inline constexpr std::size_t SYSTEM_INFO_BLOCK_SIZE = 96;

// 76 bytes: payload of CMD_SET_NETWORK_INFO and of the network-info reply, both at offset 12.
struct NetworkInfoBlock {
    std::uint8_t ipMode = 0;     // block offset 0: 0 static, 1 DHCP
    FixedText<15> ipAddress;     // block offset 1
    FixedText<15> subnetMask;    // block offset 16
    FixedText<15> gateway;       // block offset 31
    FixedText<15> primaryDns;    // block offset 46
    FixedText<15> secondaryDns;  // block offset 61
};
inline constexpr std::size_t NETWORK_INFO_BLOCK_SIZE = 76;

// 68 bytes: one USB volume in the volume-info reply.
struct VolumeEntry {
    FixedText<36> shareName;       // entry offset 0
    FixedText<16> deviceId;        // entry offset 36
    FixedText<10> fsType;          // entry offset 52
    std::int32_t totalSizeMb = 0;  // entry offset 62
    std::int16_t freePercent = 0;  // entry offset 66
};
inline constexpr std::size_t VOLUME_ENTRY_SIZE = 68;

// One share name, a 36-byte field on the wire; kept terminated here.
struct ShareEntry {
    FixedText<36> name;
};
inline constexpr std::size_t SHARE_ENTRY_SIZE = 36;

// How the requests for one device leave the workstation: the way its discovery answer came in.
struct DeviceRoute {
    enum class Kind : std::uint8_t {
        Default,    // broadcast from an unbound socket; the routing table picks the interface
        Interface,  // broadcast out of the interface the answer came in on
        Unicast,    // to the address the box was added by, through whatever route leads there
    };
    Kind kind = Kind::Default;
    std::uint32_t interfaceIndex = 0;  // Interface
    FixedText<15> interfaceName;       // Interface: an index alone may be reused by a new one
    std::uint32_t localAddress = 0;    // Interface: the workstation's address on it, host order
    std::uint32_t unicastAddress = 0;  // Unicast, host order

    bool operator==(const DeviceRoute& other) const {
        return kind == other.kind && interfaceIndex == other.interfaceIndex &&
               interfaceName.view() == other.interfaceName.view() &&
               localAddress == other.localAddress && unicastAddress == other.unicastAddress;
    }
};

// Everything known about one device. Zero-filled at creation; every text is terminated at all
// times. Until the detail query runs only name, macAddress, ipAddress and webPort hold values.
struct DeviceRecord {
    FixedText<16> name;            // discovery reply 16..31
    FixedText<64> description;     // system info
    FixedText<4> firmwareVersion;  // system info 16..19
    std::uint8_t passwordRequired = 0;
    MacAddress macAddress{};  // discovery reply 6..11
    std::uint8_t ipMode = 0;  // 0 static, 1 DHCP
    FixedText<15> ipAddress;  // discovery 32..46, then network info
    FixedText<15> subnetMask;
    FixedText<15> gateway;
    FixedText<15> primaryDns;
    FixedText<15> secondaryDns;
    FixedText<8> date;          // YYYYMMDD
    FixedText<6> time;          // HHMMSS
    std::uint16_t webPort = 0;  // discovery 48..49
    std::uint8_t timezoneIndex = 0;
    std::int16_t shareCount = 0;
    std::vector<ShareEntry> shares;  // owned, in the order received
    DeviceRoute route;               // set by discovery; every exchange for the device uses it
};

}  // namespace halvo::protocol
