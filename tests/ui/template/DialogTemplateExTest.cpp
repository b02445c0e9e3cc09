// SPDX-License-Identifier: GPL-3.0-or-later
// The in-memory dialog template the Win32 backend hands the dialog manager: an annotated golden
// vector of a small dialog, and the layout rules checked over every template of the program.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/DialogTemplate.h"
#include "ui/ResourceStore.h"
#include "ui/win32/DialogTemplateEx.h"

namespace halvo::ui::win32 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Little-endian helpers for the expected bytes.
void Word(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Dword(Bytes& b, std::uint32_t v) {
    Word(b, static_cast<std::uint16_t>(v & 0xFFFF));
    Word(b, static_cast<std::uint16_t>(v >> 16));
}
void Text(Bytes& b, const std::u16string& s) {
    for (const char16_t c : s) {
        Word(b, static_cast<std::uint16_t>(c));
    }
    Word(b, 0);
}
void Align(Bytes& b) {
    while (b.size() % 4 != 0) {
        b.push_back(0);
    }
}

DialogTemplate Parse(const char* json) {
    std::string error;
    const std::optional<DialogTemplate> t = ParseDialogTemplate(json, "test", &error);
    EXPECT_TRUE(t) << error;
    return t.value_or(DialogTemplate{});
}

TEST(DialogTemplateEx, ASmallDialogIsLaidOutByteForByte) {
    const DialogTemplate t = Parse(R"({
      "id": 9, "title": "Ab", "size": [100, 50], "frame": "modal",
      "font": {"face": "宋体", "pointSize": 9}, "styles": ["sysMenu"],
      "controls": [
        {"kind": "label", "text": "&N", "rect": [1, 2, 30, 8]},
        {"id": 1001, "kind": "edit", "styles": ["border", "tabStop", "password"], "rect": [3, 4, 40, 12]}
      ]})");
    Bytes want;
    Word(want, 1);            // 0: dlgVer
    Word(want, 0xFFFF);       // 2: signature
    Dword(want, 0);           // 4: helpID
    Dword(want, 0x00010000);  // 8: WS_EX_CONTROLPARENT
    Dword(want, 0x80000000 | 0x00C00000 | 0x00080000 | 0x80 | 0x40 |
                    0x4);                  // 12: popup, caption,
                                           // sysmenu, modal frame, set font, 3D look
    Word(want, 2);                         // 16: two items
    Word(want, 0);                         // 18: x
    Word(want, 0);                         // 20: y
    Word(want, 100);                       // 22: cx
    Word(want, 50);                        // 24: cy
    Word(want, 0);                         // 26: no menu
    Word(want, 0);                         // 28: the dialog class
    Text(want, u"Ab");                     // 30: title
    Word(want, 9);                         // 36: point size
    Word(want, 400);                       // 38: weight
    want.push_back(0);                     // 40: italic
    want.push_back(1);                     // 41: DEFAULT_CHARSET
    Text(want, u"宋体");                   // 42: face
    Align(want);                           // 48: the first item
    Dword(want, 0);                        // +0 helpID
    Dword(want, 0);                        // +4 exStyle
    Dword(want, 0x40000000 | 0x10000000);  // +8 child, visible, SS_LEFT
    Word(want, 1);                         // +12 x
    Word(want, 2);                         // +14 y
    Word(want, 30);                        // +16 cx
    Word(want, 8);                         // +18 cy
    Dword(want, kUnnumberedBase + 0);      // +20 id of its own
    Word(want, 0xFFFF);                    // +24 class by atom:
    Word(want, 0x0082);                    //     static
    Text(want, u"&N");                     // +28 text, mnemonic kept for the control
    Word(want, 0);                         //     no creation data
    Align(want);                           // the second item
    Dword(want, 0);                        // +0 helpID
    Dword(want, 0x00000200);               // +4 WS_EX_CLIENTEDGE for the border
    Dword(want, 0x40000000 | 0x10000000 | 0x00010000 | 0x20);  // +8 child, visible, tab stop,
                                                               // ES_PASSWORD
    Word(want, 3);                                             // +12 x
    Word(want, 4);                                             // +14 y
    Word(want, 40);                                            // +16 cx
    Word(want, 12);                                            // +18 cy
    Dword(want, 1001);                                         // +20 id
    Word(want, 0xFFFF);                                        // +24 class by atom:
    Word(want, 0x0081);                                        //     edit
    Text(want, u"");                                           // +28 no text
    Word(want, 0);                                             //     no creation data
    Align(want);
    EXPECT_EQ(BuildDialogTemplateEx(t, /*child=*/false), want);
}

// Walks the items of `bytes` as the dialog manager does; the offsets where items begin.
std::vector<std::size_t> ItemOffsets(const Bytes& bytes) {
    auto word = [&](std::size_t at) {
        return static_cast<std::uint16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
    };
    auto skipText = [&](std::size_t at) {
        while (word(at) != 0) {
            at += 2;
        }
        return at + 2;
    };
    const std::uint16_t count = word(16);
    // Menu and class are one word each here; the title starts at 30.
    std::size_t at = skipText(30);
    at += 6;  // point size, weight, italic, charset
    at = skipText(at);
    std::vector<std::size_t> items;
    for (std::uint16_t i = 0; i < count; ++i) {
        at = (at + 3) & ~std::size_t{3};
        items.push_back(at);
        at += 24;
        at = word(at) == 0xFFFF ? at + 4 : skipText(at);  // class
        at = word(at) == 0xFFFF ? at + 4 : skipText(at);  // title
        at += 2 + word(at);                               // creation data
    }
    return items;
}

TEST(DialogTemplateEx, EveryTemplateOfTheProgramHasItsItemsOnDwordBoundariesWithTheirIds) {
    ResourceStore store;
    std::string error;
    ASSERT_TRUE(store.LoadBuiltIn(&error)) << error;
    int checked = 0;
    for (int id = 1; id < 1000; ++id) {
        const DialogTemplate* t = store.FindTemplate(id);
        if (t == nullptr) {
            continue;
        }
        for (const bool child : {false, true}) {
            const Bytes bytes = BuildDialogTemplateEx(*t, child);
            ASSERT_EQ(bytes.size() % 4, 0u) << id;
            const std::vector<std::size_t> items = ItemOffsets(bytes);
            ASSERT_EQ(items.size(), t->controls.size()) << id;
            for (std::size_t i = 0; i < items.size(); ++i) {
                EXPECT_EQ(items[i] % 4, 0u) << "template " << id << " item " << i;
                const std::size_t at = items[i] + 20;
                const auto windowId = static_cast<std::uint32_t>(
                    bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                    (static_cast<std::uint32_t>(bytes[at + 3]) << 24));
                EXPECT_EQ(windowId,
                          static_cast<std::uint32_t>(WindowIdOf(*t, static_cast<int>(i))));
            }
        }
        ++checked;
    }
    EXPECT_GE(checked, 9);
}

TEST(DialogTemplateEx, Utf16KeepsEveryCharacterAndReplacesWhatIsNoUtf8) {
    EXPECT_EQ(ToUtf16("Aü宋"), u"Aü宋");
    EXPECT_EQ(ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");  // a pair of surrogates
    EXPECT_EQ(ToUtf16("a\xC0\xAF"
                      "b"),
              u"a\uFFFD\uFFFDb");                               // an overlong form
    EXPECT_EQ(ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // an encoded surrogate
    EXPECT_EQ(ToUtf16("x\xE5\xAE"), u"x\uFFFD\uFFFD");          // cut short
}

}  // namespace
}  // namespace halvo::ui::win32
