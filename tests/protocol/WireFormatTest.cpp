// SPDX-License-Identifier: GPL-3.0-or-later
// Byte layouts both ways against hand-laid golden datagrams, and bounded decoding of short,
// foreign and over-counted replies.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "protocol/DeviceRecord.h"
#include "protocol/WireFormat.h"
#include "protocol/device/DeviceReplies.h"
#include "tests/protocol/GoldenVectors.h"

namespace halvo::protocol {
namespace {

using golden::Bytes;

const MacAddress MAC{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

Bytes Sent(const Request& request) {
    return Bytes(request.bytes().begin(), request.bytes().end());
}

Bytes Prefix(const Bytes& bytes, std::size_t n) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
}

Bytes WithCommand(Bytes bytes, std::uint16_t command) {
    bytes[0] = static_cast<std::uint8_t>(command & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(command >> 8);
    return bytes;
}

// ---- Requests ---------------------------------------------------------------------------------

TEST(WireRequests, MatchGoldenBytes) {
    EXPECT_EQ(Sent(EncodeDiscover()), golden::DiscoverRequest());
    EXPECT_EQ(Sent(EncodeGetSharePage({0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, 3)),
              golden::SharePageRequest());

    SystemInfoBlock system;
    system.passwordRequired = 0;
    system.name.Assign("NAS-OFFICE");
    system.description.Assign("Office storage");
    system.date.Assign("20060305");
    system.time.Assign("140709");
    system.timezoneIndex = 20;
    EXPECT_EQ(Sent(EncodeSetSystemInfo(MAC, system)), golden::SetSystemInfoRequest());

    NetworkInfoBlock network;
    network.ipMode = 0;
    network.ipAddress.Assign("192.168.1.20");
    network.subnetMask.Assign("255.255.255.0");
    network.gateway.Assign("192.168.1.1");
    network.primaryDns.Assign("10.0.0.53");
    network.secondaryDns.Assign("100.100.100.100");
    EXPECT_EQ(Sent(EncodeSetNetworkInfo(MAC, network)), golden::SetNetworkInfoRequest());

    EXPECT_EQ(Sent(EncodeVerifyAdmin(MAC, "administrator-16", "password")),
              golden::VerifyAdminRequest());
}

TEST(WireRequests, HeaderOnlyRequestsCarryCommandAndMac) {
    const std::pair<Request, std::uint8_t> cases[] = {
        {EncodeGetSystemInfo(MAC), 16},
        {EncodeGetNetworkInfo(MAC), 18},
        {EncodeGetVolumeInfo(MAC), 20},
        {EncodeGetShareCount(MAC), 32},
    };
    for (const auto& [request, command] : cases) {
        const Bytes expected{command, 0, 0, 0, 0, 0, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
        EXPECT_EQ(Sent(request), expected) << int(command);
        // The unsent rest of the buffer stays zero.
        for (std::size_t i = request.length; i < request.buffer.size(); ++i) {
            ASSERT_EQ(request.buffer[i], 0) << i;
        }
    }
}

TEST(WireRequests, OverlongTextsAreCutToTheirFields) {
    // A 64-character description is cut to 63 so the field keeps a NUL; nothing spills over
    // into the date.
    SystemInfoBlock system;
    system.description.Assign(std::string(64, 'd'));
    system.date.Assign("20240229");
    const Request set = EncodeSetSystemInfo(MAC, system);
    EXPECT_EQ(set.buffer[29 + 62], 'd');
    EXPECT_EQ(set.buffer[29 + 63], 0);
    EXPECT_EQ(set.buffer[93], '2');

    // Name beyond 16 and password beyond 8 bytes are cut; the tail 36..43 stays zero.
    Request verify = EncodeVerifyAdmin(MAC, "a-name-longer-than-sixteen", "password-too-long");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&verify.buffer[12]), 16),
              "a-name-longer-th");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&verify.buffer[28]), 8), "password");
    for (std::size_t i = 36; i < 44; ++i) {
        EXPECT_EQ(verify.buffer[i], 0) << i;
    }
    verify.Wipe();
    for (const auto b : verify.buffer) {
        ASSERT_EQ(b, 0);
    }
    EXPECT_EQ(verify.length, 0u);
}

// ---- Replies: golden datagrams decoded ---------------------------------------------------------

