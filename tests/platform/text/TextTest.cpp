#include <gtest/gtest.h>

#include "platform/text/Text.h"

TEST(CodePage850, RoundTripsItsCharacters) {
    const std::string utf8 = "Größe ÅÄÖ åäö é ½ ░ █";
    const std::string oem = text::toOem(utf8);
    EXPECT_EQ(oem.size(), 21u);                           // one byte per character
    EXPECT_EQ(static_cast<unsigned char>(oem[3]), 0xE1);  // ß
    EXPECT_EQ(static_cast<unsigned char>(oem[6]), 0x8F);  // Å
    EXPECT_EQ(text::fromOem(oem), utf8);
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(text::toOem(text::fromOem(one)), one) << b;
    }
}

TEST(CodePage850, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(text::toOem("a€b"), "a?b");
    EXPECT_EQ(text::toOem("日本"), "??");
    EXPECT_EQ(text::toOem("x\xFFy"), "x?y");  // a malformed byte
    EXPECT_EQ(text::toOem("😀"), "?");
}

TEST(WideText, RoundTripsIncludingSurrogatePairs) {
    const std::string utf8 = "Prod:\\Größe 😀 €";
    const std::u16string wide = text::toWide(utf8);
    EXPECT_EQ(wide, u"Prod:\\Größe 😀 €");
    EXPECT_EQ(text::fromWide(wide), utf8);
    EXPECT_EQ(text::fromWide(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(text::toWide("a\xE9z"), u"a\u00E9z");  // a stray Latin-1 byte
}

TEST(EightBitText, KeptWhenUtf8ElseReadAsLatin1) {
    EXPECT_TRUE(text::isUtf8("Größe"));
    EXPECT_FALSE(
        text::isUtf8("Gr\xF6\xDF"
                     "e"));
    EXPECT_FALSE(text::isUtf8("\xC0\xAF"));  // overlong
    EXPECT_EQ(text::fromEightBit("Größe"), "Größe");
    EXPECT_EQ(text::fromEightBit("Gr\xF6\xDF"
                                 "e"),
              "Größe");
}
