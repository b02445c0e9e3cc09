// SPDX-License-Identifier: GPL-3.0-or-later
// The device's date and time as the system page shows and sends them.
//
// The device keeps its date as YYYYMMDD and its time as HHMMSS. The page cuts the six numbers
// out by position, makes one local time of them (out-of-range fields carry over: month 13 is
// January of the next year, day 0 the last day of the month before) and shows that on its date
// and time pickers. What the pickers show goes back through the same local time before it is
// written as digits.
//
// Time values are 64-bit, so dates after January 2038 are ordinary dates. The pickers offer
// 1 January 1970 to 31 December 9999; a stored date that lands outside that range (an empty one
// included, which reads as all zeros) is no valid time and leaves the pickers at the
// workstation's current date and time.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/TimeZone.h"
#include "protocol/Protocol.h"

namespace halvo::wizard {

using platform::CalendarTime;
using platform::LocalTimeZone;
using platform::TimeValue;

// The range the pickers offer, in local time.
inline constexpr CalendarTime PICKER_FIRST{1970, 1, 1, 0, 0, 0};
inline constexpr CalendarTime PICKER_LAST{9999, 12, 31, 23, 59, 59};

// True when a normalised calendar time lies within the pickers' range.
bool InPickerRange(const CalendarTime& local);

// Reads a decimal number as the standard text-to-integer conversion does: leading blanks and one
// sign accepted, reading stops at the first non-digit or at a NUL, no digits give 0.
int ReadDecimal(std::string_view piece);

// The six numbers of a stored date and time, cut by position (year from date characters 1-4,
// month 5-6, day 7-8, hour from time characters 1-2, minute 3-4, second 5-6); a piece ends early
// at a NUL or at the end of the text.
CalendarTime CutStoredDateTime(std::string_view date, std::string_view time);

// What the pickers show for a stored date and time: the normalised local time, or nullopt when
// it is no valid time (the pickers then keep the workstation's now).
std::optional<CalendarTime> PickerTimeFromStored(const LocalTimeZone& zone, std::string_view date,
                                                 std::string_view time);

// The stored date and time the pickers' values are sent as: the picked date and time of day made
// into one local time and written back as 8 and 6 ASCII digits. When the zone cannot convert
// them, or the conversion leaves the pickers' range, the digits of the picked values themselves
// are sent: the request only ever carries the date that was chosen. nullopt when the picked
// values are no date of the pickers' range at all (they cannot be written as 14 digits).
struct WireDateTime {
    protocol::FixedText<8> date;
    protocol::FixedText<6> time;
};
std::optional<WireDateTime> WireDateTimeFromPicker(const LocalTimeZone& zone,
                                                   const CalendarTime& picked);

}  // namespace halvo::wizard
