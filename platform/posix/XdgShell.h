// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's opener for an address, without a toolkit: xdg-open, started and not waited for.
#pragma once

#include "platform/Shell.h"

namespace halvo::platform {

class XdgShell final : public Shell {
  public:
    // True when the opener could be started; what it then does is the desktop's business.
    bool Open(std::string_view address) override;
};

}  // namespace halvo::platform
