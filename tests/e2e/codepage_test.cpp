// The real Tessiwok.exe under another ANSI code page than 932: ctest runs it
// under 1252 (a Western system, Wine's C.UTF-8 locale) from a folder ending in
// "Café", and as the copy whose manifest asks for UTF-8 (65001) from a folder
// ending in 画像. The user must see the same Japanese texts, read back here in
// UTF-16, and find Setting.ini and the toolbar's "Exec" beside the program.
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstdlib>

#include "browser/toolbar_values.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/standin_browser.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

// Code page 932 literals (this file is compiled with -fexec-charset=CP932).
const char kTitles[] = "相対パス\t拡張子\tサイズ\t最終アクセス\t更新日時\r\n";
const char kSaveAsTitle[] = "キャッシュデータの保存先の決定";
const char kCopied[] = "キャッシュデータをコピーしました";
const char kGroup[] = "回収対象URL（指定した階層以下のキャッシュを対象とします）";
constexpr int kFileNameField = 0x047C;  // the Save As dialog's name box (cmb13)

// A folder whose last bytes, followed by "\", look like one double-byte
// character to a 932 table: "é\" is E9 5C in 1252, and 画像 ends in 8F in UTF-8.
std::string ProgramFolderName() {
    return testkit::UniqueName("cp") + (GetACP() == 1252 ? "Caf\xE9" : "画像");
}

bool PutUnicodeMarker() {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const wchar_t marker[] = L"marker";
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof marker);
    bool put = false;
    if (void* bytes = block ? GlobalLock(block) : nullptr) {
        memcpy(bytes, marker, sizeof marker);
        GlobalUnlock(block);
        put = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    }
    if (!put && block) GlobalFree(block);
    CloseClipboard();
    return put;
}

class CodePage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(GetACP() == 1252 || std::getenv("TESSIWOK_EXE") != nullptr)
            << "ctest runs this under code page 1252, or on the copy that asks for UTF-8";
        SHDeleteKeyA(HKEY_CURRENT_USER, kToolbarButtonKey);
        site_ = "http://" + testkit::UniqueName("cp") + ".test/site/";
        for (const char* path : {"a.gif", "sub/b.txt"}) {
            testkit::CachedItem cached;
            cached.url = site_ + path;
            cached.content = std::string("content of ") + path;
            ASSERT_TRUE(testkit::CommitCacheEntry(cached)) << cached.url;
        }
    }
    void TearDown() override {
        SHDeleteKeyA(HKEY_CURRENT_USER, kToolbarButtonKey);
        testkit::DeleteCacheEntriesUnder(site_);
    }

    // Starts the copy in its folder, with Setting.ini naming a stand-in
    // browser that shows the site; collects it.
    void StartAndCollect(const testkit::StandinBrowser& browser) {
        e2e::StartOptions options;
        options.folderName = ProgramFolderName();
        options.writeSettings = true;
        options.settings = "[Tessiwok]\r\nBrowser=" + browser.Service() + "\r\n";
        ASSERT_TRUE(app_.Start(options)) << app_.LastError();
        ASSERT_EQ(app_.Address().substr(0, site_.size()), site_) << "the browser that Setting.ini beside the program names";
        ASSERT_TRUE(app_.Click(IDC_COLLECT));
        ASSERT_EQ(app_.RowCount(), 2);
    }

    std::string site_;
    e2e::Tessiwok app_;
};

// Setting.ini is read and written beside the program; the column titles, the
// Save As title and the message box are the Japanese texts.
TEST_F(CodePage, TextsAreJapaneseAndSettingsLieBesideTheProgram) {
    testkit::StandinBrowser browser("\"" + site_ + "a.gif\",\"page\"");
    ASSERT_TRUE(browser.Ready());
    ASSERT_NO_FATAL_FAILURE(StartAndCollect(browser));
    EXPECT_EQ(app_.Address(), site_);
    // The template's own texts, which the ANSI dialog would make "??".
    EXPECT_EQ(e2e::WindowTextW(app_.Control(IDC_COLLECT)), e2e::WideFrom932("回収"));
    EXPECT_EQ(e2e::WindowTextW(app_.Control(IDC_SAVE)), e2e::WideFrom932("保存"));
    EXPECT_EQ(e2e::WindowTextW(app_.Control(IDC_TOOLBAR)), e2e::WideFrom932("IEのツールバーに登録する"));
    EXPECT_EQ(e2e::WindowTextW(e2e::FindDescendant(app_.Dialog(), -1, "Button")), e2e::WideFrom932(kGroup));

    std::wstring titles;
    for (const std::wstring& title : app_.ColumnTitlesW()) titles += (titles.empty() ? L"" : L"\t") + title;
    EXPECT_EQ(titles + L"\r\n", e2e::WideFrom932(kTitles));

    const std::string out = testkit::MakeScratchDirectory(testkit::UniqueName("out"));
    ASSERT_TRUE(app_.SelectRows({0}));
    ASSERT_TRUE(app_.Click(IDC_SAVE));
    HWND saveAs = app_.WaitForOtherWindow("#32770");
    ASSERT_NE(saveAs, nullptr);
    EXPECT_EQ(e2e::WindowTextW(saveAs), e2e::WideFrom932(kSaveAsTitle));
    HWND name = e2e::FindDescendant(saveAs, kFileNameField, "Edit");
    ASSERT_NE(name, nullptr);
    ASSERT_TRUE(e2e::SetWindowTextOf(name, out + "\\saved.bin"));
    ASSERT_TRUE(app_.PressDialogButton(saveAs, IDOK));
    HWND box = app_.WaitForDialogTitled("Tessiwok");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(e2e::MessageBoxTextW(box), e2e::WideFrom932(kCopied));
    ASSERT_TRUE(app_.PressDialogButton(box, IDOK));

    EXPECT_EQ(testkit::ReadWholeFile(out + "\\saved.bin").substr(0, 11), "content of ");
    char folder[MAX_PATH] = {};
    GetPrivateProfileStringA("Tessiwok", "SaveFolder", "", folder, sizeof folder, app_.SettingsPath().c_str());
    EXPECT_EQ(std::string(folder), out);
    ASSERT_TRUE(app_.PressKey(VK_ESCAPE));
    EXPECT_EQ(app_.WaitForExit(), 0u);
}

