#include "ui/DeviceText.h"

#include <QByteArray>

namespace halvo::ui {

QString DecodeDeviceText(const platform::TextCodec& codec, std::string_view bytes) {
    const std::string text = codec.Decode(bytes);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<std::string> EncodeDeviceText(const platform::TextCodec& codec, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return codec.Encode(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

std::string NotInCodePageMessage(const platform::TextCodec& codec, std::string_view what) {
    return std::string(what) + " holds characters that code page " +
           std::to_string(codec.CodePage()) +
           " cannot write. Nothing was sent: use characters of that code page.";
}

}  // namespace halvo::ui
