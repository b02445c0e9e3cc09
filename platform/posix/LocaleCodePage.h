// SPDX-License-Identifier: GPL-3.0-or-later
// Which ANSI code page a workstation with this locale would have: Windows picks it from the
// system locale's language (and, for Chinese, the territory); here the locale is the one the
// C library takes its character classes from.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace halvo::platform {

inline constexpr unsigned CODE_PAGE_UTF8 = 65001;

// "zh_CN.UTF-8", "ru_RU", "sr_RS@latin", "de": the code page for it; 1252 for C, POSIX, an empty
// name and every language without a code page of its own.
unsigned CodePageForLocale(std::string_view locale);

// A code page the table can choose, or 65001.
bool IsKnownCodePage(unsigned codePage);

// The locale name that decides the character set: the first non-empty of LC_ALL, LC_CTYPE and
// LANG, as the C library reads them. `lookup` reads one variable (null: not set).
using EnvironmentLookup = std::function<const char*(const char*)>;
std::string CtypeLocale(const EnvironmentLookup& lookup);

// The code page a program runs with. `override` ("936", "65001") comes from the command line or
// HALVO_CODEPAGE and wins over the locale; without it, HALVO_CODEPAGE from `lookup` does. An
// override that is not a known code page leaves codePage 0 and says why in `error`.
struct CodePageChoice {
    unsigned codePage = 0;
    std::string error;
};
CodePageChoice ChooseCodePage(const EnvironmentLookup& lookup,
                              std::optional<std::string_view> override = std::nullopt);

// The C library's environment.
EnvironmentLookup ProcessEnvironment();

}  // namespace halvo::platform
