// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/DeviceConfig.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/posix/IconvTextCodec.h"

namespace halvo::devsim {

using protocol::MacAddress;

namespace {

constexpr std::pair<std::string_view, std::uint16_t> COMMAND_NAMES[] = {
    {"discover", protocol::CMD_DISCOVER},
    {"get_system_info", protocol::CMD_GET_SYSTEM_INFO},
    {"set_system_info", protocol::CMD_SET_SYSTEM_INFO},
    {"get_network_info", protocol::CMD_GET_NETWORK_INFO},
    {"set_network_info", protocol::CMD_SET_NETWORK_INFO},
    {"get_volume_info", protocol::CMD_GET_VOLUME_INFO},
    {"verify_admin", protocol::CMD_VERIFY_ADMIN},
    {"get_share_count", protocol::CMD_GET_SHARE_COUNT},
    {"get_share_page", protocol::CMD_GET_SHARE_PAGE},
};

constexpr unsigned MAX_REPLICATE = 10000;
// Page indexes are one byte, so 256 pages of 20 names is all a device can list.
constexpr std::size_t MAX_SHARES = 256 * protocol::SHARES_PER_PAGE;
constexpr std::size_t MAX_VOLUMES = 14;  // what one 1024-byte reply holds
constexpr unsigned MAX_FLOOD = 100000;
constexpr std::size_t MAX_ACCOUNT_TEXT = 64;

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

std::vector<std::string_view> SplitList(std::string_view s, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const auto at = s.find(separator, start);
        parts.push_back(Trim(s.substr(start, at == std::string_view::npos ? s.npos : at - start)));
        if (at == std::string_view::npos) {
            break;
        }
        start = at + 1;
    }
    return parts;
}

template <typename T>
bool ParseInt(std::string_view s, T& out, long long lo, long long hi) {
    long long v = 0;
    const char* end = s.data() + s.size();
    auto [ptr, ec] = std::from_chars(s.data(), end, v);
    if (s.empty() || ec != std::errc{} || ptr != end || v < lo || v > hi) {
        return false;
    }
    out = static_cast<T>(v);
    return true;
}

bool ParseMac(std::string_view s, MacAddress& mac) {
    const auto parts = SplitList(s, ':');
    if (parts.size() != protocol::MAC_SIZE) {
        return false;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        unsigned v = 0;
        const char* end = parts[i].data() + parts[i].size();
        auto [ptr, ec] = std::from_chars(parts[i].data(), end, v, 16);
        if (parts[i].size() != 2 || ec != std::errc{} || ptr != end) {
            return false;
        }
        mac[i] = static_cast<std::uint8_t>(v);
    }
    return true;
}

bool AllDigits(std::string_view s) {
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

class Parser {
  public:
    ConfigResult Run(std::string_view text) {
        ConfigResult result;
        std::size_t pos = 0;
        while (pos <= text.size() && !error_) {
            const auto eol = text.find('\n', pos);
            std::string_view line = text.substr(pos, eol == text.npos ? text.npos : eol - pos);
            ++lineNo_;
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            Line(Trim(line));
            if (eol == text.npos) {
                break;
            }
            pos = eol + 1;
        }
        if (!error_) {
            EndSection();
        }
        if (!error_ && devices_.empty()) {
            Fail(0, "no [device] section");
        }
        if (error_) {
            result.error = std::move(error_);
        } else {
            result.devices = std::move(devices_);
        }
        return result;
    }

  private:
    void Fail(int line, std::string message) {
        if (!error_) {
            error_ = ConfigError{line, std::move(message)};
        }
    }
    void Fail(std::string message) { Fail(lineNo_, std::move(message)); }

    void Line(std::string_view line) {
        if (line.empty() || line[0] == '#' || line[0] == ';') {
            return;
        }
        if (line[0] == '[') {
            if (line != "[device]") {
                Fail("unknown section " + std::string(line) + " (only [device] is known)");
                return;
            }
            EndSection();
            current_.emplace();
            current_->line = lineNo_;
            current_->firmwareVersion.Assign("0100");
            current_->adminName.Assign("admin");
            current_->adminPassword.Assign("admin");
            current_->network.subnetMask.Assign("255.255.255.0");
            seen_.clear();
            codec_.reset();
            textSeen_ = false;
            return;
        }
        const auto eq = line.find('=');
        if (eq == line.npos) {
            Fail("expected 'key = value', got '" + std::string(line) + "'");
            return;
        }
        if (!current_) {
            Fail("key outside a [device] section");
            return;
        }
        const std::string key(Trim(line.substr(0, eq)));
        std::string_view value = Trim(line.substr(eq + 1));
        if (!value.empty() && value.front() == '"') {
            if (value.size() < 2 || value.back() != '"') {
                Fail("unterminated quoted value for '" + key + "'");
                return;
            }
            value = value.substr(1, value.size() - 2);
        }
        if (key != "share" && key != "volume") {
            auto [it, fresh] = seen_.emplace(key, lineNo_);
            if (!fresh) {
                Fail("'" + key + "' given twice in this section (first on line " +
                     std::to_string(it->second) + ")");
                return;
            }
        }
        Key(key, value);
    }

    // The value in the device's code page, bounded by its field in bytes.
    template <std::size_t N>
    void Text(const std::string& key, std::string_view value, protocol::FixedText<N>& out,
              std::size_t width = N) {
        textSeen_ = true;
        std::string bytes(value);
        if (codec_) {
            const std::optional<std::string> encoded = codec_->Encode(value);
            if (!encoded) {
                Fail("'" + key + "' has characters that code page " +
                     std::to_string(codec_->CodePage()) + " cannot write");
                return;
            }
            bytes = *encoded;
        }
        if (bytes.size() > width) {
            Fail("'" + key + "' is " + std::to_string(bytes.size()) + " bytes; its field holds " +
                 std::to_string(width));
            return;
        }
        out.Assign(bytes);
    }

    void CodePage(std::string_view value) {
        DeviceConfig& d = *current_;
        Number("codepage", value, d.codePage, 1, 65535);
        if (error_) {
            return;
        }
        if (textSeen_) {
            Fail("'codepage' must come before the texts it applies to");
            return;
        }
        codec_ = platform::IconvTextCodec::Open(d.codePage);
        if (!codec_) {
            Fail("unknown code page " + std::string(value));
        }
    }

    template <typename T>
    void Number(const std::string& key, std::string_view value, T& out, long long lo,
                long long hi) {
        if (!ParseInt(value, out, lo, hi)) {
            Fail("'" + key + "' needs a whole number from " + std::to_string(lo) + " to " +
                 std::to_string(hi) + ", got '" + std::string(value) + "'");
        }
    }

    std::optional<std::uint16_t> Command(std::string_view name) {
        auto code = CommandByName(name);
        if (!code) {
            Fail("unknown command '" + std::string(name) + "'");
        }
        return code;
    }

    void Commands(std::string_view value, CommandSet& out) {
        for (auto item : SplitList(value, ',')) {
            if (item == "all") {
                out.all = true;
            } else if (auto code = Command(item)) {
                out.codes.insert(*code);
            }
        }
    }

    // Items "command:value"; a missing value is allowed only when `fallback` is given.
    template <typename T, typename Convert>
    void CommandValues(std::string_view value, CommandMap<T>& out, Convert convert,
                       std::optional<T> fallback = std::nullopt) {
        for (auto item : SplitList(value, ',')) {
            const auto colon = item.find(':');
            const auto name = Trim(item.substr(0, colon));
            std::optional<T> v = fallback;
            if (colon != item.npos) {
                v = convert(Trim(item.substr(colon + 1)));
            } else if (!fallback) {
                Fail("expected 'command:value', got '" + std::string(item) + "'");
            }
            if (!v || error_) {
                if (!error_) {
                    Fail("bad value in '" + std::string(item) + "'");
                }
                return;
            }
            if (name == "all") {
                out.all = *v;
            } else if (auto code = Command(name)) {
                out.codes[*code] = *v;
            }
        }
    }

    void Restrict(const std::string& key, const CommandSet& set,
                  std::initializer_list<std::uint16_t> allowed) {
        if (set.all) {
            return;  // "all" means every command the switch applies to
        }
        for (auto code : set.codes) {
            if (std::find(allowed.begin(), allowed.end(), code) == allowed.end()) {
                std::string names;
                for (auto a : allowed) {
                    names += (names.empty() ? "" : ", ") + CommandName(a);
                }
                Fail("'" + key + "' applies only to " + names + ", not " + CommandName(code));
                return;
            }
        }
    }

    void Key(const std::string& key, std::string_view value) {
        DeviceConfig& d = *current_;
        Faults& f = d.faults;
        if (key == "codepage") {
            CodePage(value);
        } else if (key == "name") {
            Text(key, value, d.name);
        } else if (key == "mac") {
            if (!ParseMac(value, d.mac)) {
                Fail("'mac' needs six two-digit hex bytes like 00:1a:2b:3c:4d:5e, got '" +
                     std::string(value) + "'");
            }
        } else if (key == "ip") {
            Text(key, value, d.ipAddress);
        } else if (key == "web_port") {
            Number(key, value, d.webPort, 1, 65535);
        } else if (key == "latency_us") {
            int us = 0;
            Number(key, value, us, 0, 1000000);
            d.latency = std::chrono::microseconds(us);
        } else if (key == "firmware") {
            if (value.size() != 4) {
                Fail("'firmware' needs exactly four characters, got '" + std::string(value) + "'");
            }
            d.firmwareVersion.Assign(value);
        } else if (key == "password_required") {
            Number(key, value, d.system.passwordRequired, 0, 255);
        } else if (key == "description") {
            Text(key, value, d.system.description);
        } else if (key == "date") {
            if (value.size() != 8 || !AllDigits(value) || !ParseDeviceTime(value, "000000")) {
                Fail("'date' needs a valid YYYYMMDD, got '" + std::string(value) + "'");
            }
            d.system.date.Assign(value);
        } else if (key == "time") {
            if (value.size() != 6 || !AllDigits(value) || !ParseDeviceTime("20000101", value)) {
                Fail("'time' needs a valid HHMMSS, got '" + std::string(value) + "'");
            }
            d.system.time.Assign(value);
        } else if (key == "timezone") {
            Number(key, value, d.system.timezoneIndex, 0, 255);
        } else if (key == "ip_mode") {
            Number(key, value, d.network.ipMode, 0, 255);
        } else if (key == "subnet_mask") {
            Text(key, value, d.network.subnetMask);
        } else if (key == "gateway") {
            Text(key, value, d.network.gateway);
        } else if (key == "primary_dns") {
            Text(key, value, d.network.primaryDns);
        } else if (key == "secondary_dns") {
            Text(key, value, d.network.secondaryDns);
        } else if (key == "admin_name") {
            Text(key, value, d.adminName);
        } else if (key == "admin_password") {
            Text(key, value, d.adminPassword);
        } else if (key == "share") {
            protocol::ShareEntry e;
            if (value.empty()) {
                Fail("'share' needs a name");
            }
            Text(key, value, e.name);
            d.shares.push_back(e);
        } else if (key == "smb_user") {
            Account(key, value, d.smbUser);
        } else if (key == "smb_password") {
            Account(key, value, d.smbPassword);
        } else if (key == "volume") {
            Volume(value);
        } else if (key == "replicate") {
            Number(key, value, d.replicate, 1, MAX_REPLICATE);
        } else if (key == "silent") {
            Commands(value, f.silent);
        } else if (key == "wrong_command") {
            CommandValues(value, f.wrongCommand, [](std::string_view v) {
                std::uint16_t code = 0;
                if (auto named = CommandByName(v)) {
                    return std::optional<std::uint16_t>(*named);
                }
                return ParseInt(v, code, 0, 65535) ? std::optional<std::uint16_t>(code)
                                                   : std::nullopt;
            });
        } else if (key == "echo_page") {
            EchoPage(value, f);
        } else if (key == "refuse") {
            Commands(value, f.refuse);
            Restrict(key, f.refuse,
                     {protocol::CMD_SET_SYSTEM_INFO, protocol::CMD_SET_NETWORK_INFO,
                      protocol::CMD_VERIFY_ADMIN});
        } else if (key == "refuse_status") {
            Number(key, value, f.refuseStatus, 1, 65535);
        } else if (key == "delay") {
            CommandValues(value, f.delay, [](std::string_view v) {
                int ms = 0;
                return ParseInt(v, ms, 0, 600000) ? std::optional<std::chrono::milliseconds>(ms)
                                                  : std::nullopt;
            });
        } else if (key == "twice") {
            Commands(value, f.twice);
        } else if (key == "twice_gap_ms") {
            int ms = 0;
            Number(key, value, ms, 0, 600000);
            f.twiceGap = std::chrono::milliseconds(ms);
        } else if (key == "short") {
            CommandValues(
                value, f.shortReply,
                [](std::string_view v) {
                    std::size_t n = 0;
                    return ParseInt(v, n, 0, 1023) ? std::optional<std::size_t>(n) : std::nullopt;
                },
                std::optional<std::size_t>(SHORT_HALF));
        } else if (key == "overcount") {
            Commands(value, f.overcount);
            Restrict(key, f.overcount,
                     {protocol::CMD_GET_SHARE_PAGE, protocol::CMD_GET_VOLUME_INFO});
        } else if (key == "report_share_count") {
            std::int16_t n = 0;
            Number(key, value, n, -32768, 32767);
            f.reportShareCount = n;
        } else if (key == "flood") {
            Number(key, value, f.flood, 0, MAX_FLOOD);
        } else if (key == "flood_interval_ms") {
            int ms = 0;
            Number(key, value, ms, 0, 60000);
            f.floodInterval = std::chrono::milliseconds(ms);
        } else if (key == "flood_on") {
            Commands(value, f.floodOn);
        } else {
            Fail("unknown key '" + key + "'");
        }
    }

    // Account names and passwords go to a file server's tools verbatim: printable, no blanks.
    void Account(const std::string& key, std::string_view value, std::string& out) {
        const bool printable =
            std::all_of(value.begin(), value.end(), [](char c) { return c > ' ' && c < 0x7F; });
        if (value.empty() || value.size() > MAX_ACCOUNT_TEXT || !printable) {
            Fail("'" + key + "' needs 1 to " + std::to_string(MAX_ACCOUNT_TEXT) +
                 " printable characters without blanks");
            return;
        }
        out = std::string(value);
    }

    // volume = shareName | deviceId | fsType | totalSizeMb | freePercent
    void Volume(std::string_view value) {
        const auto parts = SplitList(value, '|');
        if (parts.size() != 5) {
            Fail("'volume' needs 'share | device id | fs type | total MB | free %'");
            return;
        }
        protocol::VolumeEntry v;
        Text("volume share name", parts[0], v.shareName);
        Text("volume device id", parts[1], v.deviceId);
        Text("volume fs type", parts[2], v.fsType);
        Number("volume total MB", parts[3], v.totalSizeMb, INT32_MIN, INT32_MAX);
        Number("volume free %", parts[4], v.freePercent, INT16_MIN, INT16_MAX);
        if (current_->volumes.size() == MAX_VOLUMES) {
            Fail("more than " + std::to_string(MAX_VOLUMES) +
                 " volumes do not fit one reply (use the 'overcount' fault to claim more)");
            return;
        }
        current_->volumes.push_back(v);
    }

    // echo_page = asked:answered[, ...]; asked may be '*'
    void EchoPage(std::string_view value, Faults& f) {
        for (auto item : SplitList(value, ',')) {
            const auto colon = item.find(':');
            int from = -1;
            std::uint8_t to = 0;
            const auto left = colon == item.npos ? item : Trim(item.substr(0, colon));
            if (colon == item.npos || (left != "*" && !ParseInt(left, from, 0, 255)) ||
                !ParseInt(Trim(item.substr(colon + 1)), to, 0, 255)) {
                Fail("'echo_page' needs 'asked:answered' page numbers (asked may be *), got '" +
                     std::string(item) + "'");
                return;
            }
            f.echoPage[left == "*" ? -1 : from] = to;
        }
    }

    void EndSection() {
        if (!current_ || error_) {
            return;
        }
        DeviceConfig& d = *current_;
        if (!seen_.count("name")) {
            Fail(d.line, "[device] section without a 'name'");
            return;
        }
        if (!seen_.count("mac")) {
            Fail(d.line, "[device] section without a 'mac'");
            return;
        }
        if (seen_.count("date") != seen_.count("time")) {
            Fail(d.line, "'date' and 'time' fix the clock together; give both or neither");
            return;
        }
        d.fixedClock = seen_.count("date") != 0;
        if (d.faults.floodOn.Empty()) {
            d.faults.floodOn.codes.insert(protocol::CMD_DISCOVER);
        }
        if (d.shares.size() > MAX_SHARES) {
            Fail(d.line, "more than " + std::to_string(MAX_SHARES) + " shares cannot be paged");
            return;
        }
        for (const auto& other : devices_) {
            if (other.mac == d.mac) {
                Fail(d.line, "MAC address already used by the device on line " +
                                 std::to_string(other.line));
                return;
            }
        }
        d.system.name = d.name;
        d.network.ipAddress = d.ipAddress;
        devices_.push_back(std::move(d));
        current_.reset();
    }

    int lineNo_ = 0;
    std::optional<ConfigError> error_;
    std::vector<DeviceConfig> devices_;
    std::optional<DeviceConfig> current_;
    std::map<std::string, int> seen_;
    // The section's code page, once given; texts before it would have been taken as they stand.
    std::unique_ptr<platform::IconvTextCodec> codec_;
    bool textSeen_ = false;
};

}  // namespace

bool FormatSmbAccounts(const std::vector<DeviceConfig>& devices, std::string& out,
                       std::string& error) {
    out.clear();
    for (const DeviceConfig& d : devices) {
        if (d.smbUser.empty()) {
            continue;
        }
        std::string line = d.smbUser + '\t' + d.smbPassword;
        for (const protocol::ShareEntry& share : d.shares) {
            // The server names its shares in UTF-8, as the file gave them.
            const std::string name = TextAsWritten(d, share.name.view());
            if (name.find_first_of("\t\r\n") != std::string_view::npos) {
                error = "device " + TextAsWritten(d, d.name.view()) + " (line " +
                        std::to_string(d.line) + "): share name '" + std::string(name) +
                        "' holds a tab or line break";
                out.clear();
                return false;
            }
            line += '\t';
            line += name;
        }
        out += line + '\n';
    }
    return true;
}

std::string TextAsWritten(const DeviceConfig& device, std::string_view bytes) {
    if (device.codePage == 0) {
        return std::string(bytes.substr(0, bytes.find('\0')));
    }
    const auto codec = platform::IconvTextCodec::Open(device.codePage);
    return codec ? codec->Decode(bytes) : std::string(bytes);
}

std::optional<std::uint16_t> CommandByName(std::string_view name) {
    for (const auto& [n, code] : COMMAND_NAMES) {
        if (n == name) {
            return code;
        }
    }
    std::uint16_t code = 0;
    if (ParseInt(name, code, 0, 65535)) {
        return code;
    }
    return std::nullopt;
}

std::string CommandName(std::uint16_t command) {
    for (const auto& [n, code] : COMMAND_NAMES) {
        if (code == command) {
            return std::string(n);
        }
    }
    return std::to_string(command);
}

ConfigResult ParseConfig(std::string_view text) {
    return Parser().Run(text);
}

ConfigResult LoadConfigFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ConfigResult r;
        r.error = ConfigError{0, "cannot read " + path};
        return r;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseConfig(text.str());
}

