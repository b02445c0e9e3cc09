// SPDX-License-Identifier: GPL-3.0-or-later
// IPv4 addresses as dotted text, the one parser and printer the protocol, the command line and the
// dialogs' address controls share. Standard C++ alone, so that any layer may use it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halvo::protocol {

// "a.b.c.d", four decimal parts of 0..255 (no signs, blanks or empty parts; at most three
// digits each); host order.
std::optional<std::uint32_t> ParseIPv4(std::string_view text);
std::string FormatIPv4(std::uint32_t address);

}  // namespace halvo::protocol
