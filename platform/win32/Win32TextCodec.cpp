// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/win32/Win32TextCodec.h"

#include <windows.h>

#include <climits>

#include "platform/win32/WideText.h"

namespace halvo::platform {

bool Win32TextCodec::Exists(unsigned codePage) {
    return codePage != 0 && IsValidCodePage(codePage) != 0;
}

Win32TextCodec::Win32TextCodec() : codePage_(::GetACP()) {}

std::string Win32TextCodec::Decode(std::string_view bytes) const {
    const auto nul = bytes.find('\0');
    if (nul != std::string_view::npos) {
        bytes = bytes.substr(0, nul);
    }
    if (bytes.empty() || bytes.size() > INT_MAX) {
        return {};
    }
    // Without MB_ERR_INVALID_CHARS a byte that does not decode becomes U+FFFD (or the code
    // page's default character), as Decode promises.
    const int size = static_cast<int>(bytes.size());
    const int n = ::MultiByteToWideChar(codePage_, 0, bytes.data(), size, nullptr, 0);
    if (n <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage_, 0, bytes.data(), size, wide.data(), n);
    return win32::Narrow(wide);
}

std::optional<std::string> Win32TextCodec::Encode(std::string_view utf8) const {
    if (utf8.empty()) {
        return std::string();
    }
    if (utf8.size() > INT_MAX) {
        return std::nullopt;
    }
    // A text that is not UTF-8 has no place in any code page.
    const int size = static_cast<int>(utf8.size());
    const int wn =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (wn <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(wn), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), wn);
    // UTF-8 and UTF-7 take no default character; every other code page says whether it had to
    // use one, which means a character that is not in it.
    const bool unicode = codePage_ == CP_UTF8 || codePage_ == CP_UTF7;
    BOOL usedDefault = FALSE;
    const DWORD flags = unicode ? 0 : WC_NO_BEST_FIT_CHARS;
    const int n = ::WideCharToMultiByte(codePage_, flags, wide.data(), wn, nullptr, 0, nullptr,
                                        unicode ? nullptr : &usedDefault);
    if (n <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(codePage_, flags, wide.data(), wn, bytes.data(), n, nullptr, nullptr);
    return bytes;
}

}  // namespace halvo::platform
