// SPDX-License-Identifier: GPL-3.0-or-later
// Counting the characters of the dialog layer's UTF-8 texts, as the controls count them.
#pragma once

#include <cstddef>
#include <string_view>

namespace halvo::ui {

// The first `characters` characters (code points) of `text`; all of it when it has fewer.
inline std::string_view FirstCharacters(std::string_view text, std::size_t characters) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (seen == characters) {
                return text.substr(0, i);
            }
            ++seen;
        }
    }
    return text;
}

}  // namespace halvo::ui
