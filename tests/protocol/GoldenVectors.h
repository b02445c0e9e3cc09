// SPDX-License-Identifier: GPL-3.0-or-later
// Replies laid out byte by byte, independently of the encoders, each field annotated with its
// offset. They are the decoders' golden vectors and the fuzz targets' seed corpus.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace halvo::golden {

using Bytes = std::vector<std::uint8_t>;

// Joins pieces into one datagram.
inline Bytes Cat(std::initializer_list<Bytes> pieces) {
    Bytes out;
    for (const auto& p : pieces) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// `text` as ASCII bytes, NUL-padded to `width` (no terminator when it fills the field).
inline Bytes Text(std::string_view text, std::size_t width) {
    Bytes out(width, 0);
    for (std::size_t i = 0; i < text.size() && i < width; ++i) {
        out[i] = static_cast<std::uint8_t>(text[i]);
    }
    return out;
}

inline Bytes Zeros(std::size_t n) {
    return Bytes(n, 0);
}

// Discovery reply, 50 bytes. The 16-byte address field is full: only its first 15 are taken.
inline Bytes DiscoveryReply() {
    return Cat({
        {0x00, 0x00},                          // 0  command 0
        {0x00, 0x00},                          // 2  status
        {0x00, 0x00},                          // 4  payloadLength (not read)
        {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},  // 6  deviceMac
        {'0', '1', '0', '1'},                  // 12 signature
        Text("STORAGE-SERVER16", 16),          // 16 name, 16 chars, no NUL
        Text("192.168.100.2009", 16),          // 32 ipAddress, first 15 bytes taken
        {0x90, 0x1F},                          // 48 webPort 8080
    });
}

// System-info reply, 116 bytes.
inline Bytes SystemInfoReply() {
    return Cat({
        {0x10, 0x00},                          // 0  command 16
        {0x00, 0x00},                          // 2  status (not read)
        {0x68, 0x00},                          // 4  payloadLength 104 (not read)
        {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},  // 6  deviceMac (not read)
        {'S', 'I', 'G', '!'},                  // 12 signature (not read)
        {'1', '2', '0', '3'},                  // 16 firmwareVersion
        {0x01},                                // 20 passwordRequired
        Text("reply-name-unused", 16),         // 21 name (ignored)
        Text("Office storage", 64),            // 37 description
        Text("20060305", 8),                   // 101 date
        Text("140709", 6),                     // 109 time
        {20},                                  // 115 timezoneIndex
    });
}

// Network-info reply, 88 bytes; the secondary DNS fills its 15 bytes.
inline Bytes NetworkInfoReply() {
    return Cat({
        {0x12, 0x00},                 // 0  command 18
        Zeros(10),                    // 2  status, payloadLength, deviceMac (not read)
        {0x01},                       // 12 ipMode DHCP
        Text("192.168.1.20", 15),     // 13 ipAddress
        Text("255.255.255.0", 15),    // 28 subnetMask
        Text("192.168.1.1", 15),      // 43 gateway
        Text("10.0.0.53", 15),        // 58 primaryDns
        Text("100.100.100.100", 15),  // 73 secondaryDns, full
    });
}

// Share-count reply, 14 bytes: 45 shares.
inline Bytes ShareCountReply() {
    return Cat({
        {0x20, 0x00},  // 0  command 32
        Zeros(10),     // 2  rest of the header
        {0x2D, 0x00},  // 12 shareCount 45
    });
}

// Share-page reply for page 2 with two names, the second filling its 36 bytes.
inline Bytes SharePageReply() {
    return Cat({
        {0x21, 0x00},                                      // 0  command 33
        Zeros(10),                                         // 2  rest of the header
        {0x02},                                            // 12 page index
        {0x02},                                            // 13 number of names
        Text("public", 36),                                // 14 name 0
        Text("abcdefghijklmnopqrstuvwxyz0123456789", 36),  // 50 name 1, 36 chars
    });
}

// Volume-info reply with one volume: 13 + 68 bytes.
inline Bytes VolumeInfoReply() {
    return Cat({
        {0x14, 0x00},              // 0  command 20
        Zeros(10),                 // 2  rest of the header
        {0x01},                    // 12 number of volumes
        Text("usbdisk1", 36),      // 13 shareName
        Text("sda1", 16),          // 49 deviceId
        Text("FAT32", 10),         // 65 fsType
        {0x00, 0x02, 0x00, 0x00},  // 75 totalSizeMb 512
        {0x25, 0x00},              // 79 freePercent 37
    });
}

// Replies to the verify and set requests: header only.
inline Bytes VerifyAccepted() {
    return Cat({{0x15, 0x00}, {0x00, 0x00}, Zeros(8)});  // command 21, status 0
}
inline Bytes VerifyRefused() {
    return Cat({{0x15, 0x00}, {0x01, 0x00}, Zeros(8)});  // command 21, status 1
}
inline Bytes SetSystemRefused() {
    return Cat({{0x11, 0x00}, {0x02, 0x00}, Zeros(8)});  // command 17, status 2
}
inline Bytes SetNetworkAccepted() {
    return Cat({{0x13, 0x00}, {0x00, 0x00}, Zeros(8)});  // command 19, status 0
}

// ---- Requests as the tool sends them ---------------------------------------------------------

// Discovery: twelve zero bytes, no MAC.
inline Bytes DiscoverRequest() {
    return Cat({
        {0x00, 0x00},                          // 0  command 0
        {0x00, 0x00},                          // 2  status 0
        {0x00, 0x00},                          // 4  payloadLength 0
        {0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 6  deviceMac: none
    });
}

// Page 3 of the share list of device 00:11:22:33:44:55: 13 bytes.
inline Bytes SharePageRequest() {
    return Cat({
        {0x21, 0x00},                          // 0  command 33
        {0x00, 0x00},                          // 2  status 0
        {0x01, 0x00},                          // 4  payloadLength 1
        {0x00, 0x11, 0x22, 0x33, 0x44, 0x55},  // 6  deviceMac
        {0x03},                                // 12 page index
    });
}

// Set system info for 5 March 2006 14:07:09, timezone 20, password not asked next time: 108 bytes.
inline Bytes SetSystemInfoRequest() {
    return Cat({
        {0x11, 0x00},                              // 0   command 17
        {0x00, 0x00},                              // 2   status 0
        {0x60, 0x00},                              // 4   payloadLength 96
        {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},      // 6   deviceMac
        {0x00},                                    // 12  passwordRequired: box checked
        Text("NAS-OFFICE", 16),                    // 13  name as discovered
        Text("Office storage", 64),                // 29  description
        {'2', '0', '0', '6', '0', '3', '0', '5'},  // 93  date, no NUL before the time
        {'1', '4', '0', '7', '0', '9'},            // 101 time, no NUL before the index
        {20},                                      // 107 timezoneIndex
    });
}

// Set network info, static, all five texts: 88 bytes.
inline Bytes SetNetworkInfoRequest() {
    return Cat({
        {0x13, 0x00},                          // 0  command 19
        {0x00, 0x00},                          // 2  status 0
        {0x4C, 0x00},                          // 4  payloadLength 76
        {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},  // 6  deviceMac
        {0x00},                                // 12 ipMode static
        Text("192.168.1.20", 15),              // 13 ipAddress
        Text("255.255.255.0", 15),             // 28 subnetMask
        Text("192.168.1.1", 15),               // 43 gateway
        Text("10.0.0.53", 15),                 // 58 primaryDns
        Text("100.100.100.100", 15),           // 73 secondaryDns, full
    });
}

// Administrator check with a 16-character name and an 8-character password: 44 bytes.
inline Bytes VerifyAdminRequest() {
    return Cat({
        {0x15, 0x00},                              // 0  command 21
        {0x00, 0x00},                              // 2  status 0
        {0x20, 0x00},                              // 4  payloadLength 32
        {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},      // 6  deviceMac
        Text("administrator-16", 16),              // 12 name, 16 chars: no NUL
        {'p', 'a', 's', 's', 'w', 'o', 'r', 'd'},  // 28 password, 8 chars, no NUL
        Zeros(8),                                  // 36 unused, zero
    });
}

// A detail-query session for the detail_query fuzz target: each reply with a 2-byte
// little-endian length in front. 45 shares: three pages, of which only page 2 is answered right.
inline Bytes DetailQuerySession() {
    Bytes out;
    for (const Bytes& reply :
         {SystemInfoReply(), NetworkInfoReply(), ShareCountReply(), SharePageReply(),
          SharePageReply(), SharePageReply(), VolumeInfoReply()}) {
        out.push_back(static_cast<std::uint8_t>(reply.size() & 0xFF));
        out.push_back(static_cast<std::uint8_t>(reply.size() >> 8));
        out.insert(out.end(), reply.begin(), reply.end());
    }
    return out;
}

struct CorpusEntry {
    std::string target;  // fuzz target, also the corpus sub-folder
    std::string name;
    Bytes bytes;
};

// Every golden reply with the fuzz target it seeds.
inline std::vector<CorpusEntry> Corpus() {
    return {
        {"discovery_reply", "golden_discovery", DiscoveryReply()},
        {"system_info_reply", "golden_system_info", SystemInfoReply()},
        {"network_info_reply", "golden_network_info", NetworkInfoReply()},
        {"share_count_reply", "golden_share_count", ShareCountReply()},
        {"share_page_reply", "golden_share_page", SharePageReply()},
        {"volume_info_reply", "golden_volume_info", VolumeInfoReply()},
        {"status_reply", "golden_verify_accepted", VerifyAccepted()},
        {"status_reply", "golden_verify_refused", VerifyRefused()},
        {"status_reply", "golden_set_system_refused", SetSystemRefused()},
        {"status_reply", "golden_set_network_accepted", SetNetworkAccepted()},
        {"detail_query", "golden_session", DetailQuerySession()},
    };
}

}  // namespace halvo::golden
