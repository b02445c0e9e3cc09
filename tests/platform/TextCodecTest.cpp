// SPDX-License-Identifier: GPL-3.0-or-later
// The iconv codec in the code pages the tests' boxes use: Western 1252, simplified Chinese 936,
// UTF-8; bytes that do not decode, full fields, and limits that must not cut a character.
#include <gtest/gtest.h>

#include "platform/posix/IconvTextCodec.h"
#include "platform/posix/LocaleCodePage.h"
#include "protocol/Protocol.h"

namespace halvo::platform {
namespace {

std::unique_ptr<IconvTextCodec> Codec(unsigned codePage) {
    auto codec = IconvTextCodec::Open(codePage);
    EXPECT_NE(codec, nullptr) << codePage;
    return codec;
}

constexpr std::string_view UMLAUT_NAME_1252 = "M\xFCller";                 // "Müller"
constexpr std::string_view CHINESE_NAME_936 = "\xB2\xC6\xCE\xF1\xB2\xBF";  // "财务部"
constexpr std::string_view FFFD = "\xEF\xBF\xBD";

TEST(IconvTextCodecTest, EveryCodePageTheTableCanChooseOpens) {
    for (unsigned page : {874u, 932u, 936u, 949u, 950u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u,
                          1256u, 1257u, 1258u, 65001u}) {
        ASSERT_TRUE(IsKnownCodePage(page)) << page;
        const auto codec = IconvTextCodec::Open(page);
        ASSERT_NE(codec, nullptr) << page;
        EXPECT_EQ(codec->CodePage(), page);
        EXPECT_EQ(codec->Decode("NAS-1"), "NAS-1") << page;
    }
    EXPECT_EQ(IconvTextCodec::Open(437), nullptr);
    EXPECT_EQ(IconvTextCodec::Open(0), nullptr);
}

TEST(IconvTextCodecTest, DecodesAndEncodesWestern) {
    const auto codec = Codec(1252);
    EXPECT_EQ(codec->Decode(UMLAUT_NAME_1252), "Müller");
    EXPECT_EQ(codec->Decode("\x80 5"), "€ 5");
    EXPECT_EQ(codec->Encode("Müller"), std::string(UMLAUT_NAME_1252));
    EXPECT_EQ(codec->Encode("€"), std::string("\x80"));
    // Chinese has no place in the Western code page: nothing, not question marks.
    EXPECT_EQ(codec->Encode("财务部"), std::nullopt);
    EXPECT_EQ(codec->Encode("ok 财"), std::nullopt);
}

TEST(IconvTextCodecTest, DecodesAndEncodesSimplifiedChinese) {
    const auto codec = Codec(936);
    EXPECT_EQ(codec->Decode(CHINESE_NAME_936), "财务部");
    EXPECT_EQ(codec->Decode("NAS-\xB9\xB2\xCF\xED"), "NAS-共享");
    EXPECT_EQ(codec->Encode("财务部"), std::string(CHINESE_NAME_936));
    EXPECT_EQ(codec->Encode("备份 1"), std::string("\xB1\xB8\xB7\xDD 1"));
    // The umlaut is in GBK (as a two-byte character), the Thai letter is not.
    EXPECT_EQ(codec->Encode("ü"), std::string("\xA8\xB9"));
    EXPECT_EQ(codec->Encode("ก"), std::nullopt);
    // The Western box's bytes read in 936: the lead byte 0xFC takes 'l' as its trail.
    EXPECT_NE(codec->Decode(UMLAUT_NAME_1252), "Müller");
}

TEST(IconvTextCodecTest, Utf8PassesValidTextAndMarksTheRest) {
    const auto codec = Codec(65001);
    EXPECT_EQ(codec->Decode("财务部 Müller"), "财务部 Müller");
    EXPECT_EQ(codec->Encode("财务部 Müller"), std::string("财务部 Müller"));
    EXPECT_EQ(codec->Decode(UMLAUT_NAME_1252), "M" + std::string(FFFD) + "ller");
    EXPECT_EQ(codec->Encode("M\xFCller"), std::nullopt);  // not UTF-8 in the first place
}

TEST(IconvTextCodecTest, BytesThatDoNotDecodeBecomeOneReplacementEach) {
    // 0x81 and 0x8D have no character in 1252.
    EXPECT_EQ(Codec(1252)->Decode("A\x81\x8D"
                                  "B"),
              "A" + std::string(FFFD) + std::string(FFFD) + "B");
    // 936: 0xFF is no lead byte; a lead byte at the end of the field has lost its trail.
    const auto gbk = Codec(936);
    EXPECT_EQ(gbk->Decode("\xFF"
                          "A"),
              std::string(FFFD) + "A");
    EXPECT_EQ(gbk->Decode("\xB2\xC6\xCE"), "财" + std::string(FFFD));
    EXPECT_EQ(gbk->Decode(""), "");
}

TEST(IconvTextCodecTest, ReadsAFullFieldAndStopsAtTheFirstNul) {
    const auto gbk = Codec(936);
    // 16 bytes, no terminator on the wire: eight characters.
    protocol::FixedText<16> name;
    const std::string eight = "\xB2\xC6\xCE\xF1\xB2\xBF\xB5\xC4\xB4\xE6\xB4\xA2\xBA\xD0\xB9\xB2";
    name.Assign(eight);
    EXPECT_EQ(gbk->Decode(name.view()), "财务部的存储盒共");
    EXPECT_EQ(gbk->Decode(std::string_view("\xB9\xB2\0\xCF\xED", 5)), "共");
}

TEST(IconvTextCodecTest, FitToBytesNeverCutsInsideACharacter) {
    const auto gbk = Codec(936);
    // "A" and eight two-byte characters take 17 bytes: 16 hold "A" and seven of them.
    const std::string name = "A财务部的存储盒共";
    EXPECT_EQ(FitToBytes(*gbk, name, 16), "A财务部的存储盒");
    EXPECT_EQ(gbk->Encode(FitToBytes(*gbk, name, 16))->size(), 15u);
    EXPECT_EQ(FitToBytes(*gbk, "财务部的存储盒共", 16), "财务部的存储盒共");
    // In UTF-8 the same characters take three bytes each.
    EXPECT_EQ(FitToBytes(*Codec(65001), "财务部的存储盒共", 16), "财务部的存");
    EXPECT_EQ(FitToBytes(*Codec(1252), "Größe", 4), "Größ");
    // It stops before what the code page cannot hold.
    EXPECT_EQ(FitToBytes(*Codec(1252), "ab财cd", 16), "ab");
    EXPECT_EQ(FitToBytes(*gbk, "", 16), "");
}

TEST(IconvTextCodecTest, ANameThatDoesNotDecodeOnlyGoesBackAsItsOwnBytes) {
    // What is shown cannot be turned back into what the box holds: the record's bytes are sent.
    const auto western = Codec(1252);
    const std::string bytes = "NAS\x81\x8D";
    const std::string shown = western->Decode(bytes);
    EXPECT_EQ(western->Encode(shown), std::nullopt);
    protocol::FixedText<16> recordName;
    recordName.Assign(bytes);
    protocol::FixedText<16> sent = recordName;
    EXPECT_EQ(sent.view(), bytes);
}

}  // namespace
}  // namespace halvo::platform
