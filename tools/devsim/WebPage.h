// SPDX-License-Identifier: GPL-3.0-or-later
// The device's own web page: a minimal HTTP/1.0 answer naming the device, its address and its
// firmware, so that opening the device's web address lands on something real.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/devsim/Simulator.h"

namespace halvo::devsim {

// The whole response (status line, headers, body) to one request head. Every device listed
// shares the port the request came in on.
std::string BuildWebResponse(std::string_view requestHead,
                             const std::vector<const SimulatedDevice*>& devices);

}  // namespace halvo::devsim
