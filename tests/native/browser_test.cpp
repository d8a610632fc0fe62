// The page address out of the browser's reply, and the toolbar button's values.
#include "browser/toolbar_values.h"
#include "browser/window_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Parses a copy in a block shaped like the real one: zero-filled, at most
// kReplyMaxBytes copied, so the text always ends with a NUL.
std::string Parse(const std::string& reply) {
    std::vector<char> block(kReplyBlockSize, '\0');
    std::memcpy(block.data(), reply.data(), std::min(reply.size(), kReplyMaxBytes));
    char* address = ParseWindowInfoReply(block.data());
    EXPECT_GE(address, block.data());
    EXPECT_LE(address, block.data() + 1);
    return address;
}

TEST(ParseWindowInfoReply, TakesTheFirstField) {
    struct Case {
        const char* reply;
        const char* address;
    } cases[] = {
        {"\"http://host/dir/page.html\",\"Page title\"", "http://host/dir/page.html"},
        {"http://host/dir/page.html,Page title", "http://host/dir/page.html"},
        {"http://host/dir/page.html", "http://host/dir/page.html"},
        {"", ""},
        {"\"\"", ""},
        {"\"\"http://host/\",\"t\"", ""},
        {"\"http://host/a,b.html\",\"t\"", "http://host/a"},
        {" \"http://host/\",\"t\"", " "},
        {"\"http://host/unclosed", "http://host/unclosed"},
        {"\"", ""},
        {",\"http://host/\"", ""},
        {"http://host/a\"b\",t", "http://host/a"},
        // Code page 932: 0x95 0x5C is one character, and no trail byte is a comma or quote.
        {"\"http://host/\x95\x5C/\x83\x41.html\",\"\x95\x5C\"", "http://host/\x95\x5C/\x83\x41.html"},
    };
    for (const Case& c : cases) EXPECT_EQ(Parse(c.reply), c.address) << "reply: " << c.reply;
}

TEST(ParseWindowInfoReply, EndsTheTextInPlace) {
    char reply[] = "\"http://host/x\",\"title\"";
    char* address = ParseWindowInfoReply(reply);
    EXPECT_EQ(address, reply + 1);
    EXPECT_EQ(reply[14], '\0');
    EXPECT_STREQ(address, "http://host/x");
}

TEST(ParseWindowInfoReply, LongRepliesAreCutAt4999Bytes) {
    const std::string exact = "http://host/" + std::string(kReplyMaxBytes - 12, 'a');
    ASSERT_EQ(exact.size(), 4999u);
    EXPECT_EQ(Parse(exact), exact);
    EXPECT_EQ(Parse("\"" + exact), exact.substr(0, 4998));
    EXPECT_EQ(Parse(exact + "bcdef,\"title\""), exact);
}

TEST(ToolbarButtonValues, SevenValuesInTheirOrder) {
    const std::vector<ToolbarButtonValue> values = ToolbarButtonValues("C:\\Tools\\");
    const std::vector<std::pair<const char*, std::string>> expected = {
        {nullptr, "Tessiwok"},
        {"Clsid", "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}"},
        {"Exec", "C:\\Tools\\Tessiwok.exe"},
        {"Default Visible", "Yes"},
        {"ButtonText", "Tessiwok"},
        {"Icon", "C:\\Tools\\Tessiwok.exe,102"},
        {"HotIcon", "C:\\Tools\\Tessiwok.exe,102"},
    };
    ASSERT_EQ(values.size(), expected.size());
    for (size_t i = 0; i < values.size(); ++i) {
        if (expected[i].first == nullptr)
            EXPECT_EQ(values[i].name, nullptr) << "value " << i;
        else
            EXPECT_STREQ(values[i].name, expected[i].first) << "value " << i;
        EXPECT_EQ(values[i].text, expected[i].second) << "value " << i;
    }
}

TEST(ToolbarButtonValues, DirectoryMustLeaveRoomForTheIconText) {
    // "Tessiwok.exe,102" is 16 bytes: with the NUL, a 243-byte folder fills 260 exactly.
    const std::string fits = "C:\\" + std::string(239, 'd') + "\\";
    ASSERT_EQ(fits.size(), 243u);
    const std::vector<ToolbarButtonValue> values = ToolbarButtonValues(fits.c_str());
    ASSERT_EQ(values.size(), 7u);
    EXPECT_EQ(values[5].text.size() + 1, kToolbarPathBufferSize);
    EXPECT_EQ(values[2].text, fits + "Tessiwok.exe");

    const std::string tooLong = "C:\\" + std::string(240, 'd') + "\\";
    EXPECT_TRUE(ToolbarButtonValues(tooLong.c_str()).empty());
    EXPECT_TRUE(ToolbarButtonValues(std::string(259, 'd').c_str()).empty());
    EXPECT_TRUE(ToolbarButtonValues("").empty());
}

}  // namespace
