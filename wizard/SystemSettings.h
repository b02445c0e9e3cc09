// SPDX-License-Identifier: GPL-3.0-or-later
// The system page's values: filling them from the device record, checking the description, and
// writing them to the device with CMD_SET_SYSTEM_INFO. Standard C++ only; the page's controls
// are read and written by the dialog layer.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/MessageBoxes.h"
#include "protocol/DeviceExchange.h"
#include "protocol/Protocol.h"
#include "wizard/DeviceDateTime.h"

namespace halvo::wizard {

// The description edit takes 64 bytes in the code page, of which only the first 63 are read and
// sent; neither limit cuts a character.
inline constexpr int DESCRIPTION_EDIT_LIMIT = 64;
inline constexpr int DESCRIPTION_READ_LIMIT = 63;

inline constexpr std::string_view NOTE_CAPTION = "Note";
inline constexpr std::string_view MSG_DESCRIPTION_INVALID =
    "Device description is invalid! \nValid characters are: '0-9', 'a-z', 'A-Z', ' ', '-', '_'.";
// The pickers offer only dates in range; this guards a value that did not come from them.
inline constexpr std::string_view MSG_DATE_OUT_OF_RANGE =
    "Device date must lie between 1970-01-01 and 9999-12-31.";

// '0'-'9', 'a'-'z', 'A'-'Z', space, '-' and '_'. Every other byte, 128 and above included, is not.
bool IsDescriptionCharacter(unsigned char c);
// True when every byte of `description` is allowed; an empty description passes.
bool IsValidDescription(std::string_view description);

// What the page shows when it opens.
struct SystemPageFill {
    bool dontAskPassword = false;  // check box 1027
    int timezoneRow = -1;          // combo box 1062; a row it lacks selects none
    std::string description;       // edit 1029
    // Date and time pickers; nullopt: they keep the workstation's current date and time.
    std::optional<CalendarTime> dateTime;
};
SystemPageFill FillSystemPage(const protocol::DeviceRecord& record, const LocalTimeZone& zone);

// What the page holds when Next is pressed.
struct SystemPageValues {
    bool dontAskPassword = false;
    // The description as sent: the box's own bytes while untouched, else at most 63 bytes in the
    // code page (a character beyond ASCII becomes bytes of 128 and above, which the check
    // refuses; so does one the code page cannot hold, kept as UTF-8).
    std::string description;
    int timezoneRow = -1;   // selected row, -1 for none
    CalendarTime dateTime;  // the date picker's date with the time picker's time of day
};

// The block sent: the record's name unchanged, 255 for no timezone row, the date and time through
// the local time. nullopt when the picked date cannot be written (see WireDateTimeFromPicker).
std::optional<protocol::SystemInfoBlock> BuildSystemInfoBlock(const protocol::DeviceRecord& record,
                                                              const SystemPageValues& values,
                                                              const LocalTimeZone& zone);

// The routine behind Next on the system page. Shows the "Note" box (owned by `owner`) for an
// invalid description and returns 1 without sending; otherwise sends once and returns 0 whatever
// the device answered (refusal and time-out have shown their message), or 1 when nothing could
// be sent (no socket layer or socket).
int SetSystemInfo(const protocol::ProtocolContext& context, const protocol::DeviceRecord& record,
                  const SystemPageValues& values, const LocalTimeZone& zone,
                  platform::WindowHandle owner);

}  // namespace halvo::wizard
