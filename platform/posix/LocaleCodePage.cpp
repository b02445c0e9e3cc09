// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/LocaleCodePage.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>

namespace halvo::platform {

namespace {

constexpr unsigned WESTERN = 1252;

struct LanguageRow {
    std::string_view language;
    unsigned codePage;
};

// The languages whose code page is not the Western one; the languages Windows gives no ANSI code
// page of their own fall to the Western one too. Chinese, Serbian and Uzbek depend on territory or
// script and are decided before the table is read.
constexpr LanguageRow kLanguages[] = {
    {"ja", 932},  {"ko", 949},   {"ru", 1251}, {"uk", 1251}, {"be", 1251}, {"bg", 1251},
    {"mk", 1251}, {"kk", 1251},  {"ky", 1251}, {"mn", 1251}, {"tt", 1251}, {"ba", 1251},
    {"tg", 1251}, {"sah", 1251}, {"pl", 1250}, {"cs", 1250}, {"sk", 1250}, {"hu", 1250},
    {"sl", 1250}, {"hr", 1250},  {"ro", 1250}, {"sq", 1250}, {"bs", 1250}, {"el", 1253},
    {"tr", 1254}, {"az", 1254},  {"he", 1255}, {"iw", 1255}, {"ar", 1256}, {"fa", 1256},
    {"ur", 1256}, {"ug", 1256},  {"lt", 1257}, {"lv", 1257}, {"et", 1257}, {"vi", 1258},
    {"th", 874},
};

constexpr unsigned kKnown[] = {874,  932,  936,  949,  950,  1250, 1251,          1252,
                               1253, 1254, 1255, 1256, 1257, 1258, CODE_PAGE_UTF8};

bool IsOneOf(std::string_view text, std::initializer_list<std::string_view> candidates) {
    return std::find(candidates.begin(), candidates.end(), text) != candidates.end();
}

}  // namespace

unsigned CodePageForLocale(std::string_view locale) {
    // language[_territory][.charset][@modifier]
    const std::size_t at = locale.find('@');
    const std::string_view modifier =
        at == std::string_view::npos ? std::string_view() : locale.substr(at + 1);
    const std::string_view name = locale.substr(0, std::min(locale.find('.'), at));
    const std::size_t underscore = name.find('_');
    const std::string_view language = name.substr(0, underscore);
    const std::string_view territory =
        underscore == std::string_view::npos ? std::string_view() : name.substr(underscore + 1);

    if (language == "zh") {
        return IsOneOf(territory, {"TW", "HK", "MO"}) ? 950 : 936;
    }
    if (language == "sr") {
        return modifier == "latin" ? 1250 : 1251;
    }
    if (language == "uz") {
        return modifier == "cyrillic" ? 1251 : 1254;
    }
    for (const LanguageRow& row : kLanguages) {
        if (row.language == language) {
            return row.codePage;
        }
    }
    return WESTERN;  // C, POSIX and every other language
}

bool IsKnownCodePage(unsigned codePage) {
    return std::find(std::begin(kKnown), std::end(kKnown), codePage) != std::end(kKnown);
}

std::string CtypeLocale(const EnvironmentLookup& lookup) {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = lookup(variable);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return "";
}

CodePageChoice ChooseCodePage(const EnvironmentLookup& lookup,
                              std::optional<std::string_view> override) {
    CodePageChoice choice = ChooseNamedCodePage(lookup, override, IsKnownCodePage);
    if (choice.codePage == 0 && choice.error.empty()) {
        choice.codePage = CodePageForLocale(CtypeLocale(lookup));
    }
    return choice;
}

}  // namespace halvo::platform
