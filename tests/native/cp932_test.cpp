// The double-byte aware backslash search.
#include "app/cp932.h"

#include <gtest/gtest.h>

TEST(LastBackslashCp932, SkipsTrailBytesOfDoubleByteCharacters) {
    struct Case { std::string_view text; size_t expected; } cases[] = {
        {"C:\\data\\logo.gif", 7},
        {"C:\\data\\", 7},
        {"C:\\\x95\x5c", 2},               // C:\表 : the trail 5C is not a separator
        {"C:\\\x95\x5c\\x", 5},            // C:\表\x
        {"\x81\x5c\x81\x5c", std::string_view::npos},
        {"abc", std::string_view::npos},
        {"", std::string_view::npos},
        {"a\\\x95", 1},                    // a lead byte cut at the end
        {"\xa0\\", 1},                     // half-width katakana range is single-byte
        {"\xfc\x5c\\", 2},
    };
    for (const Case& c : cases) EXPECT_EQ(LastBackslashCp932(c.text), c.expected) << testing::PrintToString(std::string(c.text));
}
