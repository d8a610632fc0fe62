// A code point's ANSI spelling and the typed address as UTF-8, through the
// real conversions under code page 932.
#include "text/wide_text_win.h"

#include <gtest/gtest.h>

TEST(AnsiSpelling, OnlyTheCodePagesOwnCharactersAndExactUtf8) {
    ASSERT_EQ(GetACP(), 932u);
    char out[8] = {};
    EXPECT_EQ(std::string(out, AnsiSpellingOf(U'\u5199', out, sizeof out)), "\x8e\xca");  // 写
    // Best fit would give "\" and "e"; an emoji is a surrogate pair; no room.
    for (char32_t refused : {U'\u00a5', U'\u00e9', U'\U0001F600', char32_t(0xD800), char32_t(0x110000)})
        EXPECT_EQ(AnsiSpellingOf(refused, out, sizeof out), 0u) << std::hex << refused;
    EXPECT_EQ(AnsiSpellingOf(U'\u5199', out, 1), 0u);

    std::string utf8;
    EXPECT_TRUE(Utf8FromAnsi("http://h/\x8e\xca/", utf8));
    EXPECT_EQ(utf8, "http://h/\xe5\x86\x99/");
    EXPECT_FALSE(Utf8FromAnsi("http://h/\x8e", utf8)) << "a lead byte cut off";
}
