// SPDX-License-Identifier: GPL-3.0-or-later
// Hands a document or address to the desktop to open (the user's default browser for http).
#pragma once

#include <string_view>

namespace halvo::platform {

class Shell {
  public:
    virtual ~Shell() = default;
    // Asks the desktop to open `address`. The result is not reported to the user.
    virtual bool Open(std::string_view address) = 0;
};

}  // namespace halvo::platform
