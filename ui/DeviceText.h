// Device texts in the dialogs: the codec's UTF-8 as Qt's strings, both ways.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "platform/TextCodec.h"

namespace halvo::ui {

// A device's bytes as shown; bytes that do not decode show as U+FFFD.
QString DecodeDeviceText(const platform::TextCodec& codec, std::string_view bytes);
// What the user typed, as the device's bytes; nothing when the code page cannot hold it.
std::optional<std::string> EncodeDeviceText(const platform::TextCodec& codec, const QString& text);
// "The text cannot be written in code page 936." for the message box of a text that did not
// encode.
std::string NotInCodePageMessage(const platform::TextCodec& codec, std::string_view what);

}  // namespace halvo::ui
