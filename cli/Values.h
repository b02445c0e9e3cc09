// SPDX-License-Identifier: GPL-3.0-or-later
// The values a user gives on the command line or in a plan, checked before anything is sent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/Protocol.h"

namespace halvo::cli {

// Six two-digit hexadecimal bytes separated by ':' or '-' (either case).
std::optional<protocol::MacAddress> ParseMac(std::string_view text);

// Four decimal numbers 0-255 joined by dots, each of one to three digits.
bool IsDottedQuad(std::string_view text);

struct DateValue {
    int year = 0;
    int month = 0;
    int day = 0;
};
struct TimeValue {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "YYYY-MM-DD", a real calendar date from 1970-01-01 to 9999-12-31 (the pickers' range).
std::optional<DateValue> ParseDate(std::string_view text);
// "HH:MM:SS", hour 00-23, minute and second 00-59.
std::optional<TimeValue> ParseTime(std::string_view text);

// A drive letter as "Z", "z" or "Z:", given as the local name "Z:".
std::optional<std::string> ParseDriveLetter(std::string_view text);

// The --address values, host order: each an address one box can have, as the window's "Add
// device by address" takes it; one given twice is asked once. nullopt, with `problem` naming the
// first that is not, when any is bad.
std::optional<std::vector<std::uint32_t>> ParseUnicastAddresses(
    const std::vector<std::string>& texts, std::string& problem);

// "yes" / "no".
std::optional<bool> ParseYesNo(std::string_view text);

}  // namespace halvo::cli
