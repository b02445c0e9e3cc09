// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ControlRules.h"

#include <cstdint>
#include <tuple>

#include "protocol/Ipv4Text.h"

namespace halvo::ui {

namespace {

using K = ControlKind;

// clang-format off
constexpr ControlTraits kControlTraits[] = {
    //  kind             name            interactive ownText group  tplName behind image items  whole
    {K::pushButton,    "pushButton",    true,  true,  false, false, false, false, false, true },
    {K::defPushButton, "defPushButton", true,  true,  false, false, false, false, false, true },
    {K::checkBox,      "checkBox",      true,  true,  false, false, false, false, false, true },
    {K::groupBox,      "groupBox",      false, false, false, false, true,  false, false, true },
    {K::label,         "label",         false, false, false, false, false, false, false, true },
    {K::valueField,    "valueField",    false, false, false, true,  false, false, false, true },
    {K::etchedLine,    "etchedLine",    false, false, false, false, false, false, false, false},
    {K::etchedFrame,   "etchedFrame",   false, false, false, false, true,  false, false, false},
    {K::listBox,       "listBox",       true,  false, true,  true,  false, false, false, false},
    {K::listView,      "listView",      true,  false, true,  true,  false, false, false, true },
    {K::comboBox,      "comboBox",      true,  false, false, true,  false, false, true,  false},
    {K::edit,          "edit",          true,  false, false, true,  false, false, false, false},
    {K::datePicker,    "datePicker",    true,  false, false, true,  false, false, false, false},
    {K::timePicker,    "timePicker",    true,  false, false, true,  false, false, false, false},
    {K::ipAddress,     "ipAddress",     true,  false, false, true,  false, false, false, false},
    {K::picture,       "picture",       false, false, false, false, false, true,  false, false},
    {K::icon,          "icon",          false, false, false, false, false, true,  false, false},
};
// clang-format on

constexpr bool RowsInKindOrder() {
    for (std::size_t i = 0; i < std::size(kControlTraits); ++i) {
        if (static_cast<std::size_t>(kControlTraits[i].kind) != i) {
            return false;
        }
    }
    return std::size(kControlTraits) == static_cast<std::size_t>(ControlKind::icon) + 1;
}
static_assert(RowsInKindOrder(), "one traits row per control kind, in the enum's order");

}  // namespace

const ControlTraits& TraitsOf(ControlKind kind) {
    return kControlTraits[static_cast<std::size_t>(kind)];
}

std::optional<ControlKind> KindNamed(std::string_view name) {
    for (const ControlTraits& row : kControlTraits) {
        if (name == row.name) {
            return row.kind;
        }
    }
    return std::nullopt;
}

std::string StripMnemonics(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string ShownText(const ControlTemplate& control) {
    return control.Has(styleNoPrefix) ? control.text : StripMnemonics(control.text);
}

std::optional<std::array<int, 4>> AddressParts(std::string_view dotted) {
    const std::optional<std::uint32_t> address = protocol::ParseIPv4(dotted);
    if (!address) {
        return std::nullopt;
    }
    return std::array<int, 4>{
        static_cast<int>(*address >> 24), static_cast<int>((*address >> 16) & 0xFF),
        static_cast<int>((*address >> 8) & 0xFF), static_cast<int>(*address & 0xFF)};
}

std::string AddressText(const std::array<int, 4>& parts) {
    std::uint32_t address = 0;
    for (const int part : parts) {
        address = (address << 8) | (static_cast<std::uint32_t>(part) & 0xFF);
    }
    return protocol::FormatIPv4(address);
}

bool AddressFieldTakes(std::string_view field) {
    if (field.empty() || field.size() > 3 || (field.size() > 1 && field[0] == '0')) {
        return false;
    }
    int value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return value <= 255;
}

// The address control's text is the core's; a backend holds only the four fields.
std::string IpAddressControl::GetAddress() const {
    return IsBlank() ? std::string() : AddressText(Fields());
}

bool IpAddressControl::SetAddress(std::string_view dotted) {
    ClearAddress();
    if (dotted.empty()) {
        return true;
    }
    const std::optional<std::array<int, 4>> parts = AddressParts(dotted);
    if (parts) {
        ShowFields(*parts);
    }
    return parts.has_value();
}

Date ClampDate(const Date& value, const std::optional<Date>& first,
               const std::optional<Date>& last) {
    const auto key = [](const Date& d) { return std::tie(d.year, d.month, d.day); };
    if (first && key(value) < key(*first)) {
        return *first;
    }
    if (last && key(*last) < key(value)) {
        return *last;
    }
    return value;
}

bool FitsByteLimit(const platform::TextCodec& codec, std::size_t limit, std::string_view text) {
    std::optional<std::string> bytes = codec.Encode(text);
    if (!bytes) {
        return true;
    }
    const bool fits = bytes->size() <= limit;
    volatile char* wipe = bytes->data();
    for (std::size_t i = 0; i < bytes->size(); ++i) {
        wipe[i] = '\0';
    }
    return fits;
}

}  // namespace halvo::ui
