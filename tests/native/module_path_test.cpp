// Paths beside the executable: the settings file and the module directory.
#include "app/module_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

namespace {

// Composes into a 260-byte field that is filled with '#' first.
std::string Compose(const std::string& module, const std::string& file, bool* ok = nullptr,
                    const LeadBytes& leadBytes = Cp932LeadBytes()) {
    char out[260];
    std::fill(std::begin(out), std::end(out), '#');
    bool composed = ComposeBesideModule(module, file, out, sizeof out, leadBytes);
    if (ok != nullptr) *ok = composed;
    return std::string(out, strnlen(out, sizeof out));
}

TEST(ComposeBesideModule, NamesTheFileInTheExecutablesDirectory) {
    struct Case { const char* module; const char* file; const char* path; const LeadBytes* table = &Cp932LeadBytes(); } cases[] = {
        {"C:\\Tools\\Tessiwok.exe", "Setting.ini", "C:\\Tools\\Setting.ini"},
        {"C:\\Tools\\Tessiwok.exe", "", "C:\\Tools\\"},
        {"C:\\Tessiwok.exe", "Setting.ini", "C:\\Setting.ini"},
        {"\\\\server\\share\\Tessiwok.exe", "Setting.ini", "\\\\server\\share\\Setting.ini"},
        // 表 is 95 5C: its trail byte is not a separator.
        {"C:\\\x95\x5c\\Tessiwok.exe", "Setting.ini", "C:\\\x95\x5c\\Setting.ini"},
        {"Z:\\tmp\\e2e\x95\x5c\\Tessiwok.exe", "", "Z:\\tmp\\e2e\x95\x5c\\"},
        {"C:\\dir\\\x95\x5cTessiwok.exe", "Setting.ini", "C:\\dir\\Setting.ini"},
        // Code page 1252 (Café) and UTF-8 (画像) have no lead bytes: E9 and 8F end no "\".
        {"C:\\Caf\xe9\\Tessiwok.exe", "Setting.ini", "C:\\Caf\xe9\\Setting.ini", &NoLeadBytes()},
        {"C:\\\xe7\x94\xbb\xe5\x83\x8f\\Tessiwok.exe", "", "C:\\\xe7\x94\xbb\xe5\x83\x8f\\", &NoLeadBytes()},
    };
    for (const Case& c : cases) {
        bool ok = false;
        EXPECT_EQ(Compose(c.module, c.file, &ok, *c.table), c.path) << c.module;
        EXPECT_TRUE(ok) << c.module;
    }
}

TEST(ComposeBesideModule, NoDirectoryGivesEmpty) {
    for (const char* module : {"Tessiwok.exe", "", "C:\x95\x5cTessiwok.exe"}) {
        bool ok = true;
        EXPECT_EQ(Compose(module, "Setting.ini", &ok), "") << module;
        EXPECT_FALSE(ok);
        EXPECT_EQ(Compose(module, "", &ok), "") << module;
        EXPECT_FALSE(ok);
    }
}

TEST(ComposeBesideModule, AtMost248BytesOfDirectoryHoldTheSettingsPath) {
    // A directory of n bytes, backslash included.
    auto directory = [](size_t n) { return "C:" + std::string(n - 3, 'd') + "\\"; };
    bool ok = false;
    std::string fits = Compose(directory(248) + "Tessiwok.exe", "Setting.ini", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(fits, directory(248) + "Setting.ini");
    EXPECT_EQ(fits.size(), 259u);

    EXPECT_EQ(Compose(directory(249) + "T.exe", "Setting.ini", &ok), "");
    EXPECT_FALSE(ok) << "a cut path would name another file";

    // The directory alone always fits what GetModuleFileNameA can give.
    EXPECT_EQ(Compose(directory(259), "", &ok), directory(259));
    EXPECT_TRUE(ok);
    EXPECT_EQ(Compose(directory(260), "", &ok), "");
    EXPECT_FALSE(ok);
}

TEST(ComposeBesideModule, NeverWritesPastTheField) {
    char out[8];
    std::fill(std::begin(out), std::end(out), '#');
    EXPECT_FALSE(ComposeBesideModule("C:\\dir\\x.exe", "Setting.ini", out, 5, Cp932LeadBytes()));
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(std::string(out + 1, 7), std::string(7, '#'));
    EXPECT_FALSE(ComposeBesideModule("C:\\x.exe", "", out, 0, Cp932LeadBytes()));
    EXPECT_EQ(std::string(out + 1, 7), std::string(7, '#'));
    EXPECT_TRUE(ComposeBesideModule("C:\\x.exe", "", out, 4, Cp932LeadBytes()));
    EXPECT_STREQ(out, "C:\\");
}

}  // namespace
