// SPDX-License-Identifier: GPL-3.0-or-later
// The code page chosen for the workstation's locale, as Windows chooses its ANSI code page, and
// the override that wins over it.
#include <gtest/gtest.h>

#include <map>

#include "platform/posix/LocaleCodePage.h"

namespace halvo::platform {
namespace {

TEST(LocaleCodePageTest, EveryRowOfTheTable) {
    const std::map<std::string, unsigned> rows = {
        {"zh_CN.UTF-8", 936},  {"zh_SG.UTF-8", 936},  {"zh_TW.UTF-8", 950},
        {"zh_HK.UTF-8", 950},  {"ja_JP.UTF-8", 932},  {"ko_KR.UTF-8", 949},
        {"ru_RU.UTF-8", 1251}, {"uk_UA.UTF-8", 1251}, {"bg_BG.UTF-8", 1251},
        {"be_BY.UTF-8", 1251}, {"sr_RS.UTF-8", 1251}, {"sr_RS.UTF-8@latin", 1250},
        {"pl_PL.UTF-8", 1250}, {"cs_CZ.UTF-8", 1250}, {"hu_HU.UTF-8", 1250},
        {"sk_SK.UTF-8", 1250}, {"sl_SI.UTF-8", 1250}, {"hr_HR.UTF-8", 1250},
        {"ro_RO.UTF-8", 1250}, {"el_GR.UTF-8", 1253}, {"tr_TR.UTF-8", 1254},
        {"az_AZ.UTF-8", 1254}, {"uz_UZ.UTF-8", 1254}, {"uz_UZ.UTF-8@cyrillic", 1251},
        {"he_IL.UTF-8", 1255}, {"ar_EG.UTF-8", 1256}, {"fa_IR.UTF-8", 1256},
        {"ur_PK.UTF-8", 1256}, {"lt_LT.UTF-8", 1257}, {"lv_LV.UTF-8", 1257},
        {"et_EE.UTF-8", 1257}, {"vi_VN.UTF-8", 1258}, {"th_TH.UTF-8", 874},
        {"de_DE.UTF-8", 1252}, {"en_US.UTF-8", 1252}, {"fr_FR.ISO-8859-15@euro", 1252},
        {"pt_BR", 1252},       {"sv_SE.UTF-8", 1252},
    };
    for (const auto& [locale, page] : rows) {
        EXPECT_EQ(CodePageForLocale(locale), page) << locale;
        EXPECT_TRUE(IsKnownCodePage(page)) << locale;
    }
}

TEST(LocaleCodePageTest, TheCLocaleAndNamesWithoutTerritory) {
    EXPECT_EQ(CodePageForLocale("C"), 1252u);
    EXPECT_EQ(CodePageForLocale("POSIX"), 1252u);
    EXPECT_EQ(CodePageForLocale("C.UTF-8"), 1252u);
    EXPECT_EQ(CodePageForLocale(""), 1252u);
    EXPECT_EQ(CodePageForLocale("zh"), 936u);
    EXPECT_EQ(CodePageForLocale("ru"), 1251u);
    EXPECT_EQ(CodePageForLocale("ja.UTF-8"), 932u);
    EXPECT_EQ(CodePageForLocale("de"), 1252u);
}

struct Environment {
    std::map<std::string, std::string> variables;
    EnvironmentLookup Lookup() const {
        return [this](const char* name) -> const char* {
            const auto found = variables.find(name);
            return found == variables.end() ? nullptr : found->second.c_str();
        };
    }
};

TEST(LocaleCodePageTest, LcAllThenLcCtypeThenLangDecide) {
    Environment env{{{"LANG", "ru_RU.UTF-8"}}};
    EXPECT_EQ(ChooseCodePage(env.Lookup()).codePage, 1251u);
    env.variables["LC_CTYPE"] = "zh_TW.UTF-8";
    EXPECT_EQ(ChooseCodePage(env.Lookup()).codePage, 950u);
    env.variables["LC_ALL"] = "";  // set but empty: not the one that decides
    EXPECT_EQ(ChooseCodePage(env.Lookup()).codePage, 950u);
    env.variables["LC_ALL"] = "zh_CN.UTF-8";
    EXPECT_EQ(ChooseCodePage(env.Lookup()).codePage, 936u);
    EXPECT_EQ(ChooseCodePage(Environment{}.Lookup()).codePage, 1252u);
}

TEST(LocaleCodePageTest, TheOverrideWinsAndABadOneIsAnError) {
    Environment env{{{"LANG", "zh_CN.UTF-8"}, {"HALVO_CODEPAGE", "65001"}}};
    CodePageChoice choice = ChooseCodePage(env.Lookup());
    EXPECT_EQ(choice.codePage, 65001u);
    EXPECT_TRUE(choice.error.empty());
    // The command line's wins over the environment's.
    EXPECT_EQ(ChooseCodePage(env.Lookup(), "1251").codePage, 1251u);
    for (std::string_view bad : {"437", "12520", "cp1252", "936 ", "-1", ""}) {
        choice = ChooseCodePage(env.Lookup(), bad);
        EXPECT_EQ(choice.codePage, 0u) << bad;
        EXPECT_NE(choice.error.find("unknown code page '" + std::string(bad) + "'"),
                  std::string::npos)
            << choice.error;
    }
    env.variables["HALVO_CODEPAGE"] = "UTF-8";
    EXPECT_EQ(ChooseCodePage(env.Lookup()).codePage, 0u);
    env.variables["HALVO_CODEPAGE"] = "";  // empty: the locale decides
    EXPECT_EQ(ChooseCodePage(env.Lookup()).codePage, 936u);
}

}  // namespace
}  // namespace halvo::platform