std::vector<DeviceConfig> ExpandDevices(const std::vector<DeviceConfig>& devices,
                                        std::string_view hostAddress, unsigned instance) {
    std::vector<DeviceConfig> out;
    for (const auto& base : devices) {
        for (unsigned i = 0; i < base.replicate; ++i) {
            DeviceConfig d = base;
            d.replicate = 1;
            // The last three MAC bytes count up as one number, so copies stay distinct.
            std::uint32_t low =
                (std::uint32_t{d.mac[3]} << 16) | (std::uint32_t{d.mac[4]} << 8) | d.mac[5];
            low += i + instance * 0x10000u;
            d.mac[3] = static_cast<std::uint8_t>(low >> 16);
            d.mac[4] = static_cast<std::uint8_t>(low >> 8);
            d.mac[5] = static_cast<std::uint8_t>(low);
            if (base.replicate > 1) {
                const std::string suffix = "-" + std::to_string(i + 1);
                std::string name = base.name.str();
                name.resize(
                    std::min(name.size(), protocol::FixedText<16>::capacity - suffix.size()));
                d.name.Assign(name + suffix);
                d.system.name = d.name;
            }
            if (d.ipAddress.empty()) {
                d.ipAddress.Assign(hostAddress);
                d.network.ipAddress = d.ipAddress;
            }
            out.push_back(std::move(d));
        }
    }
    return out;
}

