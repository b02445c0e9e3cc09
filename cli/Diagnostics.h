// SPDX-License-Identifier: GPL-3.0-or-later
// What halvoctl tells a user when nothing answers or a share will not map: the adapters one
// discovery asked, the likely causes on this system, and the reason and remedy for each error
// number a mapping can end with. The window keeps its own messages; these are the command line's.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/Discovery.h"

namespace halvo::cli {

enum class HostSystem { Linux, Windows };

#ifdef _WIN32
inline constexpr HostSystem THIS_SYSTEM = HostSystem::Windows;
#else
inline constexpr HostSystem THIS_SYSTEM = HostSystem::Linux;
#endif

// "asked on 2 adapters: Ethernet 192.168.1.10, Wi-Fi 10.0.0.5; and at 10.79.0.11".
std::string AskedText(const protocol::DiscoveryResult& result);

// The lines that follow "no box answered" on `system`: firewalls, other subnets, adapters.
std::vector<std::string> NoAnswerCauses(HostSystem system);

// Why a mapping failed with `number` (a Windows network error number; the Linux drives use the
// same numbers) and what helps, in one line; nullopt for a number without an entry.
std::optional<std::string> MapFailureReason(int number, HostSystem system);

}  // namespace halvo::cli