TEST(WireReplies, DecodeGoldenDiscoveryReply) {
    const auto reply = DecodeDiscoveryReply(golden::DiscoveryReply());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->macAddress, MAC);
    EXPECT_EQ(reply->name.view(), "STORAGE-SERVER16");      // 16 characters, whole
    EXPECT_EQ(reply->ipAddress.view(), "192.168.100.200");  // first 15 of the 16 bytes
    EXPECT_EQ(reply->webPort, 8080);

    const auto record = RecordFromDiscoveryReply(golden::DiscoveryReply());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->name.view(), "STORAGE-SERVER16");
    EXPECT_EQ(record->name.bytes[16], '\0');
    EXPECT_EQ(record->ipAddress.view(), "192.168.100.200");
    EXPECT_EQ(record->webPort, 8080);
    // Nothing else is filled before the detail query.
    EXPECT_TRUE(record->description.empty());
    EXPECT_TRUE(record->firmwareVersion.empty());
    EXPECT_EQ(record->passwordRequired, 0);
    EXPECT_EQ(record->shareCount, 0);
    EXPECT_TRUE(record->shares.empty());
}

TEST(WireReplies, DecodeGoldenSystemAndNetworkInfoIntoRecord) {
    DeviceRecord record;
    record.name.Assign("NAS-OFFICE");
    ASSERT_TRUE(ApplySystemInfoReply(record, golden::SystemInfoReply()));
    EXPECT_EQ(record.firmwareVersion.view(), "1203");
    EXPECT_EQ(record.passwordRequired, 1);
    EXPECT_EQ(record.description.view(), "Office storage");
    EXPECT_EQ(record.date.view(), "20060305");
    EXPECT_EQ(record.time.view(), "140709");
    EXPECT_EQ(record.timezoneIndex, 20);
    EXPECT_EQ(record.name.view(), "NAS-OFFICE");  // the reply's name is not taken

    ASSERT_TRUE(ApplyNetworkInfoReply(record, golden::NetworkInfoReply()));
    EXPECT_EQ(record.ipMode, 1);
    EXPECT_EQ(record.ipAddress.view(), "192.168.1.20");
    EXPECT_EQ(record.subnetMask.view(), "255.255.255.0");
    EXPECT_EQ(record.gateway.view(), "192.168.1.1");
    EXPECT_EQ(record.primaryDns.view(), "10.0.0.53");
    EXPECT_EQ(record.secondaryDns.view(), "100.100.100.100");
    EXPECT_EQ(record.secondaryDns.bytes[15], '\0');

    ASSERT_TRUE(ApplyShareCountReply(record, golden::ShareCountReply()));
    EXPECT_EQ(record.shareCount, 45);
}

TEST(WireReplies, DecodeGoldenListsAndStatus) {
    const auto page = DecodeSharePageReply(golden::SharePageReply());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->page, 2);
    ASSERT_EQ(page->names.size(), 2u);
    EXPECT_EQ(page->names[0].name.view(), "public");
    EXPECT_EQ(page->names[1].name.view(), "abcdefghijklmnopqrstuvwxyz0123456789");

    const auto volumes = DecodeVolumeInfoReply(golden::VolumeInfoReply());
    ASSERT_TRUE(volumes);
    ASSERT_EQ(volumes->volumes.size(), 1u);
    const VolumeEntry& v = volumes->volumes[0];
    EXPECT_EQ(v.shareName.view(), "usbdisk1");
    EXPECT_EQ(v.deviceId.view(), "sda1");
    EXPECT_EQ(v.fsType.view(), "FAT32");
    EXPECT_EQ(v.totalSizeMb, 512);
    EXPECT_EQ(v.freePercent, 37);

    EXPECT_EQ(DecodeStatusReply(golden::VerifyAccepted(), CMD_VERIFY_ADMIN), 0);
    EXPECT_EQ(DecodeStatusReply(golden::VerifyRefused(), CMD_VERIFY_ADMIN), 1);
    EXPECT_EQ(DecodeStatusReply(golden::SetSystemRefused(), CMD_SET_SYSTEM_INFO), 2);
    EXPECT_EQ(DecodeStatusReply(golden::SetNetworkAccepted(), CMD_SET_NETWORK_INFO), 0);
    EXPECT_FALSE(DecodeStatusReply(golden::VerifyAccepted(), CMD_SET_SYSTEM_INFO));
}

