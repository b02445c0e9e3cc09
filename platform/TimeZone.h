// SPDX-License-Identifier: GPL-3.0-or-later
// Local time as the workstation keeps it: the seam the wizard's date and time go through, so
// that tests can pin a zone.
#pragma once

#include <cstdint>
#include <optional>

namespace halvo::platform {

// A calendar date and time of day, fields as people count them (month 1..12 when normalised).
struct CalendarTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

// Seconds since 1 January 1970 UTC.
using TimeValue = std::int64_t;

class LocalTimeZone {
  public:
    virtual ~LocalTimeZone() = default;
    // The time value of the local calendar time `local`, fields out of range carried over and
    // daylight saving time decided by the zone; nullopt when it cannot be represented.
    virtual std::optional<TimeValue> FromLocal(const CalendarTime& local) const = 0;
    // The local calendar time of `value`; nullopt when it cannot be represented.
    virtual std::optional<CalendarTime> ToLocal(TimeValue value) const = 0;
};

}  // namespace halvo::platform
