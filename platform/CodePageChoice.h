// SPDX-License-Identifier: GPL-3.0-or-later
// The code page a program is told to use, on every system with the same rule and the same words:
// `override` (the command line's "936") wins, else HALVO_CODEPAGE when set and not empty, else
// nothing is named and the system's own code page decides. What the system can convert decides
// whether a number is a code page.
#pragma once

#include <charconv>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace halvo::platform {

// Reads one environment variable (null: not set).
using EnvironmentLookup = std::function<const char*(const char*)>;

// The C library's environment.
inline EnvironmentLookup ProcessEnvironment() {
    return [](const char* name) -> const char* { return std::getenv(name); };
}

// codePage 0 with an empty error: nothing was named. codePage 0 with an error: what was named is
// no code page `exists` knows, and the error says so.
struct CodePageChoice {
    unsigned codePage = 0;
    std::string error;
};

inline CodePageChoice ChooseNamedCodePage(const EnvironmentLookup& lookup,
                                          std::optional<std::string_view> override,
                                          const std::function<bool(unsigned)>& exists) {
    const char* fromEnvironment = lookup("HALVO_CODEPAGE");
    const bool environmentDecides =
        !override && fromEnvironment != nullptr && *fromEnvironment != '\0';
    if (environmentDecides) {
        override = fromEnvironment;
    }
    CodePageChoice choice;
    if (!override) {
        return choice;
    }
    unsigned number = 0;
    const char* end = override->data() + override->size();
    const auto [stop, failure] = std::from_chars(override->data(), end, number);
    if (failure != std::errc() || stop != end || number == 0 || !exists(number)) {
        choice.error = "unknown code page '" + std::string(*override) + "'" +
                       (environmentDecides ? " in HALVO_CODEPAGE" : "") +
                       ": give one this system can convert, such as 1252, 936, or 65001 for UTF-8";
        return choice;
    }
    choice.codePage = number;
    return choice;
}

}  // namespace halvo::platform
