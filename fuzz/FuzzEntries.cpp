// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz/FuzzEntries.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/testing/RecordingMessageBoxes.h"
#include "protocol/DetailQuery.h"
#include "protocol/DeviceRecord.h"
#include "protocol/WireFormat.h"
#include "protocol/testing/FakeNetwork.h"

namespace halvo::fuzz {

namespace {

using namespace protocol;

void Require(bool condition, const char* rule) {
    if (!condition) {
        std::fprintf(stderr, "fuzz rule broken: %s\n", rule);
        std::abort();
    }
}

std::uint16_t Command(std::span<const std::uint8_t> d) {
    return d.size() < 2 ? 0xFFFF : static_cast<std::uint16_t>(d[0] | (d[1] << 8));
}

// The text a reader may take from a wire field: up to the first NUL, bounded by the width.
std::string_view FieldText(std::span<const std::uint8_t> d, std::size_t offset, std::size_t width) {
    const char* p = reinterpret_cast<const char*>(d.data() + offset);
    std::size_t n = 0;
    while (n < width && p[n] != '\0') {
        ++n;
    }
    return {p, n};
}

template <std::size_t N>
bool Terminated(const FixedText<N>& text) {
    return text.bytes[N] == '\0' && text.view().size() <= N;
}

// A record whose every field holds something, to see what a reply leaves alone.
DeviceRecord Sentinel() {
    DeviceRecord r;
    r.name.Assign("sentinel-name");
    r.description.Assign("sentinel-description");
    r.firmwareVersion.Assign("SSSS");
    r.passwordRequired = 7;
    r.ipMode = 9;
    r.ipAddress.Assign("1.2.3.4");
    r.subnetMask.Assign("5.6.7.8");
    r.gateway.Assign("9.9.9.9");
    r.primaryDns.Assign("8.8.8.8");
    r.secondaryDns.Assign("7.7.7.7");
    r.date.Assign("19990101");
    r.time.Assign("235959");
    r.webPort = 4321;
    r.timezoneIndex = 74;
    r.shareCount = 3;
    r.shares.resize(2);
    return r;
}

bool SameRecord(const DeviceRecord& a, const DeviceRecord& b) {
    return a.name.bytes == b.name.bytes && a.description.bytes == b.description.bytes &&
           a.firmwareVersion.bytes == b.firmwareVersion.bytes &&
           a.passwordRequired == b.passwordRequired && a.macAddress == b.macAddress &&
           a.ipMode == b.ipMode && a.ipAddress.bytes == b.ipAddress.bytes &&
           a.subnetMask.bytes == b.subnetMask.bytes && a.gateway.bytes == b.gateway.bytes &&
           a.primaryDns.bytes == b.primaryDns.bytes &&
           a.secondaryDns.bytes == b.secondaryDns.bytes && a.date.bytes == b.date.bytes &&
           a.time.bytes == b.time.bytes && a.webPort == b.webPort &&
           a.timezoneIndex == b.timezoneIndex && a.shareCount == b.shareCount &&
           a.shares.size() == b.shares.size();
}

void DiscoveryReplyEntry(std::span<const std::uint8_t> d) {
    const bool valid = d.size() >= 50 && Command(d) == CMD_DISCOVER && d[12] == '0' &&
                       d[13] == '1' && d[14] == '0' && d[15] == '1';
    Require(IsDiscoveryReply(d) == valid, "discovery check matches the layout");
    const auto record = RecordFromDiscoveryReply(d);
    Require((record != nullptr) == valid, "a record exactly for a valid reply");
    if (!record) {
        return;
    }
    Require(std::equal(record->macAddress.begin(), record->macAddress.end(), d.begin() + 6),
            "MAC from bytes 6..11");
    Require(record->name.view() == FieldText(d, 16, 16), "name from bytes 16..31");
    Require(record->ipAddress.view() == FieldText(d, 32, 15), "address from bytes 32..46");
    Require(record->webPort == (d[48] | (d[49] << 8)), "web port from bytes 48..49");
    Require(Terminated(record->name) && Terminated(record->ipAddress), "texts terminated");
    Require(record->description.empty() && record->shares.empty() && record->shareCount == 0,
            "nothing else filled");
}

void SystemInfoReplyEntry(std::span<const std::uint8_t> d) {
    const bool valid = d.size() >= 116 && Command(d) == CMD_GET_SYSTEM_INFO;
    DeviceRecord record = Sentinel();
    const DeviceRecord before = Sentinel();
    Require(ApplySystemInfoReply(record, d) == valid, "system info taken exactly when valid");
    if (!valid) {
        Require(SameRecord(record, before), "no data leaves the record alone");
        return;
    }
    Require(record.firmwareVersion.view() == FieldText(d, 16, 4), "firmware from 16..19");
    Require(record.passwordRequired == d[20], "password flag from 20");
    Require(record.description.view() == FieldText(d, 37, 64), "description from 37..100");
    Require(record.date.view() == FieldText(d, 101, 8), "date from 101..108");
    Require(record.time.view() == FieldText(d, 109, 6), "time from 109..114");
    Require(record.timezoneIndex == d[115], "timezone from 115");
    Require(record.name.bytes == before.name.bytes, "the reply's name is not taken");
    Require(Terminated(record.firmwareVersion) && Terminated(record.description) &&
                Terminated(record.date) && Terminated(record.time),
            "texts terminated");
}

void NetworkInfoReplyEntry(std::span<const std::uint8_t> d) {
    const bool valid = d.size() >= 88 && Command(d) == CMD_GET_NETWORK_INFO;
    DeviceRecord record = Sentinel();
    const DeviceRecord before = Sentinel();
    Require(ApplyNetworkInfoReply(record, d) == valid, "network info taken exactly when valid");
    if (!valid) {
        Require(SameRecord(record, before), "no data leaves the record alone");
        return;
    }
    Require(record.ipMode == d[12], "mode from 12");
    const std::array<const FixedText<15>*, 5> texts = {&record.ipAddress, &record.subnetMask,
                                                       &record.gateway, &record.primaryDns,
                                                       &record.secondaryDns};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        Require(texts[i]->view() == FieldText(d, 13 + 15 * i, 15), "address texts in order");
        Require(Terminated(*texts[i]), "addresses terminated");
    }
}

void ShareCountReplyEntry(std::span<const std::uint8_t> d) {
    const bool valid = d.size() >= 14 && Command(d) == CMD_GET_SHARE_COUNT;
    DeviceRecord record = Sentinel();
    Require(ApplyShareCountReply(record, d) == valid, "count taken exactly when valid");
    const std::int16_t expected = valid ? static_cast<std::int16_t>(d[12] | (d[13] << 8)) : 3;
    Require(record.shareCount == expected, "count from bytes 12..13");
    const int pages = SharePagesToRequest(record.shareCount);
    Require(pages >= 0 && pages <= MAX_SHARE_PAGES, "a bounded number of pages");
}

void SharePageReplyEntry(std::span<const std::uint8_t> d) {
    const bool valid = d.size() >= 14 && Command(d) == CMD_GET_SHARE_PAGE;
    const auto reply = DecodeSharePageReply(d);
    Require(reply.has_value() == valid, "page decoded exactly when valid");
    if (!reply) {
        return;
    }
    const std::size_t held = (d.size() - 14) / 36;
    Require(reply->names.size() == std::min<std::size_t>(d[13], held), "names clamped");
    for (std::size_t i = 0; i < reply->names.size(); ++i) {
        Require(reply->names[i].name.view() == FieldText(d, 14 + 36 * i, 36), "names in order");
        Require(Terminated(reply->names[i].name), "names terminated");
    }
    // Appended only when the page asked for is the page answered.
    DeviceRecord record = Sentinel();
    Require(!ApplySharePageReply(record, d, static_cast<std::uint8_t>(d[12] + 1)) &&
                record.shares.size() == 2,
            "another page appends nothing");
    Require(
        ApplySharePageReply(record, d, d[12]) && record.shares.size() == 2 + reply->names.size(),
        "the right page appends its names");
}

void VolumeInfoReplyEntry(std::span<const std::uint8_t> d) {
    const bool valid = d.size() >= 13 && Command(d) == CMD_GET_VOLUME_INFO;
    const auto reply = DecodeVolumeInfoReply(d);
    Require(reply.has_value() == valid, "volumes decoded exactly when valid");
    if (!reply) {
        return;
    }
    const std::size_t held = (d.size() - 13) / 68;
    Require(reply->volumes.size() == std::min<std::size_t>(d[12], held), "volumes clamped");
    for (std::size_t i = 0; i < reply->volumes.size(); ++i) {
        const VolumeEntry& v = reply->volumes[i];
        const std::size_t base = 13 + 68 * i;
        Require(v.shareName.view() == FieldText(d, base, 36), "share name");
        Require(v.deviceId.view() == FieldText(d, base + 36, 16), "device id");
        Require(v.fsType.view() == FieldText(d, base + 52, 10), "file system");
        Require(Terminated(v.shareName) && Terminated(v.deviceId) && Terminated(v.fsType),
                "texts terminated");
        const VolumeRow row = FormatVolumeRow(v);
        Require(row.shareName.size() <= 36 && row.deviceId.size() <= 16 && row.fsType.size() <= 10,
                "columns bounded");
        Require(row.totalSizeMb == std::to_string(v.totalSizeMb) &&
                    row.freeSpace == std::to_string(v.freePercent) + "%",
                "numbers as %d");
    }
}

void StatusReplyEntry(std::span<const std::uint8_t> d) {
    for (const std::uint16_t command :
         {CMD_SET_SYSTEM_INFO, CMD_SET_NETWORK_INFO, CMD_VERIFY_ADMIN}) {
        const bool valid = d.size() >= 4 && Command(d) == command;
        const auto status = DecodeStatusReply(d, command);
        Require(status.has_value() == valid, "status read exactly when valid");
        Require(!status || *status == (d[2] | (d[3] << 8)), "status from bytes 2..3");
    }
}

// Shows nothing; counts what it was asked to show.
class CountingView final : public DetailView {
  public:
    void ClearDetails() override { ++clears; }
    void ShowBasicInformation(std::string_view, std::string_view, std::string_view,
                              std::string_view, std::string_view) override {
        ++basics;
    }
    void ShowVolumes(const std::vector<VolumeRow>& rows) override {
        Require(rows.size() <= 14, "no more volumes than a datagram holds");
    }
    void EnableDeviceButtons() override { ++enables; }

