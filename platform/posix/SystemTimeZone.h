// SPDX-License-Identifier: GPL-3.0-or-later
// The C library's zones: the workstation's local time, and universal time.
#pragma once

#include "platform/TimeZone.h"

namespace halvo::platform {

// The workstation's own zone (the C library's local time).
class SystemTimeZone final : public LocalTimeZone {
  public:
    std::optional<TimeValue> FromLocal(const CalendarTime& local) const override;
    std::optional<CalendarTime> ToLocal(TimeValue value) const override;
};

// Universal time, no daylight saving time.
class UtcTimeZone final : public LocalTimeZone {
  public:
    std::optional<TimeValue> FromLocal(const CalendarTime& local) const override;
    std::optional<CalendarTime> ToLocal(TimeValue value) const override;
};

}  // namespace halvo::platform
