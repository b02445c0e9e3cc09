// SPDX-License-Identifier: GPL-3.0-or-later
// A web client just big enough for the devices' pages in the end-to-end tests.
#pragma once

#include <cstdint>
#include <string>

namespace halvo::e2e {

// Fetches "/" from address:port over plain HTTP (2-second timeouts); the whole response, headers
// included, or empty on any failure.
std::string FetchPage(const std::string& address, std::uint16_t port);

}  // namespace halvo::e2e
