// SPDX-License-Identifier: GPL-3.0-or-later
// Local time through the Windows time-zone calls; and UTC, for tests and for pinned zones.
#pragma once

#include "platform/TimeZone.h"

namespace halvo::platform {

// The workstation's zone as Windows keeps it (daylight saving time by its own rules per year).
class SystemTimeZone final : public LocalTimeZone {
  public:
    std::optional<TimeValue> FromLocal(const CalendarTime& local) const override;
    std::optional<CalendarTime> ToLocal(TimeValue value) const override;
};

class UtcTimeZone final : public LocalTimeZone {
  public:
    std::optional<TimeValue> FromLocal(const CalendarTime& local) const override;
    std::optional<CalendarTime> ToLocal(TimeValue value) const override;
};

}  // namespace halvo::platform
