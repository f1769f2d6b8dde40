// The code page 437 table: every byte a distinct character, the box-drawing
// glyphs of the listing right, and valid UTF-8 out.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/view/cp437.h"

namespace {

TEST(Cp437, EveryByteIsADistinctCharacterAndAsciiStaysAscii) {
    // Byte 00h shows as a blank, as the OEM font draws it; all others differ.
    EXPECT_EQ(Cp437ToUtf16(0), u' ');
    std::set<char16_t> seen;
    for (int b = 1; b < 256; ++b) {
        const char16_t u = Cp437ToUtf16(static_cast<uint8_t>(b));
        EXPECT_TRUE(seen.insert(u).second) << "byte " << b << " repeats U+" << std::hex << int{u};
        if (b >= 0x20 && b < 0x7F) EXPECT_EQ(u, b);
        if (b >= 0x80) EXPECT_GE(u, 0x80) << b;
    }
}

TEST(Cp437, ListingGlyphsBecomeTheirBoxDrawingCharacters) {
    const struct {
        uint8_t byte;
        char16_t unicode;
    } cases[] = {{0xC9, u'╔'}, {0xBB, u'╗'}, {0xC8, u'╚'},   {0xBC, u'╝'}, {0xCD, u'═'},
                 {0xBA, u'║'}, {0xCB, u'╦'}, {0xCA, u'╩'},   {0xCE, u'╬'}, {0xB9, u'╣'},
                 {0x80, u'Ç'}, {0xE1, u'ß'}, {0xFF, 0x00A0}, {0x0A, u'◙'}};
    for (const auto& c : cases) EXPECT_EQ(Cp437ToUtf16(c.byte), c.unicode) << int{c.byte};
}

TEST(Cp437, AppendsUtf8) {
    std::string out = "x";
    AppendCp437AsUtf8(out,
                      "\xC9\xCD"
                      "A%\x80\xFF");
    EXPECT_EQ(out, "x\u2554\u2550A%\u00C7\u00A0");
}

}  // namespace
