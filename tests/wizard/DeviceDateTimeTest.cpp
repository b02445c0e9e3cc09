// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemTimeZone.h"
#include "wizard/DeviceDateTime.h"

#include <gtest/gtest.h>

#include "ScopedTimeZone.h"

namespace halvo::wizard {

void PrintTo(const CalendarTime& t, std::ostream* os) {
    *os << t.year << "-" << t.month << "-" << t.day << " " << t.hour << ":" << t.minute << ":"
        << t.second;
}

namespace {

using platform::SystemTimeZone;
using platform::UtcTimeZone;
using testing::CENTRAL_EUROPE;
using testing::ScopedTimeZone;

std::string Wire(const std::optional<WireDateTime>& wire) {
    return wire ? wire->date.str() + "/" + wire->time.str() : "none";
}

TEST(ReadDecimal, ReadsAsTheStandardConversion) {
    EXPECT_EQ(ReadDecimal("2006"), 2006);
    EXPECT_EQ(ReadDecimal("05"), 5);
    EXPECT_EQ(ReadDecimal(" 7"), 7);
    EXPECT_EQ(ReadDecimal("\t+3"), 3);
    EXPECT_EQ(ReadDecimal("-4"), -4);
    EXPECT_EQ(ReadDecimal("1x"), 1);
    EXPECT_EQ(ReadDecimal("x1"), 0);
    EXPECT_EQ(ReadDecimal("- 1"), 0);
    EXPECT_EQ(ReadDecimal(""), 0);
    EXPECT_EQ(ReadDecimal(std::string_view("1\0"
                                           "2",
                                           3)),
              1);
}

TEST(CutStoredDateTime, CutsSixPiecesByPosition) {
    EXPECT_EQ(CutStoredDateTime("20060305", "140709"), (CalendarTime{2006, 3, 5, 14, 7, 9}));
    // Pieces are cut by position, not by separators: "-3", "-5", "1:", "2:", "3".
    EXPECT_EQ(CutStoredDateTime("2006-3-5", "1:2:3"), (CalendarTime{2006, -3, -5, 1, 2, 3}));
    // A short text leaves the later pieces empty; a NUL ends the text early.
    EXPECT_EQ(CutStoredDateTime("200603", "14"), (CalendarTime{2006, 3, 0, 14, 0, 0}));
    EXPECT_EQ(CutStoredDateTime(std::string_view("2006\0"
                                                 "305",
                                                 8),
                                std::string_view("14\0"
                                                 "0709",
                                                 7)),
              (CalendarTime{2006, 0, 0, 14, 0, 0}));
    EXPECT_EQ(CutStoredDateTime("", ""), (CalendarTime{}));
}

TEST(PickerTimeFromStored, ShowsTheStoredDateAndTime) {
    const UtcTimeZone utc;
    EXPECT_EQ(PickerTimeFromStored(utc, "20060305", "140709"),
              (CalendarTime{2006, 3, 5, 14, 7, 9}));
    EXPECT_EQ(PickerTimeFromStored(utc, "19700101", "000000"), PICKER_FIRST);
    EXPECT_EQ(PickerTimeFromStored(utc, "99991231", "235959"), PICKER_LAST);
}

TEST(PickerTimeFromStored, CarriesOutOfRangeFieldsOver) {
    const UtcTimeZone utc;
    EXPECT_EQ(PickerTimeFromStored(utc, "20061305", "120000"),
              (CalendarTime{2007, 1, 5, 12, 0, 0}));
    EXPECT_EQ(PickerTimeFromStored(utc, "20060300", "120000"),
              (CalendarTime{2006, 2, 28, 12, 0, 0}));
    EXPECT_EQ(PickerTimeFromStored(utc, "20040300", "120000"),
              (CalendarTime{2004, 2, 29, 12, 0, 0}));
    EXPECT_EQ(PickerTimeFromStored(utc, "20060305", "240000"), (CalendarTime{2006, 3, 6, 0, 0, 0}));
    EXPECT_EQ(PickerTimeFromStored(utc, "20060305", "1261 5"),
              (CalendarTime{2006, 3, 5, 13, 1, 5}));
    // December 1969 carried into January 1970 is a valid time again.
    EXPECT_EQ(PickerTimeFromStored(utc, "19691305", "000000"), (CalendarTime{1970, 1, 5, 0, 0, 0}));
}

TEST(PickerTimeFromStored, DatesAfter2038AreRealDates) {
    const UtcTimeZone utc;
    EXPECT_EQ(PickerTimeFromStored(utc, "20380119", "031408"),
              (CalendarTime{2038, 1, 19, 3, 14, 8}));
    EXPECT_EQ(PickerTimeFromStored(utc, "20380120", "000000"),
              (CalendarTime{2038, 1, 20, 0, 0, 0}));
    EXPECT_EQ(PickerTimeFromStored(utc, "21060207", "062816"),
              (CalendarTime{2106, 2, 7, 6, 28, 16}));
}

TEST(PickerTimeFromStored, NoValidTimeKeepsThePickersAsTheyAre) {
    const UtcTimeZone utc;
    EXPECT_EQ(PickerTimeFromStored(utc, "", ""), std::nullopt);  // reads as all zeros
    EXPECT_EQ(PickerTimeFromStored(utc, "00000000", "000000"), std::nullopt);
    EXPECT_EQ(PickerTimeFromStored(utc, "19691231", "235959"), std::nullopt);
    EXPECT_EQ(PickerTimeFromStored(utc, "19700100", "120000"), std::nullopt);  // 31 Dec 1969
    EXPECT_EQ(PickerTimeFromStored(utc, "18991231", "000000"), std::nullopt);
    EXPECT_EQ(PickerTimeFromStored(utc, "abcdefgh", "ijklmn"), std::nullopt);
    // Beyond the pickers' last day.
    EXPECT_EQ(PickerTimeFromStored(utc, "99991232", "000000"), std::nullopt);
    EXPECT_EQ(PickerTimeFromStored(utc, "99991231", "240000"), std::nullopt);
}

TEST(PickerTimeFromStored, LocalTimeFollowsTheWorkstationZone) {
    const ScopedTimeZone zone(CENTRAL_EUROPE);
    const SystemTimeZone local;
    EXPECT_EQ(PickerTimeFromStored(local, "20060305", "140709"),
              (CalendarTime{2006, 3, 5, 14, 7, 9}));
    EXPECT_EQ(PickerTimeFromStored(local, "20060705", "140709"),
              (CalendarTime{2006, 7, 5, 14, 7, 9}));
    // 02:30 does not exist on the morning clocks go forward: it comes out an hour later.
    EXPECT_EQ(PickerTimeFromStored(local, "20060326", "023000"),
              (CalendarTime{2006, 3, 26, 3, 30, 0}));
    // The first half hour of 1970 lies before the epoch in this zone, yet is a picker date.
    EXPECT_EQ(PickerTimeFromStored(local, "19700101", "003000"),
              (CalendarTime{1970, 1, 1, 0, 30, 0}));
    EXPECT_EQ(PickerTimeFromStored(local, "19691231", "233000"), std::nullopt);
}

TEST(WireDateTimeFromPicker, SendsThePickedValuesAsDigits) {
    const UtcTimeZone utc;
    EXPECT_EQ(Wire(WireDateTimeFromPicker(utc, {2006, 3, 5, 14, 7, 9})), "20060305/140709");
    EXPECT_EQ(Wire(WireDateTimeFromPicker(utc, PICKER_FIRST)), "19700101/000000");
    EXPECT_EQ(Wire(WireDateTimeFromPicker(utc, PICKER_LAST)), "99991231/235959");
    EXPECT_EQ(Wire(WireDateTimeFromPicker(utc, {2040, 2, 29, 23, 59, 58})), "20400229/235958");
}

TEST(WireDateTimeFromPicker, RefusesWhatNoPickerCanShow) {
    const UtcTimeZone utc;
    EXPECT_EQ(Wire(WireDateTimeFromPicker(utc, {1969, 12, 31, 23, 59, 59})), "none");
    EXPECT_EQ(Wire(WireDateTimeFromPicker(utc, {10000, 1, 1, 0, 0, 0})), "none");
    EXPECT_EQ(Wire(WireDateTimeFromPicker(utc, {2006, 13, 1, 0, 0, 0})), "none");
    EXPECT_EQ(Wire(WireDateTimeFromPicker(utc, {2006, 2, 29, 0, 0, 0})), "none");
    EXPECT_EQ(Wire(WireDateTimeFromPicker(utc, {2006, 3, 5, 24, 0, 0})), "none");
}

TEST(WireDateTimeFromPicker, GoesThroughTheSameLocalTime) {
    const ScopedTimeZone zone(CENTRAL_EUROPE);
    const SystemTimeZone local;
    EXPECT_EQ(Wire(WireDateTimeFromPicker(local, {2006, 3, 5, 14, 7, 9})), "20060305/140709");
    EXPECT_EQ(Wire(WireDateTimeFromPicker(local, {2006, 3, 26, 2, 30, 0})), "20060326/033000");
    // Before the epoch in this zone: still the date chosen, not a refusal or a wrapped value.
    EXPECT_EQ(Wire(WireDateTimeFromPicker(local, {1970, 1, 1, 0, 30, 0})), "19700101/003000");
    EXPECT_EQ(Wire(WireDateTimeFromPicker(local, {9999, 12, 31, 23, 59, 59})), "99991231/235959");
}

TEST(WireDateTimeFromPicker, RoundTripsWhatFillingShows) {
    const ScopedTimeZone zone(CENTRAL_EUROPE);
    const SystemTimeZone local;
    for (const auto& [date, time] : {std::pair{"20060305", "140709"},
                                     {"20380119", "031408"},
                                     {"20380120", "120000"},
                                     {"19700101", "000000"},
                                     {"99991231", "235959"},
                                     {"20061029", "023000"}}) {
        const auto shown = PickerTimeFromStored(local, date, time);
        ASSERT_TRUE(shown) << date << " " << time;
        EXPECT_EQ(Wire(WireDateTimeFromPicker(local, *shown)), std::string(date) + "/" + time);
    }
}

}  // namespace
}  // namespace halvo::wizard