TEST(WireReplies, DeviceEncodersProduceTheGoldenBytes) {
    EXPECT_EQ(EncodeDiscoveryReply(MAC, "STORAGE-SERVER16", "192.168.100.2009", 8080),
              golden::DiscoveryReply());
    NetworkInfoBlock network;
    network.ipMode = 1;
    network.ipAddress.Assign("192.168.1.20");
    network.subnetMask.Assign("255.255.255.0");
    network.gateway.Assign("192.168.1.1");
    network.primaryDns.Assign("10.0.0.53");
    network.secondaryDns.Assign("100.100.100.100");
    EXPECT_EQ(EncodeNetworkInfoReply(network), golden::NetworkInfoReply());
    EXPECT_EQ(EncodeShareCountReply(45), golden::ShareCountReply());
    EXPECT_EQ(EncodeSharePageReply(2, {"public", "abcdefghijklmnopqrstuvwxyz0123456789"}),
              golden::SharePageReply());
    VolumeEntry v;
    v.shareName.Assign("usbdisk1");
    v.deviceId.Assign("sda1");
    v.fsType.Assign("FAT32");
    v.totalSizeMb = 512;
    v.freePercent = 37;
    EXPECT_EQ(EncodeVolumeInfoReply({v}), golden::VolumeInfoReply());
    EXPECT_EQ(EncodeStatusReply(CMD_VERIFY_ADMIN, 1), golden::VerifyRefused());

    // The device reads back what the tool sends.
    const auto system = DecodeSetSystemInfoRequest(golden::SetSystemInfoRequest());
    ASSERT_TRUE(system);
    EXPECT_EQ(system->date.view(), "20060305");
    EXPECT_EQ(system->time.view(), "140709");
    EXPECT_EQ(system->timezoneIndex, 20);
    const auto credentials = DecodeVerifyAdminRequest(golden::VerifyAdminRequest());
    ASSERT_TRUE(credentials);
    EXPECT_EQ(credentials->name.view(), "administrator-16");
    EXPECT_EQ(credentials->password.view(), "password");
    EXPECT_EQ(DecodeSharePageRequest(golden::SharePageRequest()), 3);
}

// ---- Replies: short, foreign and over-counted --------------------------------------------------

struct ReplyCase {
    const char* name;
    Bytes bytes;
    std::function<bool(std::span<const std::uint8_t>)> hasData;
};

std::vector<ReplyCase> FixedLayoutReplies() {
    return {
        {"discovery", golden::DiscoveryReply(),
         [](auto b) { return RecordFromDiscoveryReply(b) != nullptr; }},
        {"system info", golden::SystemInfoReply(),
         [](auto b) {
             DeviceRecord r;
             return ApplySystemInfoReply(r, b);
         }},
        {"network info", golden::NetworkInfoReply(),
         [](auto b) {
             DeviceRecord r;
             return ApplyNetworkInfoReply(r, b);
         }},
        {"share count", golden::ShareCountReply(),
         [](auto b) {
             DeviceRecord r;
             return ApplyShareCountReply(r, b);
         }},
        {"share page", golden::SharePageReply(),
         [](auto b) { return DecodeSharePageReply(b).has_value(); }},
        {"volume info", golden::VolumeInfoReply(),
         [](auto b) { return DecodeVolumeInfoReply(b).has_value(); }},
        {"status", golden::VerifyRefused(),
         [](auto b) { return DecodeStatusReply(b, CMD_VERIFY_ADMIN).has_value(); }},
    };
}

TEST(WireReplies, EveryTruncationOfAFixedLayoutYieldsNoData) {
    // Fixed layouts need every byte; the lists need their header (the entries are clamped below).
    const std::map<std::string, std::size_t> needed = {
        {"discovery", 50},  {"system info", 116}, {"network info", 88}, {"share count", 14},
        {"share page", 14}, {"volume info", 13},  {"status", 4},
    };
    for (const auto& c : FixedLayoutReplies()) {
        ASSERT_TRUE(c.hasData(c.bytes)) << c.name;
        const std::size_t need = needed.at(c.name);
        for (std::size_t n = 0; n <= c.bytes.size(); ++n) {
            // Copied to a buffer of exactly n bytes, so a read past it trips the sanitizer.
            const Bytes cut = Prefix(c.bytes, n);
            EXPECT_EQ(c.hasData(cut), n >= need) << c.name << " cut to " << n;
        }
    }
}

TEST(WireReplies, AnotherCommandCarriesNoData) {
    for (const auto& c : FixedLayoutReplies()) {
        for (const std::uint16_t other : {1, 16, 17, 18, 20, 21, 32, 33, 0x0100, 0xFFFF}) {
            const Bytes foreign = WithCommand(c.bytes, other);
            if (foreign == c.bytes) {
                continue;
            }
            EXPECT_FALSE(c.hasData(foreign)) << c.name << " as command " << other;
        }
    }
}

TEST(WireReplies, ATruncatedEntryListKeepsOnlyWholeEntries) {
    const Bytes page = golden::SharePageReply();  // 14 + 2 * 36
    for (std::size_t n = 14; n <= page.size(); ++n) {
        const auto reply = DecodeSharePageReply(Prefix(page, n));
        ASSERT_TRUE(reply) << n;
        EXPECT_EQ(reply->declaredCount, 2);
        ASSERT_EQ(reply->names.size(), (n - 14) / 36) << n;
        if (!reply->names.empty()) {
            EXPECT_EQ(reply->names[0].name.view(), "public");
        }
    }
    const Bytes volumes = golden::VolumeInfoReply();  // 13 + 68
    for (std::size_t n = 13; n <= volumes.size(); ++n) {
        const auto reply = DecodeVolumeInfoReply(Prefix(volumes, n));
        ASSERT_TRUE(reply) << n;
        EXPECT_EQ(reply->volumes.size(), n == volumes.size() ? 1u : 0u) << n;
    }
}

