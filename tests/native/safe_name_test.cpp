// Entry file names made safe for a destination inside a folder.
#include "save/safe_name.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct Case {
    std::string name;
    std::string safe;
    const LeadBytes* table = &Cp932LeadBytes();
};

void ExpectTable(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(SafeFileName(c.name, *c.table), c.safe) << "name \"" << c.name << "\"";
}

std::string SafeFileName(std::string_view name) { return ::SafeFileName(name, Cp932LeadBytes()); }

TEST(SafeFileName, LeavesSafeNamesByteForByte) {
    ExpectTable({
        {"logo.gif", "logo.gif"},
        {"index.html", "index.html"},
        {"a b-c_d(1)[2]{3}~!@#$%^&'+=,;.tar.gz", "a b-c_d(1)[2]{3}~!@#$%^&'+=,;.tar.gz"},
        {"\x95\x5c.gif", "\x95\x5c.gif"},      // 表: trail byte 0x5C
        {"\x83\x7c\x83\x93.txt", "\x83\x7c\x83\x93.txt"},  // ポン: trail byte 0x7C
        {"\x81\x7c", "\x81\x7c"},              // −: trail byte 0x7C
        {"\xea\xa2x", "\xea\xa2x"},            // a lead byte 0xE0-0xFC
        {"\xa0\xb1\xdf\x80\xfd\xff", "\xa0\xb1\xdf\x80\xfd\xff"},  // single-byte kana and other high bytes
        {"x\x7f", "x\x7f"},
        {"CONSOLE.gif", "CONSOLE.gif"},
        {"COM10.gif", "COM10.gif"},
        {"COM0", "COM0"},
        {"LPT", "LPT"},
        {"NULL.txt", "NULL.txt"},
        {"x.CON", "x.CON"},
        {".nul", ".nul"},
        {"aux_1", "aux_1"},
    });
}

TEST(SafeFileName, ReplacesEveryByteWindowsRefusesInAName) {
    for (char forbidden : std::string("\\/:*?\"<>|")) {
        EXPECT_EQ(SafeFileName(std::string("a") + forbidden + "b"), "a_b") << "byte " << forbidden;
    }
    for (int byte = 0x01; byte <= 0x1F; ++byte) {
        EXPECT_EQ(SafeFileName(std::string("a") + static_cast<char>(byte) + "b"), "a_b") << "byte " << byte;
    }
    ExpectTable({
        {"..\\..\\x.dll", ".._.._x.dll"},
        {"a:b.gif", "a_b.gif"},
        {"C:\\Windows\\x", "C__Windows_x"},
        {"\\\\server\\share", "__server_share"},
        {"what?.gif", "what_.gif"},
        {"\x95\x5c\\x", "\x95\x5c_x"},  // 表 kept, the real backslash after it replaced
        // No lead bytes (1252, UTF-8): a 5C after a high byte is a backslash.
        {"Caf\xe9\\x", "Caf\xe9_x", &NoLeadBytes()},
        {"\xe7\x94\xbb\xe5\x83\x8f\\", "\xe7\x94\xbb\xe5\x83\x8f_", &NoLeadBytes()},
    });
}

TEST(SafeFileName, PrefixesDeviceNamesInAnyCase) {
    ExpectTable({
        {"CON", "_CON"},
        {"con.txt", "_con.txt"},
        {"Com1.gif", "_Com1.gif"},
        {"LPT9", "_LPT9"},
        {"lpt1.a.b", "_lpt1.a.b"},
        {"PRN.", "_PRN"},
        {"aux", "_aux"},
        {"NuL.gif", "_NuL.gif"},
        {"NUL .txt", "_NUL .txt"},  // Windows drops the spaces before the dot
        {"com9  ", "_com9"},
        {"con:x", "con_x"},         // not a device name once the ":" is gone
        {"CON|.gif", "CON_.gif"},
    });
}

