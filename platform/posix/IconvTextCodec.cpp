// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/IconvTextCodec.h"

#include <string.h>

#include <cerrno>

namespace halvo::platform {

namespace {

const iconv_t NO_ICONV = reinterpret_cast<iconv_t>(-1);
constexpr std::string_view REPLACEMENT = "\xEF\xBF\xBD";  // U+FFFD

struct CharsetRow {
    unsigned codePage;
    std::string_view name;
};

// glibc's names for the ANSI code pages; CP936 is GBK, CP950 Big5 with Microsoft's additions.
constexpr CharsetRow kCharsets[] = {
    {874, "CP874"},   {932, "CP932"},   {936, "CP936"},   {949, "CP949"},   {950, "CP950"},
    {1250, "CP1250"}, {1251, "CP1251"}, {1252, "CP1252"}, {1253, "CP1253"}, {1254, "CP1254"},
    {1255, "CP1255"}, {1256, "CP1256"}, {1257, "CP1257"}, {1258, "CP1258"}, {65001, "UTF-8"},
};

// Runs `from` through `cd` into `out`. Stops at the first sequence that does not convert and
// returns how many bytes of `from` were used; `from.size()` when all of it was.
std::size_t Convert(iconv_t cd, std::string_view from, std::string& out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // the initial shift state
    char* in = const_cast<char*>(from.data());
    std::size_t inLeft = from.size();
    char buffer[256];
    while (inLeft > 0) {
        char* next = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t result = iconv(cd, &in, &inLeft, &next, &room);
        out.append(buffer, static_cast<std::size_t>(next - buffer));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            break;  // EILSEQ or EINVAL: a sequence that does not convert or is cut short
        }
    }
    // The final shift sequence, which only stateful encodings write.
    char* next = buffer;
    std::size_t room = sizeof buffer;
    iconv(cd, nullptr, nullptr, &next, &room);
    out.append(buffer, static_cast<std::size_t>(next - buffer));
    explicit_bzero(buffer, sizeof buffer);  // it may have held a password
    return from.size() - inLeft;
}

}  // namespace

std::string_view IconvTextCodec::CharsetName(unsigned codePage) {
    for (const CharsetRow& row : kCharsets) {
        if (row.codePage == codePage) {
            return row.name;
        }
    }
    return {};
}

std::unique_ptr<IconvTextCodec> IconvTextCodec::Open(unsigned codePage) {
    const std::string name(CharsetName(codePage));
    if (name.empty()) {
        return nullptr;
    }
    const iconv_t decoder = iconv_open("UTF-8", name.c_str());
    if (decoder == NO_ICONV) {
        return nullptr;
    }
    const iconv_t encoder = iconv_open(name.c_str(), "UTF-8");
    if (encoder == NO_ICONV) {
        iconv_close(decoder);
        return nullptr;
    }
    return std::unique_ptr<IconvTextCodec>(new IconvTextCodec(codePage, decoder, encoder));
}

IconvTextCodec::~IconvTextCodec() {
    iconv_close(decoder_);
    iconv_close(encoder_);
}

std::string IconvTextCodec::Decode(std::string_view bytes) const {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string text;
    while (!bytes.empty()) {
        const std::size_t used = Convert(decoder_, bytes, text);
        if (used == bytes.size()) {
            break;
        }
        // One byte that does not decode is one replacement character; decoding goes on after it.
        text += REPLACEMENT;
        bytes.remove_prefix(used + 1);
    }
    return text;
}

std::optional<std::string> IconvTextCodec::Encode(std::string_view utf8) const {
    std::string bytes;
    if (Convert(encoder_, utf8, bytes) != utf8.size()) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace halvo::platform
