// Escaped UTF-8 in cache addresses: the paths shown under code pages 932,
// 65001 and 1252, and the form the browser sends a typed address in. The
// code pages are spelled by glibc's iconv (no best fit: a character the code
// page lacks fails), as WideCharToMultiByte spells them on Windows.
#include "text/url_escapes.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <string>

#include "cache/address.h"

namespace {

size_t SpellIn(const char* codePage, char32_t codePoint, char* out, size_t capacity) {
    iconv_t converter = iconv_open(codePage, "UTF-32LE");
    if (converter == reinterpret_cast<iconv_t>(-1)) return 0;
    char in[4] = {static_cast<char>(codePoint), static_cast<char>(codePoint >> 8),
                  static_cast<char>(codePoint >> 16), static_cast<char>(codePoint >> 24)};
    char* from = in;
    size_t fromLeft = sizeof in;
    char* to = out;
    size_t toLeft = capacity;
    const bool done = iconv(converter, &from, &fromLeft, &to, &toLeft) != static_cast<size_t>(-1) && fromLeft == 0;
    iconv_close(converter);
    return done ? capacity - toLeft : 0;
}
size_t Spell932(char32_t c, char* out, size_t capacity) { return SpellIn("CP932", c, out, capacity); }
size_t Spell1252(char32_t c, char* out, size_t capacity) { return SpellIn("CP1252", c, out, capacity); }
size_t Spell65001(char32_t c, char* out, size_t capacity) { return SpellIn("UTF-8", c, out, capacity); }

TEST(DecodeUtf8Escapes, ShowsWhatTheCodePageSpellsAndKeepsTheRestAsWritten) {
    struct Row { SpellCodePoint spell; const char* codePage; const char* path; const char* shown; } rows[] = {
        {Spell932, "932", "%E5%86%99%E7%9C%9F/%E7%94%BB%E5%83%8F.jpg", "写真/画像.jpg"},
        {Spell932, "932", "%e5%86%99.gif", "写.gif"},
        {Spell932, "932", "\x8e\xca%E7%9C%9F", "写真"},  // raw 写 stays raw
        {Spell932, "932", "%F0%9F%98%80.png", "%F0%9F%98%80.png"},  // an emoji: no spelling
        // A valid run is decoded character by character.
        {Spell932, "932", "%E5%86%99%F0%9F%98%80%20%e7%9c%9f", "写%F0%9F%98%80%20真"},
        // Shift_JIS that a page escaped itself, even where a part of it would be UTF-8.
        {Spell932, "932", "%83%65%83%58%83%67.txt", "%83%65%83%58%83%67.txt"},
        {Spell932, "932", "%E3%81%82%81.txt", "%E3%81%82%81.txt"},
        {Spell932, "932", "%20%2F%5C%25%3F%23%00%2e", "%20%2F%5C%25%3F%23%00%2e"},
        {Spell932, "932", "%E2%80%AEgpj.exe", "%E2%80%AEgpj.exe"},  // right-to-left override
        {Spell932, "932", "a%E2%80%8Bb%EF%BB%BF%C2%85%E2%80%A8", "a%E2%80%8Bb%EF%BB%BF%C2%85%E2%80%A8"},
        {Spell932, "932", "%C0%AF%E0%80%AF%ED%A0%80%F4%90%80%80", "%C0%AF%E0%80%AF%ED%A0%80%F4%90%80%80"},
        {Spell932, "932", "%E5%86/%E5%86%9/%E/%", "%E5%86/%E5%86%9/%E/%"},
        {Spell932, "932", "%C2%A5.txt", "%C2%A5.txt"},  // iconv spells the yen sign as "\"
        {Spell65001, "65001", "%E5%86%99%F0%9F%98%80", "\xE5\x86\x99\xF0\x9F\x98\x80"},
        {Spell65001, "65001", "%E2%80%AEgpj.exe", "%E2%80%AEgpj.exe"},
        {Spell1252, "1252", "%E5%86%99caf%C3%A9%E2%82%AC", "%E5%86%99caf\xE9\x80"},
        {Spell1252, "1252", "%C2%80%C2%A0%C2%A9", "%C2%80\xA0\xA9"},
        {Spell1252, "1252", "%E0%82%A9-%C1%A9", "%E0%82%A9-%C1%A9"},  // overlong forms of the copyright sign
    };
    for (const Row& row : rows) EXPECT_EQ(DecodeUtf8Escapes(row.path, row.spell), row.shown) << row.codePage << " " << row.path;

}

TEST(DecodeUtf8Escapes, EntryShowsTheDecodedPathAndItsExtension) {
    CacheEntry entry;
    SetPathAndExtension("%E5%86%99%E7%9C%9F/a.%E7%94%BB?x=%E7%94%BB", entry, Spell932);
    EXPECT_EQ(entry.relativePath, "写真/a.画");
    EXPECT_EQ(entry.extension, "画");
}

TEST(SentAddress, EscapesEveryByteOutsideAsciiAndMatchesEitherForm) {
    EXPECT_EQ(EscapeNonAscii(u8"http://example.jp/写真/"), "http://example.jp/%E5%86%99%E7%9C%9F/");
    EXPECT_EQ(EscapeNonAscii("http://h/a%20b/%e5/caf\xC3\xA9/"), "http://h/a%20b/%e5/caf%C3%A9/");

    const CollectPrefixes prefixes{"http://h/\x8e\xca/", "http://h/%E5%86%99/"};  // 写
    EXPECT_EQ(MatchingPrefix("http://h/\x8e\xca/a.gif", prefixes), prefixes.typed);
    EXPECT_EQ(MatchingPrefix("http://h/%E5%86%99/a.gif", prefixes), prefixes.sent);
    EXPECT_EQ(MatchingPrefix("http://h/%e5%86%99/a.gif", prefixes), prefixes.typed) << "sent in upper case only";
    EXPECT_EQ(MatchingPrefix("http://h/%E5%86%99/a.gif", CollectPrefixes{"http://h/", ""}), "http://h/");
}

TEST(PageWindowAddress, SpellsWhatTheCodePageHasAndEscapesTheRestAsSent) {
    struct Row { SpellCodePoint spell; const char16_t* address; const char* box; } rows[] = {
        {Spell932, u"http://example.jp/😀/写.html", "http://example.jp/%F0%9F%98%80/写.html"},
        {Spell932, u"http://h/a%20b/¥", "http://h/a%20b/%C2%A5"},  // "\\" is only a look-alike
        {Spell932, u"http://h/\u202Eexe.txt", "http://h/%E2%80%AEexe.txt"},  // reorders text: stays escaped
        {Spell932, u"http://h/a\r\nb\x7F", "http://h/a%0D%0Ab%7F"},
        {Spell932, u"http://h/\xD800x\xDC00", "http://h/%EF%BF%BDx%EF%BF%BD"},  // lone surrogates
        {Spell1252, u"http://h/café/写", "http://h/caf\xE9/%E5%86%99"},
        {Spell65001, u"http://h/写😀", "http://h/\xE5\x86\x99\xF0\x9F\x98\x80"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(AnsiOrEscapedFromUtf16(row.address, row.spell), row.box) << row.box;
    }
    EXPECT_EQ(AnsiOrEscapedFromUtf16(std::u16string_view(u"a\0b", 3), Spell932), "a%00b");
}

}  // namespace