TEST(SafeFileName, NamesOfOnlyDotsAndSpacesBecomeAsManyUnderscores) {
    ExpectTable({
        {"", "_"},     // a folder address with a query: "<folder>\" would be the destination
        {"..", "__"},  // the parent folder: "<folder>\\.." would be the destination
        {".", "_"},
        {"...", "___"},
        {". .", "___"},
        {" ..", "___"},
        {"   ", "___"},
        {"..a", "..a"},  // anything else in the name: today's rule
        {"a..", "a"},
        {".. .gif", ".. .gif"},
        {"..\\", ".._"},
        {"..\x81", ".._"},
    });
}

// Windows drops them from the file it creates but not from the mark's stream
// name: the saved name must already be the one Windows makes.
TEST(SafeFileName, DropsTrailingDotsAndSpaces) {
    ExpectTable({
        {"name.", "name"},
        {"name. .", "name"},
        {"a.gif  ", "a.gif"},
        {"x.. ", "x"},
        {".a.", ".a"},
        {"\x01.", "_"},
        {"\x95\x5c.", "\x95\x5c"},  // 表 stays whole
        {"con.", "_con"},
    });
}

// COM and LPT with a superscript 1-3 are devices too, spelled as the code
// page spells them; B9 is "ą" in 1250 and no device there.
LeadBytes WithSuperscripts(unsigned codePage, const char* prefix) {
    LeadBytes table(codePage, nullptr, 0);
    for (int digit = 1; digit <= 3; ++digit)
        table.SetSuperscriptDigit(digit, std::string(prefix) + "\xB9\xB2\xB3"[digit - 1]);
    return table;
}

TEST(SafeFileName, SuperscriptDevicesAsTheCodePageSpellsThem) {
    const LeadBytes cp1252 = WithSuperscripts(1252, ""), utf8 = WithSuperscripts(65001, "\xC2"), cp1250(1250, nullptr, 0);
    ExpectTable({
        {"COM\xB9", "_COM\xB9", &cp1252},
        {"lpt\xB2.txt", "_lpt\xB2.txt", &cp1252},
        {"LPT\xB3 .gif", "_LPT\xB3 .gif", &cp1252},
        {"COM\xB9\xB9", "COM\xB9\xB9", &cp1252},
        {"COM\xBC", "COM\xBC", &cp1252},  // ¼
        {"COM\xC2\xB9.gif", "_COM\xC2\xB9.gif", &utf8},
        {"COM\xB9", "COM\xB9", &utf8},
        {"COM\xB9", "COM\xB9", &cp1250},
        {"COM\xB9", "COM\xB9"},  // 932 has no superscripts
    });
}

TEST(SafeFileName, LeadByteWithoutItsTrailIsReplacedWithoutReadingPastTheEnd) {
    // Exactly sized heap copies: AddressSanitizer reports any read past them.
    const unsigned char gbkRanges[] = {0x81, 0xFE, 0, 0};
    const LeadBytes gbk(936, gbkRanges, sizeof gbkRanges);
    for (const Case& c : std::vector<Case>{
             {"ab\x95", "ab_"},
             {"\x81", "_"},
             {"\xfc", "_"},
             {"\x81/x", "__x"},   // 0x2F cannot be a trail byte: the "/" is a separator
             {"\x81:x", "__x"},
             {"\x81\x1f", "__"},
             {"\x81\x7f", "_\x7f"},
             {"con\x81", "con_"},
             {"\x81\xfd", "_\xfd"},             // FD is no trail byte in code page 932
             {"\x81\xfd\xfe", "\x81\xfd_", &gbk},  // but is in other double-byte code pages
         }) {
        auto bytes = std::make_unique<char[]>(c.name.size());
        c.name.copy(bytes.get(), c.name.size());
        EXPECT_EQ(SafeFileName(std::string_view(bytes.get(), c.name.size()), *c.table), c.safe)
            << "name \"" << c.name << "\"";
    }
}

TEST(SafeFileName, IsStableOnItsOwnResult) {
    for (std::string name : {"..\\..\\x.dll", "CON", "a:b", "ab\x95", "\x81/x", "com1 .gif"}) {
        std::string once = SafeFileName(name);
        EXPECT_EQ(SafeFileName(once), once) << name;
        EXPECT_LE(once.size(), name.size() + 1);
    }
}

}  // namespace
