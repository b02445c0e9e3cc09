// SPDX-License-Identifier: GPL-3.0-or-later
// The texts share mapping shows, for every front end that maps shares. Standard C++.
#pragma once

#include <string_view>

namespace halvo::shares {

inline constexpr std::string_view MSG_MAP_FAILED = "Map failed!";
inline constexpr std::string_view MSG_UNMAP_FAILED = "Unmap failed!";

}  // namespace halvo::shares
