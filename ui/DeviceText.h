// SPDX-License-Identifier: GPL-3.0-or-later
// Device texts in the dialogs: what the user is told when the code page cannot write a text.
#pragma once

#include <string>
#include <string_view>

#include "platform/TextCodec.h"

namespace halvo::ui {

// "The user name holds characters that code page 936 cannot write. ..." for the message box of
// a text that did not encode.
std::string NotInCodePageMessage(const platform::TextCodec& codec, std::string_view what);

}  // namespace halvo::ui
