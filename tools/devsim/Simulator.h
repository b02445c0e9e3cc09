// SPDX-License-Identifier: GPL-3.0-or-later
// The request handler of simulated devices: no sockets, so it runs the same in a test as behind
// the server loop. A host holds one device or many behind one address. Requests are read and
// replies built with the protocol library's own wire format.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "protocol/WireFormat.h"
#include "tools/devsim/DeviceConfig.h"

namespace halvo::devsim {

using WallClock = std::chrono::system_clock;
using protocol::Bytes;

// One datagram to send back to the requester, `delay` after the request arrived.
struct Outgoing {
    Bytes bytes;
    std::chrono::microseconds delay{0};
};

// Status a device gives a set or verify request it cannot read (too short for its block).
inline constexpr std::uint16_t STATUS_MALFORMED = 2;
// Status of a set request whose date or time is no calendar time; nothing is taken.
inline constexpr std::uint16_t STATUS_BAD_CLOCK = 3;
// Status of a verify request with the wrong name or password.
inline constexpr std::uint16_t STATUS_BAD_PASSWORD = 1;

class SimulatedDevice {
  public:
    explicit SimulatedDevice(DeviceConfig config);

    // Adds this device's answers to `request` (none when it is not addressed) to `out`.
    void Handle(const protocol::PacketHeader& header, std::span<const std::uint8_t> request,
                WallClock::time_point now, std::vector<Outgoing>& out);

    const DeviceConfig& config() const { return config_; }
    // The settings as the next get would report them.
    protocol::SystemInfoBlock SystemInfo(WallClock::time_point now) const;
    const protocol::NetworkInfoBlock& NetworkInfo() const { return config_.network; }

  private:
    bool Addressed(const protocol::PacketHeader& header) const;
    // Carries out a request and returns the normal reply, or nothing when there is none.
    std::optional<Bytes> Carry(std::uint16_t command, std::span<const std::uint8_t> request,
                               WallClock::time_point now);
    // The reply `command` gets, without changing any state. The content faults (echo_page,
    // overcount) follow the reply's command; the delivery faults are applied by Handle.
    std::optional<Bytes> Reply(std::uint16_t command, std::span<const std::uint8_t> request,
                               WallClock::time_point now) const;
    std::uint16_t SetSystemInfo(std::span<const std::uint8_t> request, WallClock::time_point now);
    std::uint16_t SetNetworkInfo(std::span<const std::uint8_t> request);
    std::uint16_t VerifyAdmin(std::span<const std::uint8_t> request) const;
    void Flood(std::vector<Outgoing>& out) const;

    DeviceConfig config_;
    // Live clock: the device's time is the wall clock moved by this much.
    std::chrono::seconds clockOffset_{0};
};

class DeviceHost {
  public:
    explicit DeviceHost(std::vector<DeviceConfig> devices);

    // Every answer of every device to one received datagram, in the order to send them.
    std::vector<Outgoing> Handle(std::span<const std::uint8_t> datagram, WallClock::time_point now);

    const std::vector<SimulatedDevice>& devices() const { return devices_; }

  private:
    std::vector<SimulatedDevice> devices_;
};

}  // namespace halvo::devsim
