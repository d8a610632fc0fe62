// The ANSI code page's spelling of one code point and the typed address as
// UTF-8, through the real conversions, under code page 932.
#include "text/wide_text_win.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Spelled(char32_t codePoint, size_t capacity = 8) {
    char out[8] = {};
    const size_t length = AnsiSpellingOf(codePoint, out, capacity);
    return length == 0 ? "(none)" : std::string(out, length);
}

TEST(AnsiSpelling, OnlyTheCodePagesOwnCharacters) {
    ASSERT_EQ(GetACP(), 932u);
    EXPECT_EQ(Spelled(U'\u5199'), "\x8e\xca");  // 写
    EXPECT_EQ(Spelled(U'\uff5e'), "\x81\x60");  // fullwidth tilde
    EXPECT_EQ(Spelled(U'\u00a5'), "(none)") << "best fit would give \\";
    EXPECT_EQ(Spelled(U'\u00e9'), "(none)") << "best fit would give e";
    EXPECT_EQ(Spelled(U'\U0001F600'), "(none)") << "an emoji, as a surrogate pair";
    EXPECT_EQ(Spelled(0xD800), "(none)");
    EXPECT_EQ(Spelled(0x110000), "(none)");
    EXPECT_EQ(Spelled(U'\u5199', 1), "(none)") << "no room";

    std::string utf8 = "left over";
    EXPECT_TRUE(Utf8FromAnsi("http://h/\x8e\xca/", utf8));
    EXPECT_EQ(utf8, "http://h/\xe5\x86\x99/");
    EXPECT_FALSE(Utf8FromAnsi("http://h/\x8e", utf8)) << "a lead byte cut off";
}

}  // namespace
