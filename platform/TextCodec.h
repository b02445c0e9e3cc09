// SPDX-License-Identifier: GPL-3.0-or-later
// Device texts: the byte fields of the wire are in the workstation's ANSI code page; everything
// above the protocol (windows, halvoctl, SMB addresses) speaks UTF-8. This is the one place where
// the two meet.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace halvo::platform {

class TextCodec {
  public:
    virtual ~TextCodec() = default;
    // The code page as Windows numbers it: 1252, 936, 65001 for UTF-8.
    virtual unsigned CodePage() const = 0;
    // The field's bytes up to the first NUL, as UTF-8. A byte sequence that does not decode
    // becomes U+FFFD: fit for display only, never for sending back.
    virtual std::string Decode(std::string_view bytes) const = 0;
    // The code page's bytes for a UTF-8 text; nothing when a character has no place in it.
    virtual std::optional<std::string> Encode(std::string_view utf8) const = 0;
};

// The longest prefix of `utf8`, whole characters only, whose encoding takes at most `limit`
// bytes: what an edit limited to `limit` bytes may hold. Stops before a character the code page
// cannot hold, or before a byte that does not begin a UTF-8 character.
inline std::string FitToBytes(const TextCodec& codec, std::string_view utf8, std::size_t limit) {
    std::size_t used = 0;
    std::size_t end = 0;
    while (end < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[end]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (end + length > utf8.size()) {
            break;
        }
        const std::optional<std::string> bytes = codec.Encode(utf8.substr(end, length));
        if (!bytes || used + bytes->size() > limit) {
            break;
        }
        used += bytes->size();
        end += length;
    }
    return std::string(utf8.substr(0, end));
}

}  // namespace halvo::platform
