// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Values.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "protocol/DeviceRoutes.h"

namespace halvo::cli {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Exactly `digits` decimal digits.
std::optional<int> Fixed(std::string_view text, std::size_t digits) {
    if (text.size() != digits) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

}  // namespace

std::optional<protocol::MacAddress> ParseMac(std::string_view text) {
    if (text.size() != 17) {
        return std::nullopt;
    }
    const char separator = text[2];
    if (separator != ':' && separator != '-') {
        return std::nullopt;
    }
    protocol::MacAddress mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const std::size_t at = i * 3;
        if (i > 0 && text[at - 1] != separator) {
            return std::nullopt;
        }
        const int high = HexDigit(text[at]);
        const int low = HexDigit(text[at + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        mac[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return mac;
}

bool IsDottedQuad(std::string_view text) {
    return protocol::ParseIPv4(text).has_value();
}

std::optional<DateValue> ParseDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const auto year = Fixed(text.substr(0, 4), 4);
    const auto month = Fixed(text.substr(5, 2), 2);
    const auto day = Fixed(text.substr(8, 2), 2);
    if (!year || !month || !day || *year < 1970 || *month < 1 || *month > 12 || *day < 1 ||
        *day > DaysInMonth(*year, *month)) {
        return std::nullopt;
    }
    return DateValue{*year, *month, *day};
}

std::optional<TimeValue> ParseTime(std::string_view text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') {
        return std::nullopt;
    }
    const auto hour = Fixed(text.substr(0, 2), 2);
    const auto minute = Fixed(text.substr(3, 2), 2);
    const auto second = Fixed(text.substr(6, 2), 2);
    if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    return TimeValue{*hour, *minute, *second};
}

std::optional<std::string> ParseDriveLetter(std::string_view text) {
    if (text.size() == 2 && text[1] == ':') {
        text.remove_suffix(1);
    }
    const char c = text.empty() ? '\0' : text[0];
    if (text.size() != 1 || !((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
        return std::nullopt;
    }
    return std::string{static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))), ':'};
}

std::optional<std::vector<std::uint32_t>> ParseUnicastAddresses(
    const std::vector<std::string>& texts, std::string& problem) {
    std::vector<std::uint32_t> addresses;
    for (const std::string& text : texts) {
        const std::optional<std::uint32_t> address = protocol::ParseIPv4(text);
        if (!address || !protocol::IsHostAddress(*address)) {
            problem = "--address '" + text +
                      "' is not the IPv4 address of one box (a.b.c.d, not 0.x.x.x, loopback, "
                      "multicast or broadcast)";
            return std::nullopt;
        }
        if (std::find(addresses.begin(), addresses.end(), *address) == addresses.end()) {
            addresses.push_back(*address);
        }
    }
    return addresses;
}

std::optional<bool> ParseYesNo(std::string_view text) {
    if (text == "yes") {
        return true;
    }
    if (text == "no") {
        return false;
    }
    return std::nullopt;
}

}  // namespace halvo::cli
