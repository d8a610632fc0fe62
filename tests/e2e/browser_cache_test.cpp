// Edge's and Chrome's own disk caches with the real Tessiwok.exe: caches that
// Debian's chromium wrote (tools/make_chromium_caches.py, both formats) put
// into the prefix's profiles beside a damaged one, listed with the URL cache,
// and saved decoded and marked. Literals are code page 932 bytes.
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "list/cell_text.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

const std::string kCaches = testkit::WindowsPathOf(TESSIWOK_SOURCE_UNIX_DIR "/build/chromium-caches");
constexpr int kBrowseTree = 0x3741;  // the folder chooser's tree, as Wine numbers it
const char kAllCopied[] = "選択されたキャッシュデータのコピーが完了しました";

std::string LocalAppData() {
    PWSTR known = nullptr;
    char ansi[MAX_PATH] = {};
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known)))
        WideCharToMultiByte(CP_ACP, 0, known, -1, ansi, sizeof ansi, nullptr, nullptr);
    CoTaskMemFree(known);
    return ansi;
}

// Copies a folder with its subfolders, making the folders above it first.
void CopyTree(const std::string& from, const std::string& to) {
    for (size_t at = to.find('\\', 3); at != std::string::npos; at = to.find('\\', at + 1))
        CreateDirectoryA(to.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(to.c_str(), nullptr);
    for (const std::string& name : testkit::FilesIn(from)) {
        const std::string source = from + "\\" + name;
        if (GetFileAttributesA(source.c_str()) & FILE_ATTRIBUTE_DIRECTORY) CopyTree(source, to + "\\" + name);
        else ASSERT_TRUE(CopyFileA(source.c_str(), (to + "\\" + name).c_str(), FALSE)) << source;
    }
}

class BrowserCaches : public testing::Test {
protected:
    void TearDown() override {
        // Only what this test made: a browser folder another program keeps stays.
        for (const char* profile : {"\\Google\\Chrome\\User Data\\Default", "\\Google\\Chrome\\User Data\\Profile 2",
                                    "\\Microsoft\\Edge\\User Data\\Profile 1"}) {
            std::string folder = local_ + profile;
            testkit::RemoveTree(folder);
            // The folders above, as far as they are empty.
            for (int up = 0; up < 3; ++up) RemoveDirectoryA(folder.erase(folder.rfind('\\')).c_str());
        }
        testkit::DeleteCacheEntriesUnder(site_);
    }

    std::string local_ = LocalAppData();
    std::string site_;
};

TEST_F(BrowserCaches, EdgeAndChromeProfilesAreListedBesideTheUrlCacheAndSavedDecodedAndMarked) {
    ASSERT_FALSE(local_.empty());
    ASSERT_NE(GetFileAttributesA((kCaches + "\\done").c_str()), INVALID_FILE_ATTRIBUTES)
        << "made by the chromium_caches test (tools/make_chromium_caches.py)";
    site_ = "http://127.0.0.1:" + testkit::ReadWholeFile(kCaches + "\\port") + "/files/";
    const std::string chrome = local_ + "\\Google\\Chrome\\User Data\\";
    const std::string edge = local_ + "\\Microsoft\\Edge\\User Data\\Profile 1\\Cache\\Cache_Data";
    ASSERT_NO_FATAL_FAILURE(CopyTree(kCaches + "\\blockfile", chrome + "Default\\Cache\\Cache_Data"));
    ASSERT_NO_FATAL_FAILURE(CopyTree(kCaches + "\\simple", edge));
    // Beside them a profile whose index points anywhere and whose entries are cut short.
    const std::string damaged = chrome + "Profile 2\\Cache\\Cache_Data";
    ASSERT_NO_FATAL_FAILURE(CopyTree(kCaches + "\\blockfile", damaged));
    std::string index = testkit::ReadWholeFile(damaged + "\\index");
    for (size_t i = 368; i < index.size(); ++i) index[i] = static_cast<char>(i * 131 + 7);
    ASSERT_TRUE(testkit::WriteWholeFile(damaged + "\\index", index));
    ASSERT_TRUE(testkit::WriteWholeFile(damaged + "\\data_1", testkit::ReadWholeFile(damaged + "\\data_1").substr(0, 9000)));
    // The URL cache holds one of the addresses too, accessed last: its row wins.
    testkit::CachedItem cached;
    cached.url = site_ + "plain.txt";
    cached.content = "the URL cache's own copy\n";
    ASSERT_TRUE(testkit::CommitCacheEntry(cached));

    const std::string out = testkit::MakeScratchDirectory(testkit::UniqueName("out"));
    e2e::Tessiwok app;
    e2e::StartOptions options;
    options.writeSettings = true;
    options.settings = "[Tessiwok]\r\nSaveFolder=" + out + "\r\n";
    ASSERT_TRUE(app.Start(options)) << app.LastError();
    ASSERT_TRUE(app.SetAddress(site_));
    ASSERT_TRUE(app.Click(IDC_COLLECT));

    // Path shown -> what the copy must hold: the body decoded, as sent for identity.
    const std::string sent = kCaches + "\\site\\files\\";
    const std::string text = testkit::ReadWholeFile(sent + "plain.txt");
    const std::map<std::string, std::string> expected = {
        {"plain.txt", cached.content},
        {"packed.gz.txt", text},
        {"packed.br.txt", text},
        {"packed.zst.txt", text},
        {"big.bin", testkit::ReadWholeFile(sent + "big.bin")},
        {"写真.txt", testkit::ReadWholeFile(sent + "%E5%86%99%E7%9C%9F.txt")},
    };
    std::map<std::string, int> rowOf;
    for (int row = 0; row < app.RowCount(); ++row) rowOf[app.CellText(row, 0)] = row;
    ASSERT_EQ(app.RowCount(), static_cast<int>(expected.size()));  // one row per address
    std::vector<int> rows;
    for (const auto& [path, body] : expected) {
        ASSERT_EQ(rowOf.count(path), 1u) << path;
        rows.push_back(rowOf[path]);
    }
    // The size as stored: the compressed body's.
    char size[32];
    FormatSizeText(static_cast<uint32_t>(testkit::ReadWholeFile(sent + "packed.gz.txt").size()), size, sizeof size);
    EXPECT_EQ(app.CellText(rowOf["packed.gz.txt"], 2), size);

    testkit::SettleDirectoryTimes(out);
    ASSERT_TRUE(app.SelectRows(rows));
    ASSERT_TRUE(app.Click(IDC_SAVE));
    HWND chooser = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] {
        for (HWND window : app.OtherWindows())
            if (GetDlgItem(window, kBrowseTree) != nullptr) chooser = window;
        return chooser != nullptr;
    }));
    ASSERT_TRUE(app.Settle());
    ASSERT_TRUE(app.PressDialogButton(chooser, IDOK));  // the remembered folder
    HWND box = app.WaitForDialogTitled("Tessiwok");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::MessageBoxText(box), kAllCopied);
    ASSERT_TRUE(app.PressDialogButton(box, IDOK));

    const std::map<std::string, std::string> addressOf = {{"写真.txt", "%E5%86%99%E7%9C%9F.txt"}};
    for (const auto& [path, body] : expected) {
        SCOPED_TRACE(path);
        EXPECT_EQ(testkit::ReadWholeFile(out + "\\" + path), body);
        const std::string address = site_ + (addressOf.count(path) ? addressOf.at(path) : path);
        EXPECT_EQ(testkit::ReadWholeFile(out + "\\" + path + ":Zone.Identifier"),
                  "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=" + address + "\r\n");
    }
    // Nothing was written into the browsers' folders.
    EXPECT_EQ(testkit::FilesIn(edge), testkit::FilesIn(kCaches + "\\simple"));
    EXPECT_EQ(testkit::FilesIn(damaged), testkit::FilesIn(kCaches + "\\blockfile"));
    EXPECT_TRUE(app.Running());
}

}  // namespace
