// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemTimeZone.h"

#include <windows.h>

#include <limits>

namespace halvo::platform {

namespace {

// SYSTEMTIME reaches from 1601 to 30827; FILETIME counts 100 ns from 1 January 1601 UTC.
constexpr long long FIRST_YEAR = 1601;
constexpr long long LAST_YEAR = 30827;
constexpr long long TICKS_PER_SECOND = 10'000'000;
constexpr long long SECONDS_1601_TO_1970 = 11'644'473'600LL;

// Days from 1 January 1970 of a proleptic Gregorian date, month and day carried over as mktime
// carries them (month 13 is January of the next year, day 0 the last day of the month before).
long long DaysFromCivil(long long year, long long month, long long day) {
    year += (month - 1) >= 0 ? (month - 1) / 12 : -((12 - month) / 12);
    month = ((month - 1) % 12 + 12) % 12 + 1;
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yoe = year - era * 400;
    const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + (day - 1);
}

// The fields read as if they were UTC, every field carried over: seconds since 1970.
std::optional<long long> FieldSeconds(const CalendarTime& t) {
    constexpr long long limit = std::numeric_limits<int>::max();
    if (t.year < -limit / 2 || t.year > limit / 2) {
        return std::nullopt;
    }
    const long long days = DaysFromCivil(t.year, t.month, 1) + (static_cast<long long>(t.day) - 1);
    return days * 86400 + static_cast<long long>(t.hour) * 3600 +
           static_cast<long long>(t.minute) * 60 + t.second;
}

std::optional<SYSTEMTIME> ToSystemTime(long long seconds) {
    const long long ticks1601 = seconds + SECONDS_1601_TO_1970;
    if (ticks1601 < 0 || ticks1601 > std::numeric_limits<long long>::max() / TICKS_PER_SECOND) {
        return std::nullopt;
    }
    ULARGE_INTEGER u{};
    u.QuadPart = static_cast<unsigned long long>(ticks1601 * TICKS_PER_SECOND);
    FILETIME ft{u.LowPart, u.HighPart};
    SYSTEMTIME st{};
    if (!::FileTimeToSystemTime(&ft, &st) || st.wYear > LAST_YEAR) {
        return std::nullopt;
    }
    return st;
}

std::optional<long long> FromSystemTime(const SYSTEMTIME& st) {
    FILETIME ft{};
    if (!::SystemTimeToFileTime(&st, &ft)) {
        return std::nullopt;
    }
    ULARGE_INTEGER u{};
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    return static_cast<long long>(u.QuadPart / TICKS_PER_SECOND) - SECONDS_1601_TO_1970;
}

CalendarTime ToCalendar(const SYSTEMTIME& st) {
    return CalendarTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

bool InRange(const SYSTEMTIME& st) {
    return st.wYear >= FIRST_YEAR && st.wYear <= LAST_YEAR;
}

}  // namespace

std::optional<TimeValue> SystemTimeZone::FromLocal(const CalendarTime& local) const {
    const auto seconds = FieldSeconds(local);
    if (!seconds) {
        return std::nullopt;
    }
    const auto normalised = ToSystemTime(*seconds);
    SYSTEMTIME utc{};
    if (!normalised || !InRange(*normalised) ||
        !::TzSpecificLocalTimeToSystemTime(nullptr, &*normalised, &utc)) {
        return std::nullopt;
    }
    return FromSystemTime(utc);
}

std::optional<CalendarTime> SystemTimeZone::ToLocal(TimeValue value) const {
    const auto utc = ToSystemTime(value);
    SYSTEMTIME local{};
    if (!utc || !::SystemTimeToTzSpecificLocalTime(nullptr, &*utc, &local) || !InRange(local)) {
        return std::nullopt;
    }
    return ToCalendar(local);
}

std::optional<TimeValue> UtcTimeZone::FromLocal(const CalendarTime& local) const {
    const auto seconds = FieldSeconds(local);
    if (!seconds || !ToSystemTime(*seconds)) {
        return std::nullopt;
    }
    return *seconds;
}

std::optional<CalendarTime> UtcTimeZone::ToLocal(TimeValue value) const {
    const auto utc = ToSystemTime(value);
    if (!utc) {
        return std::nullopt;
    }
    return ToCalendar(*utc);
}

}  // namespace halvo::platform
