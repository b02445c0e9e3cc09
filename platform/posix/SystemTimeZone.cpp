// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemTimeZone.h"

#include <ctime>
#include <limits>

namespace halvo::platform {

namespace {

// Fields beyond what std::tm can hold are out of every range we accept anyway.
bool FitsTm(const CalendarTime& t) {
    constexpr long long lo = std::numeric_limits<int>::min() / 2;
    constexpr long long hi = std::numeric_limits<int>::max() / 2;
    const long long year = static_cast<long long>(t.year) - 1900;
    return year > lo && year < hi;
}

std::tm ToTm(const CalendarTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;  // let the zone decide
    return tm;
}

CalendarTime FromTm(const std::tm& tm) {
    return CalendarTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                        tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

template <class Convert>
std::optional<TimeValue> Normalise(const CalendarTime& local, Convert convert) {
    if (!FitsTm(local)) {
        return std::nullopt;
    }
    std::tm tm = ToTm(local);
    // -1 is also a valid result (one second before 1970), so success is told by tm_wday,
    // which the conversion sets only when it succeeds.
    tm.tm_wday = -1;
    const std::time_t value = convert(&tm);
    if (tm.tm_wday < 0) {
        return std::nullopt;
    }
    return static_cast<TimeValue>(value);
}

template <class Convert>
std::optional<CalendarTime> Break(TimeValue value, Convert convert) {
    if (value < std::numeric_limits<std::time_t>::min() ||
        value > std::numeric_limits<std::time_t>::max()) {
        return std::nullopt;
    }
    const std::time_t t = static_cast<std::time_t>(value);
    std::tm tm{};
    if (convert(&t, &tm) == nullptr) {
        return std::nullopt;
    }
    return FromTm(tm);
}

}  // namespace

std::optional<TimeValue> SystemTimeZone::FromLocal(const CalendarTime& local) const {
    return Normalise(local, [](std::tm* tm) { return std::mktime(tm); });
}

std::optional<CalendarTime> SystemTimeZone::ToLocal(TimeValue value) const {
    return Break(value, [](const std::time_t* t, std::tm* tm) { return localtime_r(t, tm); });
}

std::optional<TimeValue> UtcTimeZone::FromLocal(const CalendarTime& local) const {
    return Normalise(local, [](std::tm* tm) { return timegm(tm); });
}

std::optional<CalendarTime> UtcTimeZone::ToLocal(TimeValue value) const {
    return Break(value, [](const std::time_t* t, std::tm* tm) { return gmtime_r(t, tm); });
}

}  // namespace halvo::platform
