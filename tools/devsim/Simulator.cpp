// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/Simulator.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "protocol/device/DeviceReplies.h"

namespace halvo::devsim {

using protocol::Bytes;

namespace {

bool IsZero(const protocol::MacAddress& mac) {
    return std::all_of(mac.begin(), mac.end(), [](std::uint8_t b) { return b == 0; });
}

// What an 'overcount' reply claims: more entries than any 1024-byte datagram can carry.
constexpr std::uint8_t OVERCOUNT = 255;
// The signature a stray datagram carries instead of "0101".
constexpr std::string_view STRAY_SIGNATURE = "0000";
constexpr std::size_t SIGNATURE_OFFSET = 12;

}  // namespace

SimulatedDevice::SimulatedDevice(DeviceConfig config) : config_(std::move(config)) {}

bool SimulatedDevice::Addressed(const protocol::PacketHeader& header) const {
    if (header.command == protocol::CMD_DISCOVER) {
        return IsZero(header.deviceMac) || header.deviceMac == config_.mac;
    }
    return header.deviceMac == config_.mac;
}

protocol::SystemInfoBlock SimulatedDevice::SystemInfo(WallClock::time_point now) const {
    protocol::SystemInfoBlock b = config_.system;
    if (!config_.fixedClock) {
        FormatDeviceTime(now + clockOffset_, b.date, b.time);
    }
    return b;
}

void SimulatedDevice::Handle(const protocol::PacketHeader& header,
                             std::span<const std::uint8_t> request, WallClock::time_point now,
                             std::vector<Outgoing>& out) {
    if (!Addressed(header)) {
        return;
    }
    const std::uint16_t command = header.command;
    const Faults& f = config_.faults;
    if (f.flood > 0 && f.floodOn.Has(command)) {
        Flood(out);
    }
    if (f.silent.Has(command)) {
        return;
    }
    std::optional<Bytes> reply = Carry(command, request, now);
    if (!reply) {
        return;
    }
    if (const auto other = f.wrongCommand.Find(command)) {
        // The request is carried out, but the answer is what `other` would get (a bare header
        // for a command that has no get reply).
        reply = Reply(*other, request, now);
        if (!reply) {
            reply = protocol::EncodeStatusReply(*other, 0);
        }
    }
    if (const auto cut = f.shortReply.Find(command)) {
        std::size_t length = *cut;
        if (length == SHORT_HALF) {
            length = protocol::HEADER_SIZE + (reply->size() - protocol::HEADER_SIZE) / 2;
        }
        reply->resize(std::min(length, reply->size()));
    }
    const std::chrono::microseconds delay =
        config_.latency + f.delay.Find(command).value_or(std::chrono::milliseconds{0});
    out.push_back({*reply, delay});
    if (f.twice.Has(command)) {
        out.push_back({std::move(*reply), delay + f.twiceGap});
    }
}

// Strays look like discovery replies with a wrong signature: the tool must ignore every one.
void SimulatedDevice::Flood(std::vector<Outgoing>& out) const {
    Bytes stray = protocol::EncodeDiscoveryReply(config_.mac, config_.name.view(),
                                                 config_.network.ipAddress.view(), config_.webPort);
    protocol::ByteWriter(stray).Text(SIGNATURE_OFFSET, STRAY_SIGNATURE.size(), STRAY_SIGNATURE);
    const Faults& f = config_.faults;
    for (unsigned i = 0; i < f.flood; ++i) {
        out.push_back({stray, config_.latency + f.floodInterval * i});
    }
}

std::optional<Bytes> SimulatedDevice::Carry(std::uint16_t command,
                                            std::span<const std::uint8_t> request,
                                            WallClock::time_point now) {
    const Faults& f = config_.faults;
    const bool refused = f.refuse.Has(command);
    switch (command) {
        case protocol::CMD_SET_SYSTEM_INFO:
            return protocol::EncodeStatusReply(
                command, refused ? f.refuseStatus : SetSystemInfo(request, now));
        case protocol::CMD_SET_NETWORK_INFO:
            return protocol::EncodeStatusReply(command,
                                               refused ? f.refuseStatus : SetNetworkInfo(request));
        case protocol::CMD_VERIFY_ADMIN:
            return protocol::EncodeStatusReply(command,
                                               refused ? f.refuseStatus : VerifyAdmin(request));
        default:
            return Reply(command, request, now);
    }
}

std::optional<Bytes> SimulatedDevice::Reply(std::uint16_t command,
                                            std::span<const std::uint8_t> request,
                                            WallClock::time_point now) const {
    const Faults& f = config_.faults;
    const auto declared = [&]() -> std::optional<std::uint8_t> {
        if (f.overcount.Has(command)) {
            return OVERCOUNT;
        }
        return std::nullopt;
    };
    switch (command) {
        case protocol::CMD_DISCOVER:
            return protocol::EncodeDiscoveryReply(config_.mac, config_.name.view(),
                                                  config_.network.ipAddress.view(),
                                                  config_.webPort);
        case protocol::CMD_GET_SYSTEM_INFO:
            return protocol::EncodeSystemInfoReply(config_.firmwareVersion.view(), SystemInfo(now));
        case protocol::CMD_GET_NETWORK_INFO:
            return protocol::EncodeNetworkInfoReply(config_.network);
        case protocol::CMD_GET_VOLUME_INFO:
            return protocol::EncodeVolumeInfoReply(config_.volumes, declared());
        case protocol::CMD_GET_SHARE_COUNT:
            return protocol::EncodeShareCountReply(
                f.reportShareCount.value_or(static_cast<std::int16_t>(config_.shares.size())));
        case protocol::CMD_GET_SHARE_PAGE: {
            // A request without its page byte (only possible through 'wrong_command') is page 0.
            const std::uint8_t page = protocol::DecodeSharePageRequest(request).value_or(0);
            const std::size_t first = std::size_t{page} * protocol::SHARES_PER_PAGE;
            const std::size_t last =
                std::min(config_.shares.size(), first + protocol::SHARES_PER_PAGE);
            std::vector<std::string_view> names;
            for (std::size_t i = first; i < last; ++i) {
                names.push_back(config_.shares[i].name.view());
            }
            std::uint8_t answered = page;
            auto echo = f.echoPage.find(page);
            if (echo == f.echoPage.end()) {
                echo = f.echoPage.find(-1);
            }
            if (echo != f.echoPage.end()) {
                answered = echo->second;
            }
            return protocol::EncodeSharePageReply(answered, names, declared());
        }
        case protocol::CMD_SET_SYSTEM_INFO:
        case protocol::CMD_SET_NETWORK_INFO:
        case protocol::CMD_VERIFY_ADMIN:
            return protocol::EncodeStatusReply(command, 0);
        default:
            return std::nullopt;  // unknown commands get no answer
    }
}

std::uint16_t SimulatedDevice::SetSystemInfo(std::span<const std::uint8_t> request,
                                             WallClock::time_point now) {
    const auto block = protocol::DecodeSetSystemInfoRequest(request);
    if (!block) {
        return STATUS_MALFORMED;
    }
    const auto when = ParseDeviceTime(block->date.view(), block->time.view());
    if (!when) {
        return STATUS_BAD_CLOCK;  // nothing taken: the settings go in whole or not at all
    }
    config_.system.passwordRequired = block->passwordRequired;
    config_.system.description = block->description;
    config_.system.timezoneIndex = block->timezoneIndex;
    if (!block->name.empty()) {  // an empty name field never leaves the device nameless
        config_.system.name = block->name;
        config_.name = block->name;
    }
    if (config_.fixedClock) {
        config_.system.date = block->date;
        config_.system.time = block->time;
    } else {
        clockOffset_ = std::chrono::duration_cast<std::chrono::seconds>(*when - now);
    }
    return 0;
}

std::uint16_t SimulatedDevice::SetNetworkInfo(std::span<const std::uint8_t> request) {
    const auto block = protocol::DecodeSetNetworkInfoRequest(request);
    if (!block) {
        return STATUS_MALFORMED;
    }
    // Kept and reported by the next get and the next discovery; the host's real address stays.
    config_.network = *block;
    config_.ipAddress = block->ipAddress;
    return 0;
}

std::uint16_t SimulatedDevice::VerifyAdmin(std::span<const std::uint8_t> request) const {
    const auto credentials = protocol::DecodeVerifyAdminRequest(request);
    if (!credentials) {
        return STATUS_MALFORMED;
    }
    const bool match = credentials->name.view() == config_.adminName.view() &&
                       credentials->password.view() == config_.adminPassword.view();
    return match ? 0 : STATUS_BAD_PASSWORD;
}

DeviceHost::DeviceHost(std::vector<DeviceConfig> devices) {
    devices_.reserve(devices.size());
    for (auto& d : devices) {
        devices_.emplace_back(std::move(d));
    }
}

std::vector<Outgoing> DeviceHost::Handle(std::span<const std::uint8_t> datagram,
                                         WallClock::time_point now) {
    std::vector<Outgoing> out;
    const auto header = protocol::DecodeHeader(datagram);
    if (!header) {
        return out;  // shorter than a header: nobody's request
    }
    for (auto& device : devices_) {
        device.Handle(*header, datagram, now, out);
    }
    // Stable, so each device's answers keep their order and the burst keeps device order.
    std::stable_sort(out.begin(), out.end(),
                     [](const Outgoing& a, const Outgoing& b) { return a.delay < b.delay; });
    return out;
}

}  // namespace halvo::devsim
