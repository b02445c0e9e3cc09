// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's "open" for addresses: the user's default browser for http.
#pragma once

#include "platform/Shell.h"

namespace halvo::ui {

class QtShell : public platform::Shell {
  public:
    // True when the desktop took the address; a browser that then fails is not noticed.
    bool Open(std::string_view address) override;
};

}  // namespace halvo::ui
