// Lead-byte tables from CPINFO ranges, and the double-byte aware backslash search.
#include "text/lead_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

TEST(LastBackslash, SkipsTrailBytesOfDoubleByteCharacters) {
    const LeadBytes* none = &NoLeadBytes();
    struct Case { std::string_view text; size_t expected; const LeadBytes* table = &Cp932LeadBytes(); } cases[] = {
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
        {"C:\\Caf\xe9\\", 2},              // Café\ read as 932: E9 5C is one character
        {"C:\\Caf\xe9\\", 7, none},        // in 1252 it is é and "\"
        {"C:\\\xe7\x94\xbb\xe5\x83\x8f\\x", 9, none},  // 画像\x in UTF-8: 8F is no lead byte
    };
    for (const Case& c : cases)
        EXPECT_EQ(LastBackslash(c.text, *c.table), c.expected) << testing::PrintToString(std::string(c.text));
}

TEST(LeadBytes, ComeFromTheRangePairsUpToTheFirstZeroPairOrTwelveBytes) {
    unsigned char pairs[] = {0x81, 0x9F, 0xA1, 0xA1, 0xE0, 0xFC, 0, 0, 0x20, 0x30, 0xFE, 0xFE};
    const LeadBytes ended(936, pairs, sizeof pairs);
    pairs[6] = pairs[7] = 0xFD;  // no 0,0 pair: all twelve bytes count, and no more
    auto field = std::make_unique<unsigned char[]>(sizeof pairs);  // AddressSanitizer reports a read past it
    std::copy(pairs, pairs + sizeof pairs, field.get());
    const LeadBytes full(936, field.get(), sizeof pairs);
    for (unsigned byte = 0; byte <= 0xFF; ++byte) {
        const bool cp932Lead = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        EXPECT_EQ(Cp932LeadBytes().IsLead(byte), cp932Lead) << byte;
        EXPECT_EQ(ended.IsLead(byte), cp932Lead || byte == 0xA1) << byte;
        EXPECT_EQ(full.IsLead(byte), cp932Lead || byte == 0xA1 || (byte >= 0x20 && byte <= 0x30) || byte == 0xFD ||
                                         byte == 0xFE)
            << byte;
        EXPECT_FALSE(NoLeadBytes().IsLead(byte)) << byte;
        // Trail bytes: code page 932's own set; every other code page 0x40-0xFE but 0x7F.
        const bool trail = byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
        EXPECT_EQ(full.IsTrail(byte), trail) << byte;
        EXPECT_EQ(Cp932LeadBytes().IsTrail(byte), trail && byte <= 0xFC) << byte;
    }
}
