// SPDX-License-Identifier: GPL-3.0-or-later
// Opens an address with the desktop's handler for it (the default browser for http):
// ShellExecuteW with "open".
#pragma once

#include "platform/Shell.h"

namespace halvo::platform {

class Win32Shell final : public Shell {
  public:
    bool Open(std::string_view address) override;
};

}  // namespace halvo::platform
