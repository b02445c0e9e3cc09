// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DeviceText.h"

namespace halvo::ui {

std::string NotInCodePageMessage(const platform::TextCodec& codec, std::string_view what) {
    return std::string(what) + " holds characters that code page " +
           std::to_string(codec.CodePage()) +
           " cannot write. Nothing was sent: use characters of that code page.";
}

}  // namespace halvo::ui
