// Device texts: the byte fields of the wire are in the workstation's ANSI code page; everything
// above the protocol (windows, halvoctl, SMB addresses) speaks UTF-8. This is the one place where
// the two meet.
#pragma once

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

}  // namespace halvo::platform
