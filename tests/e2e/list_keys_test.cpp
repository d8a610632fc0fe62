// Ctrl+A and Ctrl+C in the result list of the real Tessiwok.exe, typed as
// real keystrokes; what Ctrl+C copied is read back from the clipboard, which
// the processes of a Wine prefix share.
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>


#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"
#include "tools/testkit/zone_time.h"

namespace {

const char kMarker[] = "clipboard marker";

bool PutOnClipboard(const std::string& text) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    bool put = false;
    if (void* bytes = block ? GlobalLock(block) : nullptr) {
        memcpy(bytes, text.c_str(), text.size() + 1);
        GlobalUnlock(block);
        put = SetClipboardData(CF_TEXT, block) != nullptr;
    }
    if (!put && block) GlobalFree(block);
    CloseClipboard();
    return put;
}

// The clipboard's text in a format, up to its NUL ("(none)" when it has none).
template <typename Char> std::basic_string<Char> ClipboardText(UINT format) {
    std::basic_string<Char> text;
    if (!OpenClipboard(nullptr)) return text;
    HANDLE block = GetClipboardData(format);
    if (const Char* bytes = block ? static_cast<const Char*>(GlobalLock(block)) : nullptr) {
        text = bytes;
        GlobalUnlock(block);
    } else {
        for (const char* c = "(none)"; *c; ++c) text.push_back(static_cast<Char>(*c));
    }
    CloseClipboard();
    return text;
}

class ListKeys : public ::testing::Test {
protected:
    void SetUp() override {
        site_ = "http://" + testkit::UniqueName("keys") + ".test/site/";
        Commit("a.css", 10, "css", testkit::UtcFileTime(2003, 1, 6, 1, 2, 3));
        Commit("b.html", 2048, "html", testkit::UtcFileTime(2002, 12, 31, 14, 59, 58));
        Commit(longPath_, 1536, "txt", testkit::UtcFileTime(2003, 4, 4, 4, 4, 4));
        Commit("img/表.gif", 700, "gif", FILETIME{0, 0});
        ASSERT_TRUE(PutOnClipboard(kMarker));
        ASSERT_TRUE(app_.Start()) << app_.LastError();
        ASSERT_TRUE(app_.SetAddress(site_) && app_.Click(IDC_COLLECT));
        ASSERT_EQ(app_.RowCount(), 4);
        // By relative path, ascending: the first click on a column sorts descending.
        ASSERT_TRUE(app_.ClickColumnHeader(0) && app_.ClickColumnHeader(0));
    }
    void TearDown() override { testkit::DeleteCacheEntriesUnder(site_); }

    void Commit(const std::string& path, size_t size, const std::string& extension, FILETIME modified) {
        testkit::CachedItem cached;
        cached.url = site_ + path;
        cached.content = std::string(size, 'c');
        cached.extension = extension;
        cached.lastModified = modified;
        ASSERT_TRUE(testkit::CommitCacheEntry(cached)) << cached.url << " error " << GetLastError();
    }

    bool AllRowsSelected() { return app_.SelectedCount() == app_.RowCount(); }

    const std::string longPath_ = "deep/" + std::string(290, 'x') + ".txt";
    std::string site_;
    e2e::Tessiwok app_;
};

