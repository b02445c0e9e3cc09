// SPDX-License-Identifier: GPL-3.0-or-later
// The other Win32 seams: the interface list, the clock, the time zone and the code-page codec.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>

#include "platform/SystemClock.h"
#include "platform/SystemTimeZone.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32NetworkInterfaces.h"
#include "platform/win32/Win32TextCodec.h"

namespace halvo::platform {
namespace {

using namespace std::chrono_literals;

TEST(Win32NetworkInterfaces, LoopbackIsListedAsLoopbackAndNeverAsABroadcastInterface) {
    Win32NetworkInterfaces interfaces;
    const auto list = interfaces.List();
    ASSERT_TRUE(list.has_value());
    bool sawLoopback = false;
    for (const auto& i : *list) {
        EXPECT_NE(i.index, 0u) << i.name;
        EXPECT_FALSE(i.name.empty());
        // No entry is both: the discovery must never broadcast into a tunnel or loopback.
        EXPECT_FALSE(i.broadcast && (i.loopback || i.pointToPoint)) << i.name;
        if (i.address == 0x7F000001) {
            sawLoopback = true;
            EXPECT_TRUE(i.loopback);
            EXPECT_TRUE(i.up);
        }
    }
    EXPECT_TRUE(sawLoopback);
}

TEST(Win32NetworkInterfaces, AListIsReadAgainOnlyOnceItIsOlderThanItsAge) {
    // An age of nothing reads every time; both reads see the same interfaces.
    Win32NetworkInterfaces fresh(0ms);
    const auto a = fresh.List();
    const auto b = fresh.List();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->size(), b->size());
    // Within its age the list is the one read before, whatever came since.
    Win32NetworkInterfaces cached(60s);
    const auto first = cached.List();
    ASSERT_TRUE(first);
    const auto again = cached.List();
    ASSERT_TRUE(again);
    ASSERT_EQ(again->size(), first->size());
    for (std::size_t i = 0; i < first->size(); ++i) {
        EXPECT_EQ((*again)[i].index, (*first)[i].index);
        EXPECT_EQ((*again)[i].address, (*first)[i].address);
    }
}

TEST(Win32SystemClock, RunsForwardAndSleepsAtLeastItsTime) {
    SystemClock clock;
    const auto a = clock.Now();
    clock.Sleep(20ms);
    const auto b = clock.Now();
    EXPECT_GE(b - a, 15ms);  // the timer's tick can round a little
    EXPECT_LT(b - a, 5s);
    clock.Sleep(-5ms);  // nothing to wait for: returns at once
    EXPECT_GE(clock.Now(), b);
}

TEST(Win32UtcTimeZone, CarriesFieldsOverAndRoundTripsAtTheEdgesOfItsRange) {
    const UtcTimeZone utc;
    EXPECT_EQ(utc.FromLocal({1970, 1, 1, 0, 0, 0}), 0);
    EXPECT_EQ(utc.FromLocal({2024, 2, 29, 12, 0, 0}), 1709208000);
    // Month 13, day 0, minute 60 carry over as mktime carries them.
    EXPECT_EQ(utc.FromLocal({2023, 13, 1, 0, 0, 0}), utc.FromLocal({2024, 1, 1, 0, 0, 0}));
    EXPECT_EQ(utc.FromLocal({2024, 3, 0, 0, 0, 0}), utc.FromLocal({2024, 2, 29, 0, 0, 0}));
    EXPECT_EQ(utc.FromLocal({2024, 1, 1, 0, 60, 0}), utc.FromLocal({2024, 1, 1, 1, 0, 0}));
    EXPECT_EQ(utc.FromLocal({2024, 0, 1, 0, 0, 0}), utc.FromLocal({2023, 12, 1, 0, 0, 0}));
    const CalendarTime t{2037, 12, 31, 23, 59, 59};
    EXPECT_EQ(utc.ToLocal(*utc.FromLocal(t)), t);
    // Before 1601 and far beyond 30827 Windows has no date for it.
    EXPECT_FALSE(utc.FromLocal({1500, 1, 1, 0, 0, 0}).has_value());
    EXPECT_FALSE(utc.ToLocal(-20'000'000'000LL).has_value());
    EXPECT_FALSE(utc.FromLocal({2'000'000'000, 1, 1, 0, 0, 0}).has_value());
}

TEST(Win32SystemTimeZone, LocalTimeRoundTripsThroughTheSystemsZone) {
    const SystemTimeZone local;
    for (const CalendarTime t :
         {CalendarTime{2024, 1, 15, 10, 30, 0}, CalendarTime{2024, 7, 15, 10, 30, 0}}) {
        const auto value = local.FromLocal(t);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(local.ToLocal(*value), t);
    }
    // The zone's offset agrees with what Windows itself reports for now.
    TIME_ZONE_INFORMATION tz{};
    const DWORD mode = ::GetTimeZoneInformation(&tz);
    ASSERT_NE(mode, TIME_ZONE_ID_INVALID);
    const UtcTimeZone utc;
    const auto januaryUtc = *utc.FromLocal({2024, 1, 15, 10, 30, 0});
    const auto januaryLocal = *local.FromLocal({2024, 1, 15, 10, 30, 0});
    // Bias is minutes to add to local time for UTC; January is standard time in the north and
    // daylight time in the south, so only the standard bias or the daylight one can be it.
    const long long offset = (januaryLocal - januaryUtc) / 60;
    EXPECT_TRUE(offset == tz.Bias + tz.StandardBias || offset == tz.Bias + tz.DaylightBias)
        << offset;
}

TEST(Win32TextCodec, DecodesAndEncodesInTheCodePageAndRefusesWhatHasNoPlaceInIt) {
    const Win32TextCodec latin(1252);
    EXPECT_EQ(latin.CodePage(), 1252u);
    EXPECT_EQ(latin.Decode("Caf\xE9\0rest"), "Caf\xC3\xA9");  // up to the first NUL
    EXPECT_EQ(latin.Decode(std::string_view("\x80", 1)), "\xE2\x82\xAC");
    EXPECT_EQ(latin.Encode("Caf\xC3\xA9"), std::string("Caf\xE9"));
    EXPECT_EQ(latin.Encode(""), std::string());
    EXPECT_FALSE(latin.Encode("\xE4\xB8\xAD").has_value());  // a CJK character
    EXPECT_FALSE(latin.Encode("\xC3").has_value());          // not UTF-8 at all
    // No best fit: "ā" must not quietly become "a".
    EXPECT_FALSE(latin.Encode("\xC4\x81").has_value());

    const Win32TextCodec gbk(936);
    EXPECT_EQ(gbk.Decode("\xD6\xD0\xCE\xC4"), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(gbk.Encode("\xE4\xB8\xAD\xE6\x96\x87"), std::string("\xD6\xD0\xCE\xC4"));
    // A lead byte with nothing after it is not dropped silently: it reads as a replacement.
    EXPECT_FALSE(gbk.Decode("A\xD6").empty());

    const Win32TextCodec utf8(CP_UTF8);
    EXPECT_EQ(utf8.Encode("\xE4\xB8\xAD"), std::string("\xE4\xB8\xAD"));
    EXPECT_EQ(Win32TextCodec().CodePage(), ::GetACP());
}

TEST(Win32WideText, RoundTripsEveryPlaneAndTheEmptyText) {
    const std::string text = "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80";  // 1 to 4 bytes
    const std::wstring wide = win32::Widen(text);
    EXPECT_EQ(wide.size(), 5u);  // the last one is a surrogate pair
    EXPECT_EQ(win32::Narrow(wide), text);
    EXPECT_TRUE(win32::Widen("").empty());
    EXPECT_TRUE(win32::Narrow(L"").empty());
}

}  // namespace
}  // namespace halvo::platform
