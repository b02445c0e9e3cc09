// SPDX-License-Identifier: GPL-3.0-or-later
// A shell that records the addresses it was asked to open and opens nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/Shell.h"

namespace halvo::platform::testing {

class RecordingShell final : public Shell {
  public:
    bool Open(std::string_view address) override {
        opened.emplace_back(address);
        return result;
    }

    std::vector<std::string> opened;
    bool result = true;  // what Open answers
};

}  // namespace halvo::platform::testing
