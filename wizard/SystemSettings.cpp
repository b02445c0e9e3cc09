// SPDX-License-Identifier: GPL-3.0-or-later
#include "wizard/SystemSettings.h"

#include <algorithm>

namespace halvo::wizard {

namespace {

constexpr std::uint8_t NO_ROW = 255;

// The selected row as the one byte sent: 255 for none.
std::uint8_t RowByte(int row) {
    return row >= 0 && row < NO_ROW ? static_cast<std::uint8_t>(row) : NO_ROW;
}

}  // namespace

bool IsDescriptionCharacter(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == ' ' ||
           c == '-' || c == '_';
}

bool IsValidDescription(std::string_view description) {
    return std::all_of(description.begin(), description.end(), [](char c) {
        return IsDescriptionCharacter(static_cast<unsigned char>(c));
    });
}

SystemPageFill FillSystemPage(const protocol::DeviceRecord& record, const LocalTimeZone& zone) {
    SystemPageFill fill;
    fill.dontAskPassword = record.passwordRequired == 0;
    // The combo box holds the template's rows and selects nothing for an index beyond them.
    fill.timezoneRow = record.timezoneIndex;
    fill.description = record.description.str();
    fill.dateTime = PickerTimeFromStored(zone, record.date.view(), record.time.view());
    return fill;
}

std::optional<protocol::SystemInfoBlock> BuildSystemInfoBlock(const protocol::DeviceRecord& record,
                                                              const SystemPageValues& values,
                                                              const LocalTimeZone& zone) {
    const auto wire = WireDateTimeFromPicker(zone, values.dateTime);
    if (!wire) {
        return std::nullopt;
    }
    protocol::SystemInfoBlock block;
    block.passwordRequired = values.dontAskPassword ? 0 : 1;
    block.name = record.name;
    block.description.Assign(std::string_view(values.description)
                                 .substr(0, static_cast<std::size_t>(DESCRIPTION_READ_LIMIT)));
    block.date = wire->date;
    block.time = wire->time;
    block.timezoneIndex = RowByte(values.timezoneRow);
    return block;
}

int SetSystemInfo(const protocol::ProtocolContext& context, const protocol::DeviceRecord& record,
                  const SystemPageValues& values, const LocalTimeZone& zone,
                  platform::WindowHandle owner) {
    const std::string_view description =
        std::string_view(values.description).substr(0, std::size_t{DESCRIPTION_READ_LIMIT});
    if (!IsValidDescription(description)) {
        context.messages.ShowInformation(owner, NOTE_CAPTION, MSG_DESCRIPTION_INVALID);
        return 1;
    }
    const auto block = BuildSystemInfoBlock(record, values, zone);
    if (!block) {
        context.messages.ShowWarning(MSG_DATE_OUT_OF_RANGE);
        return 1;
    }
    return protocol::IsDone(protocol::SendSystemInfo(context, record, *block)) ? 0 : 1;
}

}  // namespace halvo::wizard
