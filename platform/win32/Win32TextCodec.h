// SPDX-License-Identifier: GPL-3.0-or-later
// Device texts in the system's ANSI code page (CP_ACP), through UTF-16 to UTF-8 and back.
#pragma once

#include "platform/TextCodec.h"

namespace halvo::platform {

class Win32TextCodec final : public TextCodec {
  public:
    // The system's ANSI code page; `codePage` pins another one (tests).
    Win32TextCodec();
    explicit Win32TextCodec(unsigned codePage) : codePage_(codePage) {}
    // Whether the system can convert `codePage`.
    static bool Exists(unsigned codePage);

    unsigned CodePage() const override { return codePage_; }
    std::string Decode(std::string_view bytes) const override;
    std::optional<std::string> Encode(std::string_view utf8) const override;

  private:
    unsigned codePage_;
};

}  // namespace halvo::platform