TEST(WireReplies, EntryCountsAreClampedToTheDatagram) {
    // A full 1024-byte page holds 28 names and a full volume reply 14 entries, whatever the
    // count byte claims.
    std::vector<std::string> names;
    for (int i = 0; i < 28; ++i) {
        names.push_back("share" + std::to_string(i));
    }
    const std::vector<std::string_view> views(names.begin(), names.end());
    Bytes page = EncodeSharePageReply(0, views, 255);
    page.resize(DATAGRAM_CAPACITY, 0);
    const auto pageReply = DecodeSharePageReply(page);
    ASSERT_TRUE(pageReply);
    EXPECT_EQ(pageReply->declaredCount, 255);
    ASSERT_EQ(pageReply->names.size(), 28u);
    EXPECT_EQ(pageReply->names[27].name.view(), "share27");

    // A count smaller than what the datagram holds is taken as it stands.
    const auto fewer = DecodeSharePageReply(EncodeSharePageReply(0, views, 3));
    ASSERT_TRUE(fewer);
    EXPECT_EQ(fewer->names.size(), 3u);

    Bytes volumes = EncodeVolumeInfoReply(std::vector<VolumeEntry>(14), 200);
    volumes.resize(DATAGRAM_CAPACITY, 0);
    const auto volumeReply = DecodeVolumeInfoReply(volumes);
    ASSERT_TRUE(volumeReply);
    EXPECT_EQ(volumeReply->volumes.size(), 14u);

    // The count byte alone, with no entry after it.
    const auto empty = DecodeVolumeInfoReply(EncodeVolumeInfoReply({}, 5));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->volumes.empty());
}

TEST(WireReplies, DiscoveryReplyNeedsCommandZeroAndTheSignature) {
    for (const char* signature : {"0100", "1010", "010", "0101"}) {
        Bytes bytes = golden::DiscoveryReply();
        for (std::size_t i = 0; i < 4; ++i) {
            bytes[12 + i] = static_cast<std::uint8_t>(signature[i]);  // "010" puts its NUL at 15
        }
        EXPECT_EQ(IsDiscoveryReply(bytes), std::string(signature) == "0101") << signature;
    }
    // Longer than 50 bytes is fine; the extra bytes are not read.
    Bytes longer = golden::DiscoveryReply();
    longer.resize(300, 0xAB);
    EXPECT_TRUE(IsDiscoveryReply(longer));
}

TEST(WireReplies, TextsThatFillTheirFieldsStayTerminated) {
    // Every byte 0xFF: all texts are full and carry no NUL on the wire.
    Bytes system(116, 0xFF);
    system[0] = 16;
    system[1] = 0;
    DeviceRecord record;
    ASSERT_TRUE(ApplySystemInfoReply(record, system));
    EXPECT_EQ(record.firmwareVersion.view().size(), 4u);
    EXPECT_EQ(record.description.view().size(), 64u);
    EXPECT_EQ(record.date.view().size(), 8u);
    EXPECT_EQ(record.time.view().size(), 6u);

    Bytes network(88, 0xFF);
    network[0] = 18;
    network[1] = 0;
    ASSERT_TRUE(ApplyNetworkInfoReply(record, network));
    for (const auto* text : {&record.ipAddress, &record.subnetMask, &record.gateway,
                             &record.primaryDns, &record.secondaryDns}) {
        EXPECT_EQ(text->view().size(), 15u);
    }
}

TEST(WireReplies, SharePagesToRequest) {
    EXPECT_EQ(SharePagesToRequest(0), 0);
    EXPECT_EQ(SharePagesToRequest(-1), 0);
    EXPECT_EQ(SharePagesToRequest(-32768), 0);
    EXPECT_EQ(SharePagesToRequest(1), 1);
    EXPECT_EQ(SharePagesToRequest(19), 1);
    EXPECT_EQ(SharePagesToRequest(20), 2);  // a multiple of 20 asks one page more than it fills
    EXPECT_EQ(SharePagesToRequest(40), 3);
    EXPECT_EQ(SharePagesToRequest(45), 3);
    // The one-byte page index cannot go beyond 255.
    EXPECT_EQ(SharePagesToRequest(5099), 255);
    EXPECT_EQ(SharePagesToRequest(5100), 256);
    EXPECT_EQ(SharePagesToRequest(32767), 256);
}

}  // namespace
}  // namespace halvo::protocol
