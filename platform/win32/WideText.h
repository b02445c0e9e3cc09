// SPDX-License-Identifier: GPL-3.0-or-later
// Text across the Windows calls: every W function takes UTF-16, everything above the platform
// speaks UTF-8. The conversions are exact; nothing here depends on the process code page.
#pragma once

#include <string>
#include <string_view>

namespace halvo::platform::win32 {

// UTF-8 to UTF-16; an ill-formed sequence becomes U+FFFD.
std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view utf16);

}  // namespace halvo::platform::win32
