// SPDX-License-Identifier: GPL-3.0-or-later
// What one simulated device is: its identity, its settings, its shares and volumes, the SMB
// account that serves its shares, and the faults it is told to commit. Read from an INI-like file
// of [device] sections (format: tools/devsim/README.md).
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/Protocol.h"

namespace halvo::devsim {

// A set of command codes given by name in the file; "all" matches every command.
struct CommandSet {
    bool all = false;
    std::set<std::uint16_t> codes;

    bool Has(std::uint16_t command) const { return all || codes.count(command) != 0; }
    bool Empty() const { return !all && codes.empty(); }
};

// A per-command value with an optional "all" fallback; a named command wins over "all".
template <typename T>
struct CommandMap {
    std::optional<T> all;
    std::map<std::uint16_t, T> codes;

    std::optional<T> Find(std::uint16_t command) const {
        auto it = codes.find(command);
        if (it != codes.end()) {
            return it->second;
        }
        return all;
    }
    bool Empty() const { return !all && codes.empty(); }
};

// Fault switches. Each is one key of a [device] section.
struct Faults {
    CommandSet silent;                             // silent = get_system_info, verify_admin
    CommandMap<std::uint16_t> wrongCommand;        // wrong_command = get_network_info:16
    std::map<int, std::uint8_t> echoPage;          // echo_page = 1:5, *:7   (-1 is '*')
    CommandSet refuse;                             // refuse = set_system_info, verify_admin
    std::uint16_t refuseStatus = 1;                // refuse_status = 3
    CommandMap<std::chrono::milliseconds> delay;   // delay = all:150, get_share_page:900
    CommandSet twice;                              // twice = get_share_count
    std::chrono::milliseconds twiceGap{0};         // twice_gap_ms = 50
    CommandMap<std::size_t> shortReply;            // short = discover:30, get_system_info (half)
    CommandSet overcount;                          // overcount = get_share_page, get_volume_info
    std::optional<std::int16_t> reportShareCount;  // report_share_count = -3
    unsigned flood = 0;                            // flood = 300  (stray datagrams per trigger)
    std::chrono::milliseconds floodInterval{10};   // flood_interval_ms = 10
    CommandSet floodOn;                            // flood_on = discover (the default)
};

// A short reply without an explicit length is cut to half its payload.
inline constexpr std::size_t SHORT_HALF = static_cast<std::size_t>(-1);

struct DeviceConfig {
    int line = 0;  // line of the [device] header, for messages
    protocol::MacAddress mac{};
    // The code page the box's texts are kept and sent in, as a workstation of that language
    // would have written them; 0: the file's bytes as they stand.
    unsigned codePage = 0;
    protocol::FixedText<16> name;
    protocol::FixedText<15> ipAddress;  // empty: the host's own address
    std::uint16_t webPort = 80;
    // How long the device takes for every answer, as a real box's processing and wire would.
    std::chrono::microseconds latency{0};
    protocol::FixedText<4> firmwareVersion;
    protocol::SystemInfoBlock system;  // name mirrors `name`; date/time used when fixedClock
    bool fixedClock = false;
    protocol::NetworkInfoBlock network;  // ipAddress mirrors `ipAddress`
    protocol::FixedText<16> adminName;
    protocol::FixedText<8> adminPassword;
    // The SMB account that may use the shares; read by the file-server script, not the simulator.
    std::string smbUser;
    std::string smbPassword;
    std::vector<protocol::ShareEntry> shares;
    std::vector<protocol::VolumeEntry> volumes;
    unsigned replicate = 1;
    Faults faults;
};

struct ConfigError {
    int line = 0;  // 0: the file as a whole
    std::string message;
};

struct ConfigResult {
    std::vector<DeviceConfig> devices;
    std::optional<ConfigError> error;
};

// Parses the text of a configuration file. On error `devices` is empty.
ConfigResult ParseConfig(std::string_view text);
// Reads and parses a file; an unreadable file is an error of line 0.
ConfigResult LoadConfigFile(const std::string& path);

// Makes the devices one host runs: fills an empty ipAddress with `hostAddress`, expands
// `replicate` into distinct devices (MAC counted up, number appended to the name) and, for
// `instance` > 0, moves every MAC by instance * 0x10000 so one file can serve several hosts.
std::vector<DeviceConfig> ExpandDevices(const std::vector<DeviceConfig>& devices,
                                        std::string_view hostAddress, unsigned instance);

// The SMB accounts of the file's devices for the file-server scripts: one line per device that
// has `smb_user`, "user<TAB>password<TAB>share<TAB>share…" in file order. False, with `error`
// naming the device, when a share name holds a tab or a line break (it could not be told apart).
bool FormatSmbAccounts(const std::vector<DeviceConfig>& devices, std::string& out,
                       std::string& error);

// A text of the device as the file gave it (UTF-8): its bytes decoded from the device's code
// page. Bytes that do not decode come out as U+FFFD.
std::string TextAsWritten(const DeviceConfig& device, std::string_view bytes);

// Command code for a name such as "get_share_page" (or a decimal code); nothing if unknown.
std::optional<std::uint16_t> CommandByName(std::string_view name);
std::string CommandName(std::uint16_t command);

// Live-clock helpers: YYYYMMDD and HHMMSS of a UTC time point, and the reverse.
std::optional<std::chrono::system_clock::time_point> ParseDeviceTime(std::string_view date,
                                                                     std::string_view time);
void FormatDeviceTime(std::chrono::system_clock::time_point when, protocol::FixedText<8>& date,
                      protocol::FixedText<6>& time);

}  // namespace halvo::devsim
