// SPDX-License-Identifier: GPL-3.0-or-later
// The text codec on the C library's iconv: device bytes in one code page to UTF-8 and back.
#pragma once

#include <iconv.h>

#include <memory>
#include <string_view>

#include "platform/TextCodec.h"

namespace halvo::platform {

class IconvTextCodec : public TextCodec {
  public:
    // Null when `codePage` is not one of the code pages the locale table can choose, nor 65001.
    static std::unique_ptr<IconvTextCodec> Open(unsigned codePage);
    // The iconv name of a code page this codec knows; empty for any other.
    static std::string_view CharsetName(unsigned codePage);

    ~IconvTextCodec() override;
    IconvTextCodec(const IconvTextCodec&) = delete;
    IconvTextCodec& operator=(const IconvTextCodec&) = delete;

    unsigned CodePage() const override { return codePage_; }
    std::string Decode(std::string_view bytes) const override;
    std::optional<std::string> Encode(std::string_view utf8) const override;

  private:
    IconvTextCodec(unsigned codePage, iconv_t decoder, iconv_t encoder)
        : codePage_(codePage), decoder_(decoder), encoder_(encoder) {}

    unsigned codePage_;
    iconv_t decoder_;
    iconv_t encoder_;
};

}  // namespace halvo::platform
