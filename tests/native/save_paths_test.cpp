// File names, filter text and paths of the save commands, as bytes.
#include "save/save_paths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

CacheEntry WithPath(const std::string& relativePath) {
    CacheEntry entry;
    entry.relativePath = relativePath;
    return entry;
}

TEST(EntryFileName, IsTheLastSegmentAsAViewIntoTheEntry) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {
        {"img/logo.gif", "logo.gif"},
        {"a/b/c/x.html", "x.html"},
        {"logo.gif", "logo.gif"},  // no "/": the whole path
        {"img/", ""},              // ends in "/": empty
        {"", ""},
        {"/", ""},
        // Plain byte search: a URL path is not split at a trail byte 0x5C, and
        // a trail byte 0x2F does not occur in code page 932.
        {"dir/\x95\x5c.gif", "\x95\x5c.gif"},
        {"a\\b.gif", "a\\b.gif"},
    };
    for (const Case& c : cases) {
        CacheEntry entry = WithPath(c.path);
        std::string_view name = EntryFileName(entry);
        EXPECT_EQ(name, c.name) << "path " << c.path;
        if (!name.empty()) {
            EXPECT_EQ(name.data() + name.size(), entry.relativePath.data() + entry.relativePath.size())
                << "not a view into the entry: " << c.path;
        }
    }
}

TEST(SaveAsFilter, IsOnePairOfThreeNPlusFourteenBytes) {
    using namespace std::string_literals;
    EXPECT_EQ(SaveAsFilter("gif"), "gif file(*.gif)\0*.gif\0\0"s);
    EXPECT_EQ(SaveAsFilter("gif").size(), 3u * 3 + 14);
    EXPECT_EQ(SaveAsFilter("---"), "--- file(*.---)\0*.---\0\0"s);
    EXPECT_EQ(SaveAsFilter("jpeg").size(), 3u * 4 + 14);
    EXPECT_EQ(SaveAsFilter(""), "");
}

std::string Proposal(const std::string& folder, const std::string& fileName,
                     const LeadBytes& leadBytes = Cp932LeadBytes()) {
    char path[kSavePathSize];
    std::memset(path, 'Z', sizeof path);
    std::memcpy(path, folder.c_str(), folder.size() + 1);
    BuildProposedPath(path, sizeof path, fileName, leadBytes);
    const void* nul = std::memchr(path, '\0', sizeof path);
    EXPECT_NE(nul, nullptr) << "proposal not terminated inside the buffer";
    return nul ? std::string(path) : std::string();
}

TEST(BuildProposedPath, JoinsFolderAndNameWithOneBackslash) {
    struct Case {
        std::string folder, fileName, proposal;
        const LeadBytes* table = &Cp932LeadBytes();
    } cases[] = {
        {"C:\\data", "logo.gif", "C:\\data\\logo.gif"},
        {"C:\\data\\", "logo.gif", "C:\\data\\logo.gif"},
        {"C:\\", "logo.gif", "C:\\logo.gif"},
        {"data", "logo.gif", "data\\logo.gif"},  // a folder without any backslash
        // 表 is 95 5C: its trail byte is no backslash, so one is appended.
        {"C:\\\x95\x5c", "logo.gif", "C:\\\x95\x5c\\logo.gif"},
        {"C:\\\x95\x5c\\", "logo.gif", "C:\\\x95\x5c\\logo.gif"},
        {"", "logo.gif", "logo.gif"},
        {"C:\\data", "", "C:\\data\\"},
        {"", "", ""},
        // No lead bytes (1252 Café\, UTF-8 画像\): the folder already ends in "\".
        {"C:\\Caf\xe9\\", "logo.gif", "C:\\Caf\xe9\\logo.gif", &NoLeadBytes()},
        {"C:\\\xe7\x94\xbb\xe5\x83\x8f\\", "a.gif", "C:\\\xe7\x94\xbb\xe5\x83\x8f\\a.gif", &NoLeadBytes()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Proposal(c.folder, c.fileName, *c.table), c.proposal)
            << "folder " << c.folder << " name " << c.fileName;
}

TEST(BuildProposedPath, TooLongDropsTheFolderAndNeverCutsTheName) {
    const std::string folder = "C:\\" + std::string(200, 'f');  // 203 bytes
    const std::string fits(259 - 204, 'n');                     // exactly 259 with the "\"
    EXPECT_EQ(Proposal(folder, fits), folder + "\\" + fits);
    EXPECT_EQ(Proposal(folder, fits + "n"), fits + "n");
    EXPECT_EQ(Proposal(folder, std::string(259, 'n')), std::string(259, 'n'));
    EXPECT_EQ(Proposal(folder, std::string(260, 'n')), "");
    EXPECT_EQ(Proposal("", std::string(260, 'n')), "");
    EXPECT_EQ(Proposal(std::string(259, 'f'), "x"), "x");
}

TEST(FolderOfChosenPath, CutsAtTheLastRealBackslash) {
    const LeadBytes& cp932 = Cp932LeadBytes();
    EXPECT_EQ(FolderOfChosenPath("C:\\data\\logo.gif", cp932), "C:\\data");
    EXPECT_EQ(FolderOfChosenPath("C:\\logo.gif", cp932), "C:");
    EXPECT_EQ(FolderOfChosenPath("D:\\x\\y.gif", cp932), "D:\\x");
    EXPECT_EQ(FolderOfChosenPath("C:\\\x95\x5c\\a.gif", cp932), "C:\\\x95\x5c");
    EXPECT_EQ(FolderOfChosenPath("C:\\dir\\\x95\x5c.gif", cp932), "C:\\dir");  // not cut inside 表
    EXPECT_EQ(FolderOfChosenPath("logo.gif", cp932), "");
    EXPECT_EQ(FolderOfChosenPath("", cp932), "");
    EXPECT_EQ(FolderOfChosenPath("C:\\Caf\xe9\\a.gif", NoLeadBytes()), "C:\\Caf\xe9");  // 1252: é, then "\"
}

TEST(BuildDestination, JoinsPrefixAndNameOrRefusesWhatDoesNotFit) {
    char path[kSavePathSize];
    ASSERT_TRUE(BuildDestination("D:\\out\\", "x.gif", path, sizeof path));
    EXPECT_STREQ(path, "D:\\out\\x.gif");
    ASSERT_TRUE(BuildDestination("C:\\\\", "x.gif", path, sizeof path));
    EXPECT_STREQ(path, "C:\\\\x.gif");  // a drive root's prefix keeps both
    ASSERT_TRUE(BuildDestination("D:\\out\\", "", path, sizeof path));
    EXPECT_STREQ(path, "D:\\out\\");

    const std::string prefix = "D:\\" + std::string(240, 'o') + "\\";  // 244 bytes
    ASSERT_TRUE(BuildDestination(prefix, std::string(15, 'n'), path, sizeof path));
    EXPECT_EQ(std::strlen(path), 259u);
    std::memset(path, 'Z', sizeof path);
    EXPECT_FALSE(BuildDestination(prefix, std::string(16, 'n'), path, sizeof path));
    EXPECT_STREQ(path, "");  // never a cut name
    EXPECT_FALSE(BuildDestination(std::string(260, 'p'), "", path, sizeof path));
}

}  // namespace
