// SPDX-License-Identifier: GPL-3.0-or-later
// The core rules no other test reaches: the traits rows, date ranges and byte limits (mnemonic
// marks, dotted addresses and typed address fields are the contract suite's and SpokenText's).
#include "ui/ControlRules.h"
#include "ui/DialogUnits.h"

#include <gtest/gtest.h>

namespace halvo::ui {
namespace {

TEST(ControlRules, EveryKindHasOneRowThatNamesItAndFitsTogether) {
    for (int k = 0; k <= static_cast<int>(ControlKind::icon); ++k) {
        const auto kind = static_cast<ControlKind>(k);
        const ControlTraits& row = TraitsOf(kind);
        EXPECT_EQ(row.kind, kind) << k;
        EXPECT_EQ(KindNamed(row.name), kind) << row.name;
        // A control named by its caption or its group is one the user works with; a frame
        // drawn behind others never is, and nothing both says its caption and takes a name.
        if (row.namedByOwnText || row.namedByGroup) {
            EXPECT_TRUE(row.interactive) << row.name;
        }
        if (row.drawnBehind) {
            EXPECT_FALSE(row.interactive) << row.name;
        }
        EXPECT_FALSE(row.namedByOwnText && row.takesTemplateName) << row.name;
    }
    EXPECT_FALSE(KindNamed("slider"));
    EXPECT_FALSE(KindNamed(""));
}

TEST(ControlRules, PixelsAt96DpiScaleByTheWindowsDpi) {
    struct Row {
        int pixels, dpi, expected;
    };
    // The main window's widest and narrowest columns at 100, 125, 150 and 200 %; 72 * 1.25 is
    // exact, 110 * 1.25 = 137.5 rounds up; an unknown dpi leaves the design's figure.
    for (const Row& r :
         {Row{110, 96, 110}, Row{110, 120, 138}, Row{110, 144, 165}, Row{110, 192, 220},
          Row{72, 120, 90}, Row{16, 144, 24}, Row{70, 0, 70}, Row{70, -1, 70}}) {
        EXPECT_EQ(ScaleForDpi(r.pixels, r.dpi), r.expected) << r.pixels << " px at " << r.dpi;
    }
}

TEST(ControlRules, DatesClampToTheirRange) {
    const Date first{1970, 1, 1};
    const Date last{2037, 12, 31};
    const struct {
        Date value;
        Date clamped;
    } cases[] = {{{1969, 12, 31}, first}, {{1970, 1, 1}, first}, {{2000, 2, 29}, {2000, 2, 29}},
                 {{2037, 12, 31}, last},  {{2038, 1, 1}, last},  {{2037, 11, 40}, {2037, 11, 40}}};
    for (const auto& c : cases) {
        EXPECT_EQ(ClampDate(c.value, first, last), c.clamped) << c.value.year;
    }
    EXPECT_EQ(ClampDate({1000, 1, 1}, std::nullopt, last), (Date{1000, 1, 1}));   // open below
    EXPECT_EQ(ClampDate({3000, 1, 1}, first, std::nullopt), (Date{3000, 1, 1}));  // open above
}

// One byte a character of ASCII, two for "é", and no place at all for "宋".
class SmallCodePage final : public platform::TextCodec {
  public:
    unsigned CodePage() const override { return 1; }
    std::string Decode(std::string_view bytes) const override { return std::string(bytes); }
    std::optional<std::string> Encode(std::string_view utf8) const override {
        if (utf8.find("宋") != std::string_view::npos) {
            return std::nullopt;
        }
        return std::string(utf8);  // "é" is two bytes in UTF-8 as here
    }
};

TEST(ControlRules, TextsFitTheByteLimitOfTheCodePage) {
    const SmallCodePage codec;
    const struct {
        const char* text;
        std::size_t limit;
        bool fits;
    } cases[] = {{"", 0, true},    {"abc", 3, true},     {"abcd", 3, false}, {"é", 2, true},
                 {"aé", 2, false}, {"宋宋宋宋", 1, true}};  // not held: the dialog says so
    for (const auto& c : cases) {
        EXPECT_EQ(FitsByteLimit(codec, c.limit, c.text), c.fits) << c.text << " in " << c.limit;
    }
}

}  // namespace
}  // namespace halvo::ui
