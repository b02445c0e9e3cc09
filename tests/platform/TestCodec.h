// SPDX-License-Identifier: GPL-3.0-or-later
// The iconv codec in one code page, opened once per test program. Tests that are not about code
// pages use UTF-8, the texts they type and expect being UTF-8 already.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>

#include "platform/posix/IconvTextCodec.h"

namespace halvo::platform::testing {

inline const TextCodec& TestCodec(unsigned codePage = 65001) {
    static std::map<unsigned, std::unique_ptr<IconvTextCodec>> opened;
    auto& codec = opened[codePage];
    if (!codec) {
        codec = IconvTextCodec::Open(codePage);
        if (!codec) {
            throw std::runtime_error("no codec for code page " + std::to_string(codePage));
        }
    }
    return *codec;
}

}  // namespace halvo::platform::testing
