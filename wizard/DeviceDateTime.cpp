// SPDX-License-Identifier: GPL-3.0-or-later
#include "wizard/DeviceDateTime.h"

#include <array>
#include <cstdio>
#include <limits>

namespace halvo::wizard {

namespace {

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[static_cast<std::size_t>(month - 1)];
}

// A real date and time of day, already normalised.
bool IsCalendarTime(const CalendarTime& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) &&
           t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
           t.second <= 59;
}

std::string_view Piece(std::string_view text, std::size_t from, std::size_t width) {
    if (from >= text.size()) {
        return {};
    }
    return text.substr(from, width);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

WireDateTime Digits(const CalendarTime& t) {
    // Both buffers take the widest int, so no output is ever truncated mid-number.
    char date[64];
    char time[64];
    std::snprintf(date, sizeof date, "%04d%02d%02d", t.year, t.month, t.day);
    std::snprintf(time, sizeof time, "%02d%02d%02d", t.hour, t.minute, t.second);
    WireDateTime wire;
    wire.date.Assign(date);
    wire.time.Assign(time);
    return wire;
}

}  // namespace

bool InPickerRange(const CalendarTime& local) {
    const auto key = [](const CalendarTime& t) {
        return std::array<int, 6>{t.year, t.month, t.day, t.hour, t.minute, t.second};
    };
    return key(PICKER_FIRST) <= key(local) && key(local) <= key(PICKER_LAST);
}

int ReadDecimal(std::string_view piece) {
    std::size_t i = 0;
    while (i < piece.size() && IsBlank(piece[i])) {
        ++i;
    }
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) {
        negative = piece[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i) {
        value = value * 10 + (piece[i] - '0');
        if (value > std::numeric_limits<int>::max()) {
            value = std::numeric_limits<int>::max();  // pieces are short; this only guards
        }
    }
    return static_cast<int>(negative ? -value : value);
}

CalendarTime CutStoredDateTime(std::string_view date, std::string_view time) {
    // A piece ends early at a NUL: cut each text at its first NUL before cutting pieces.
    date = date.substr(0, date.find('\0'));
    time = time.substr(0, time.find('\0'));
    return CalendarTime{ReadDecimal(Piece(date, 0, 4)), ReadDecimal(Piece(date, 4, 2)),
                        ReadDecimal(Piece(date, 6, 2)), ReadDecimal(Piece(time, 0, 2)),
                        ReadDecimal(Piece(time, 2, 2)), ReadDecimal(Piece(time, 4, 2))};
}

std::optional<CalendarTime> PickerTimeFromStored(const LocalTimeZone& zone, std::string_view date,
                                                 std::string_view time) {
    const auto value = zone.FromLocal(CutStoredDateTime(date, time));
    if (!value) {
        return std::nullopt;
    }
    const auto local = zone.ToLocal(*value);
    if (!local || !InPickerRange(*local)) {
        return std::nullopt;
    }
    return local;
}

std::optional<WireDateTime> WireDateTimeFromPicker(const LocalTimeZone& zone,
                                                   const CalendarTime& picked) {
    if (!IsCalendarTime(picked) || !InPickerRange(picked)) {
        return std::nullopt;
    }
    const auto value = zone.FromLocal(picked);
    const auto local = value ? zone.ToLocal(*value) : std::nullopt;
    if (local && IsCalendarTime(*local) && InPickerRange(*local)) {
        return Digits(*local);
    }
    return Digits(picked);
}

}  // namespace halvo::wizard