TEST_F(ListKeys, ControlASelectsEveryRowEnterAndEscapeKeepTheirMeaning) {
    HWND save = app_.Control(IDC_SAVE);
    ASSERT_EQ(app_.SelectedCount(), 0);
    ASSERT_FALSE(IsWindowEnabled(save));
    ASSERT_TRUE(app_.TypeKey(IDC_RESULTS, 'A', true));
    EXPECT_TRUE(e2e::WaitUntil([&] { return AllRowsSelected(); }));
    EXPECT_EQ(app_.SelectedRows(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_TRUE(IsWindowEnabled(save));
    EXPECT_EQ(app_.FocusedWindow(), app_.List());

    // Enter in the list still collects, Escape still closes the dialog.
    ASSERT_TRUE(app_.SetAddress(site_ + "a.css"));
    ASSERT_TRUE(app_.TypeKey(IDC_RESULTS, VK_RETURN));
    EXPECT_TRUE(e2e::WaitUntil([&] { return app_.Address() == site_; }));
    EXPECT_EQ(app_.RowCount(), 4);
    ASSERT_TRUE(app_.TypeKey(IDC_RESULTS, VK_ESCAPE));
    EXPECT_EQ(app_.WaitForExit(), 0u) << "Escape in the list still closes the dialog";
}

TEST_F(ListKeys, ControlCCopiesTheSelectedRowsTabSeparated) {
    ASSERT_EQ(app_.CellText(2, 0), longPath_.substr(0, 258)) << "the list shows the long path cut";
    ASSERT_TRUE(app_.SelectRows({3, 1, 2}));
    const std::string accessed[] = {app_.CellText(1, 3), app_.CellText(2, 3), app_.CellText(3, 3)};
    const DWORD before = GetClipboardSequenceNumber();
    ASSERT_TRUE(app_.TypeKey(IDC_RESULTS, 'C', true));
    ASSERT_TRUE(e2e::WaitUntil([&] { return GetClipboardSequenceNumber() != before; }));

    const std::string expected =
        "相対パス\t拡張子\tサイズ\t最終アクセス\t更新日時\r\n"
        "b.html\thtml\t2.0KB\t" + accessed[0] + "\t" + testkit::ListTimeText(testkit::UtcFileTime(2002, 12, 31, 14, 59, 58)) + "\r\n" +
        longPath_ + "\ttxt\t1.5KB\t" + accessed[1] + "\t" + testkit::ListTimeText(testkit::UtcFileTime(2003, 4, 4, 4, 4, 4)) + "\r\n"
        "img/表.gif\tgif\t700B\t" + accessed[2] + "\t\r\n";  // the cache's "no time": an empty cell
    EXPECT_EQ(ClipboardText<char>(CF_TEXT), expected);
    // The program's own Unicode form: titles and cells (img/表.gif) whole.
    std::wstring wide(expected.size(), L'\0');
    wide.resize(MultiByteToWideChar(932, 0, expected.data(), static_cast<int>(expected.size()), &wide[0],
                                    static_cast<int>(wide.size())));
    ASSERT_EQ(wide.substr(0, 5), L"\u76f8\u5bfe\u30d1\u30b9\t");  // 相対パス
    EXPECT_EQ(ClipboardText<wchar_t>(CF_UNICODETEXT), wide);
    EXPECT_FALSE(accessed[0].empty());
}

TEST_F(ListKeys, ClipboardIsLeftAloneWithoutSelectionOrWhenBusy) {
    // Nothing selected: Ctrl+C changes nothing. Input is handled in order,
    // so once the Ctrl+A after it has shown, the Ctrl+C has been handled.
    ASSERT_TRUE(app_.TypeKey(IDC_RESULTS, 'C', true));
    ASSERT_TRUE(app_.TypeKey(IDC_RESULTS, 'A', true));
    ASSERT_TRUE(e2e::WaitUntil([&] { return AllRowsSelected(); }));
    EXPECT_EQ(ClipboardText<char>(CF_TEXT), kMarker);

    // Rows selected but the clipboard is held open by another program.
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(app_.TypeKey(IDC_RESULTS, 'C', true));
    ASSERT_TRUE(app_.TypeKey(IDC_RESULTS, VK_DOWN));  // leaves one row selected
    const bool handled = e2e::WaitUntil([&] { return app_.SelectedCount() == 1; });
    CloseClipboard();
    ASSERT_TRUE(handled);
    EXPECT_EQ(ClipboardText<char>(CF_TEXT), kMarker);
    EXPECT_TRUE(app_.Running());
    EXPECT_TRUE(app_.OtherWindows().empty()) << "nothing is shown";
}

TEST_F(ListKeys, TypedLettersMoveToTheNextMatchingRowAndNoMatchKeepsTheSelection) {
    Commit("Dd.txt", 1, "txt", FILETIME{0, 0});
    ASSERT_TRUE(app_.Click(IDC_COLLECT) && app_.ClickColumnHeader(0) && app_.ClickColumnHeader(0));
    ASSERT_EQ(app_.CellText(0, 0), "Dd.txt");
    // "d" finds Dd.txt, "de" then goes on from there to deep/ (row 3).
    ASSERT_TRUE(app_.TypeKeys(IDC_RESULTS, {'D', 'E'}));
    EXPECT_TRUE(e2e::WaitUntil([&] { return app_.SelectedRows() == std::vector<int>{3}; }));
    EXPECT_EQ(SendMessageA(app_.List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 3);

    // No path begins with "z". Once the Ctrl+C after it has copied, it has been handled.
    ASSERT_TRUE(app_.TypeKey(IDC_RESULTS, 'A', true) && e2e::WaitUntil([&] { return AllRowsSelected(); }));
    const DWORD before = GetClipboardSequenceNumber();
    ASSERT_TRUE(app_.TypeKey(IDC_RESULTS, 'Z') && app_.TypeKey(IDC_RESULTS, 'C', true));
    ASSERT_TRUE(e2e::WaitUntil([&] { return GetClipboardSequenceNumber() != before; }));
    EXPECT_TRUE(AllRowsSelected()) << app_.SelectedCount() << " of " << app_.RowCount();
}

}  // namespace
