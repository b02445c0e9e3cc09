// SPDX-License-Identifier: GPL-3.0-or-later
// The workstation's local time and universal time: one pair of classes, built from each system's
// folder (platform/posix: the C library's zones; platform/win32: the Windows time-zone calls).
#pragma once

#include "platform/TimeZone.h"

namespace halvo::platform {

// The workstation's own zone, daylight saving time by the system's rules for each year.
class SystemTimeZone final : public LocalTimeZone {
  public:
    std::optional<TimeValue> FromLocal(const CalendarTime& local) const override;
    std::optional<CalendarTime> ToLocal(TimeValue value) const override;
};

// Universal time, no daylight saving time: for tests and pinned zones.
class UtcTimeZone final : public LocalTimeZone {
  public:
    std::optional<TimeValue> FromLocal(const CalendarTime& local) const override;
    std::optional<CalendarTime> ToLocal(TimeValue value) const override;
};

}  // namespace halvo::platform
