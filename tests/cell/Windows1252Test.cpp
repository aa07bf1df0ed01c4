// The Windows-1252 codec: every byte survives, every report symbol has its byte, and
// UTF-8 is checked strictly.

#include <gtest/gtest.h>

#include "export/Windows1252.h"

using namespace zantrel;

TEST(Windows1252, EveryByteSurvivesADecodeAndAnEncode) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += char(b);
    std::string utf8 = Windows1252ToUtf8(all);
    ASSERT_TRUE(IsValidUtf8(utf8));
    Windows1252Text back = Utf8ToWindows1252(utf8);
    EXPECT_TRUE(back.lossless);
    EXPECT_EQ(back.bytes, all);
    EXPECT_EQ(Windows1252ToUtf8("\x80\x96\x81"), "\u20AC\u2013\u0081");
}

TEST(Windows1252, EncodesTheWholeCodePageAndMarksWhatItLacks) {
    EXPECT_EQ(ToWindows1252("° Å ¡ ± ¥ ¯"), "\xB0 \xC5 \xA1 \xB1 \xA5 \xAF");
    EXPECT_EQ(ToWindows1252("€ – … ™ Ÿ"), "\x80 \x96 \x85 \x99 \x9F");  // beyond U+00FF
    Windows1252Text lacking = Utf8ToWindows1252("Ni\u2083Al \U0001F52C");
    EXPECT_EQ(lacking.bytes, "Ni?Al ?");
    EXPECT_FALSE(lacking.lossless);
    Windows1252Text malformed = Utf8ToWindows1252("a\xC3(b\xE2\x82");
    EXPECT_EQ(malformed.bytes, "a?(b??");
    EXPECT_FALSE(malformed.lossless);
}

TEST(Utf8, AcceptsOnlyStrictUtf8) {
    EXPECT_TRUE(IsValidUtf8("plain \xC3\x85 \xE2\x82\xAC \xF4\x8F\xBF\xBF"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong, three bytes
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut short
    EXPECT_FALSE(IsValidUtf8("\x85"));              // a lone continuation byte
}

TEST(Utf8, EncodesAndDecodesAtEveryLengthBoundary) {
    const std::u32string codes = {0x7F, 0x80, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x10FFFF};
    std::string utf8;
    for (char32_t c : codes) AppendUtf8(utf8, c);
    EXPECT_EQ(utf8.size(), 1u + 2 + 2 + 3 + 3 + 4 + 4);
    std::u32string back;
    ASSERT_TRUE(DecodeUtf8(utf8, back));
    EXPECT_EQ(back, codes);
}
