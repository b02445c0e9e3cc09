// SPDX-License-Identifier: GPL-3.0-or-later
// Which ANSI code page a workstation with this locale would have: Windows picks it from the
// system locale's language (and, for Chinese, the territory); here the locale is the one the
// C library takes its character classes from.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/CodePageChoice.h"

namespace halvo::platform {

inline constexpr unsigned CODE_PAGE_UTF8 = 65001;

// "zh_CN.UTF-8", "ru_RU", "sr_RS@latin", "de": the code page for it; 1252 for C, POSIX, an empty
// name and every language without a code page of its own.
unsigned CodePageForLocale(std::string_view locale);

// A code page the table can choose, or 65001.
bool IsKnownCodePage(unsigned codePage);

// The locale name that decides the character set: the first non-empty of LC_ALL, LC_CTYPE and
// LANG, as the C library reads them.
std::string CtypeLocale(const EnvironmentLookup& lookup);

// The code page a program runs with: the one named (ChooseNamedCodePage, among the known ones),
// else the locale's. A name that is not a known code page leaves codePage 0 and says why in
// `error`.
CodePageChoice ChooseCodePage(const EnvironmentLookup& lookup,
                              std::optional<std::string_view> override = std::nullopt);

}  // namespace halvo::platform