    int clears = 0;
    int basics = 0;
    int enables = 0;
};

// A whole detail query against a device that answers each request with the next datagram of
// the input (2-byte little-endian length, then that many bytes) and falls silent when they run
// out.
void DetailQueryEntry(std::span<const std::uint8_t> d) {
    std::vector<Bytes> script;
    std::size_t at = 0;
    while (at + 2 <= d.size() && script.size() < 300) {
        std::size_t length = static_cast<std::size_t>(d[at] | (d[at + 1] << 8)) % 1025;
        at += 2;
        length = std::min(length, d.size() - at);
        script.emplace_back(d.begin() + static_cast<std::ptrdiff_t>(at),
                            d.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    }

    const MacAddress mac{0x02, 0, 0, 0, 0, 1};
    protocol::testing::FakeNetwork net;
    platform::testing::RecordingMessageBoxes boxes;
    std::size_t next = 0;
    auto& device = net.AddDevice(mac);
    for (const std::uint16_t command :
         {CMD_GET_SYSTEM_INFO, CMD_GET_NETWORK_INFO, CMD_GET_SHARE_COUNT, CMD_GET_SHARE_PAGE,
          CMD_GET_VOLUME_INFO}) {
        device.On(command, [&](std::span<const std::uint8_t>) {
            std::vector<protocol::testing::Answer> answers;
            if (next < script.size()) {
                answers.push_back({script[next++], std::chrono::milliseconds(5)});
            }
            return answers;
        });
    }

    DeviceRecord record;
    record.macAddress = mac;
    CountingView view;
    const auto result = RunDetailQuery({net, net, boxes}, record, view);
    Require(result != DetailQueryResult::SetupFailed, "set-up cannot fail here");
    Require(view.clears == 1 && view.basics <= 1, "panes cleared once, shown at most once");
    Require((result == DetailQueryResult::Completed) == (view.enables == 1),
            "buttons enabled exactly when completed");
    Require(boxes.Warnings().size() == (result == DetailQueryResult::TimedOut ? 1u : 0u),
            "one message for a timeout, none otherwise");
    Require(net.OpenSockets() == 0 && net.LayerUses() == 0 && net.misuses() == 0,
            "socket closed and layer released");
    const auto pages = static_cast<std::size_t>(SharePagesToRequest(record.shareCount));
    Require(record.shares.size() <= pages * 28, "no more names than the pages hold");
    for (const auto& share : record.shares) {
        Require(Terminated(share.name), "share names terminated");
    }
    Require(Terminated(record.description) && Terminated(record.ipAddress) &&
                Terminated(record.firmwareVersion),
            "record texts terminated");
}

constexpr Target TARGETS[] = {
    {"discovery_reply", DiscoveryReplyEntry},
    {"system_info_reply", SystemInfoReplyEntry},
    {"network_info_reply", NetworkInfoReplyEntry},
    {"share_count_reply", ShareCountReplyEntry},
    {"share_page_reply", SharePageReplyEntry},
    {"volume_info_reply", VolumeInfoReplyEntry},
    {"status_reply", StatusReplyEntry},
    {"detail_query", DetailQueryEntry},
};

}  // namespace

std::span<const Target> Targets() {
    return TARGETS;
}

const Target* FindTarget(std::string_view name) {
    for (const auto& t : TARGETS) {
        if (t.name == name) {
            return &t;
        }
    }
    return nullptr;
}

}  // namespace halvo::fuzz