// The toolbar's "Exec" names the program in its own folder, and Ctrl+C puts
// the Japanese titles and the rows on the clipboard in Unicode.
TEST_F(CodePage, ExecNamesTheProgramAndCopiedTextIsUnicode) {
    testkit::StandinBrowser browser(site_);
    ASSERT_TRUE(browser.Ready());
    ASSERT_NO_FATAL_FAILURE(StartAndCollect(browser));

    ASSERT_TRUE(app_.Click(IDC_TOOLBAR));
    wchar_t exec[MAX_PATH] = {};
    DWORD size = sizeof exec;
    const std::wstring key = e2e::WideFromCodePage(CP_ACP, kToolbarButtonKey);
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"Exec", RRF_RT_REG_SZ, nullptr, exec, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(exec), e2e::WideFromCodePage(CP_ACP, app_.Folder() + "Tessiwok.exe"));

    ASSERT_TRUE(PutUnicodeMarker());
    ASSERT_TRUE(app_.SelectRows({0, 1}));
    ASSERT_TRUE(app_.TypeKey(IDC_RESULTS, 'C', true));
    ASSERT_TRUE(e2e::WaitUntil([] { return e2e::ClipboardUnicodeText() != L"marker"; }));
    const std::wstring copied = e2e::ClipboardUnicodeText();
    const std::wstring titles = e2e::WideFrom932(kTitles);
    EXPECT_EQ(copied.substr(0, titles.size()), titles);
    EXPECT_NE(copied.find(L"\r\na.gif\tgif\t"), std::wstring::npos) << copied.size();
    EXPECT_NE(copied.find(L"\r\nsub/b.txt\ttxt\t"), std::wstring::npos);
    ASSERT_TRUE(app_.PressKey(VK_ESCAPE));
    EXPECT_EQ(app_.WaitForExit(), 0u);
}

// From a folder the ANSI code page cannot spell (田中 under 1252): Setting.ini
// beside the program names the browser, the toolbar's "Exec" names the
// program, and the next start does not take that "Exec" for stale.
TEST_F(CodePage, ProgramInAFolderOfAnotherScript) {
    testkit::StandinBrowser browser(site_);
    ASSERT_TRUE(browser.Ready());
    e2e::StartOptions options;
    options.wideFolderName = L"\u7530\u4E2D";  // 田中
    options.writeSettings = true;
    options.settings = "[Tessiwok]\r\nBrowser=" + browser.Service() + "\r\n";
    ASSERT_TRUE(app_.Start(options)) << app_.LastError();
    EXPECT_EQ(app_.Address().substr(0, site_.size()), site_) << "the browser that Setting.ini names";
    ASSERT_TRUE(app_.Click(IDC_TOOLBAR));
    wchar_t exec[MAX_PATH] = {};
    DWORD size = sizeof exec;
    const std::wstring key = e2e::WideFromCodePage(CP_ACP, kToolbarButtonKey);
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"Exec", RRF_RT_REG_SZ, nullptr, exec, &size), ERROR_SUCCESS);
    wchar_t execLong[MAX_PATH] = {};
    ASSERT_NE(GetLongPathNameW(exec, execLong, MAX_PATH), 0u) << "Exec names a file that exists";
    EXPECT_EQ(lstrcmpiW(execLong, app_.WideExePath().c_str()), 0);
    ASSERT_TRUE(app_.PressKey(VK_ESCAPE));
    ASSERT_EQ(app_.WaitForExit(), 0u);

    e2e::Tessiwok again;
    e2e::StartOptions inPlace;
    inPlace.wideInPlace = app_.WideExePath();
    ASSERT_TRUE(again.Start(inPlace)) << again.LastError();
    EXPECT_EQ(SendMessageA(again.Control(IDC_TOOLBAR), BM_GETCHECK, 0, 0), BST_CHECKED) << "Exec not taken for stale";
    ASSERT_TRUE(again.PressKey(VK_ESCAPE));
    EXPECT_EQ(again.WaitForExit(), 0u);
}

}  // namespace