std::optional<std::chrono::system_clock::time_point> ParseDeviceTime(std::string_view date,
                                                                     std::string_view time) {
    if (date.size() != 8 || time.size() != 6 || !AllDigits(date) || !AllDigits(time)) {
        return std::nullopt;
    }
    auto num = [](std::string_view s) {
        int v = 0;
        std::from_chars(s.data(), s.data() + s.size(), v);
        return v;
    };
    std::tm tm{};
    tm.tm_year = num(date.substr(0, 4)) - 1900;
    tm.tm_mon = num(date.substr(4, 2)) - 1;
    tm.tm_mday = num(date.substr(6, 2));
    tm.tm_hour = num(time.substr(0, 2));
    tm.tm_min = num(time.substr(2, 2));
    tm.tm_sec = num(time.substr(4, 2));
    const std::tm asked = tm;
    const std::time_t t = timegm(&tm);
    // timegm carries overflowing fields over; a real calendar time comes back unchanged.
    if (t == static_cast<std::time_t>(-1) || tm.tm_year != asked.tm_year ||
        tm.tm_mon != asked.tm_mon || tm.tm_mday != asked.tm_mday || tm.tm_hour != asked.tm_hour ||
        tm.tm_min != asked.tm_min || tm.tm_sec != asked.tm_sec) {
        return std::nullopt;
    }
    return std::chrono::system_clock::from_time_t(t);
}

void FormatDeviceTime(std::chrono::system_clock::time_point when, protocol::FixedText<8>& date,
                      protocol::FixedText<6>& time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", (tm.tm_year + 1900) % 10000, tm.tm_mon + 1,
                  tm.tm_mday);
    date.Assign(buf);
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    time.Assign(buf);
}

}  // namespace halvo::devsim
