// The real Tessiwok.exe as a user meets it: the dialog and its texts, the
// collect command from the button and from Enter, the list's cells, sorting
// by a header click, the save button following the selection, and Escape.
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>
#include <wininet.h>

#include <algorithm>

#include "tools/testkit/demo_site.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/standin_browser.h"
#include "tools/testkit/url_cache_fixture.h"
#include "tools/testkit/zone_time.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

FILETIME CachedAccessTime(const std::string& url) {
    DWORD size = 0;
    GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size);
    std::vector<char> buffer(size + 1);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    if (size == 0 || !GetUrlCacheEntryInfoA(url.c_str(), info, &size)) return FILETIME{0, 0};
    return info->LastAccessTime;
}

Rows SortedByPath(Rows rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<std::string> Column(const Rows& rows, int column) {
    std::vector<std::string> cells;
    for (const auto& row : rows) cells.push_back(row[static_cast<size_t>(column)]);
    return cells;
}

// The sample site is downloaded once for all tests; each test starts its own
// copy of Tessiwok.exe in a folder of its own.
class MainDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        page_ = testkit::DownloadDemoSite();
        site_ = page_.substr(0, page_.rfind('/') + 1);
    }
    static void TearDownTestSuite() { testkit::DeleteCacheEntriesUnder(site_.substr(0, site_.size() - 5)); }

    void SetUp() override {
        ASSERT_FALSE(page_.empty()) << "the sample site could not be downloaded";
        ASSERT_TRUE(app_.Start()) << app_.LastError();
    }

    // What the list must show for the sample site, one row per file, by path.
    static Rows ExpectedSite() {
        struct File {
            const char* path;
            const char* extension;
            const char* size;
            FILETIME modified;
        };
        const FILETIME none{0, 0};
        const File files[] = {
            {"cgi/counter.cgi", "cgi", "12B", none},  // sent without Last-Modified
            {"docs/README", "---", "300B", testkit::UtcFileTime(2003, 6, 5, 5, 5, 5)},
            {"docs/manual.pdf", "pdf", "19.5KB", testkit::UtcFileTime(2003, 4, 4, 4, 4, 4)},
            {"img/banner.png", "png", "1024B", testkit::UtcFileTime(2003, 2, 2, 12, 0, 0)},
            {"img/logo.gif", "gif", "2.9KB", testkit::UtcFileTime(2003, 1, 1, 0, 0, 0)},
            {"img/photo.jpg", "jpg", "1.5MB", testkit::UtcFileTime(2003, 3, 15, 9, 30, 0)},
            {"index.html", "html", "1.2KB", testkit::UtcFileTime(2002, 12, 31, 14, 59, 58)},
            {"style.css", "css", "640B", testkit::UtcFileTime(2003, 1, 6, 1, 2, 3)},
        };
        Rows rows;
        for (const File& f : files) {
            std::string url = site_ + f.path;
            if (std::string(f.path) == "cgi/counter.cgi") url += "?page=1";
            rows.push_back({f.path, f.extension, f.size, testkit::ListTimeText(CachedAccessTime(url)), testkit::ListTimeText(f.modified)});
        }
        return rows;
    }

    bool Collect(const std::string& address) { return app_.SetAddress(address) && app_.Click(IDC_COLLECT); }

    static std::string page_;  // http://127.0.0.1:port/site/index.html
    static std::string site_;  // http://127.0.0.1:port/site/
    e2e::Tessiwok app_;
};

std::string MainDialog::page_;
std::string MainDialog::site_;

TEST_F(MainDialog, ShowsItsCaptionJapaneseTextsAndEmptyList) {
    HWND dialog = app_.Dialog();
    EXPECT_EQ(e2e::WindowText(dialog), "Tessiwok");
    EXPECT_EQ(e2e::WindowText(app_.Control(IDC_COLLECT)), "回収");
    EXPECT_EQ(e2e::WindowText(app_.Control(IDC_SAVE)), "保存");
    EXPECT_EQ(e2e::WindowText(app_.Control(IDC_TOOLBAR)), "IEのツールバーに登録する");
    std::vector<std::string> statics;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == -1 || GetDlgCtrlID(child) == 0xFFFF) statics.push_back(e2e::WindowText(child));
    EXPECT_EQ(statics, (std::vector<std::string>{"回収対象URL（指定した階層以下のキャッシュを対象とします）",
                                                 "Tessiwok 1.0.0.1"}));

    auto columns = app_.Columns();
    ASSERT_EQ(columns.size(), 5u);
    const struct { const char* text; int format; int width; } expected[] = {
        {"相対パス", LVCFMT_LEFT, 130}, {"拡張子", LVCFMT_LEFT, 60}, {"サイズ", LVCFMT_RIGHT, 60},
        {"最終アクセス", LVCFMT_LEFT, 120}, {"更新日時", LVCFMT_LEFT, 120},
    };
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(columns[i].text, expected[i].text) << "column " << i;
        EXPECT_EQ(columns[i].format, expected[i].format) << "column " << i;
        EXPECT_EQ(columns[i].width, expected[i].width) << "column " << i;
    }
    DWORD_PTR extended = 0;
    SendMessageTimeoutA(app_.List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0, SMTO_NORMAL, 5000, &extended);
    EXPECT_EQ(extended, static_cast<DWORD_PTR>(LVS_EX_FULLROWSELECT));
    EXPECT_EQ(app_.RowCount(), 0);
    EXPECT_FALSE(IsWindowEnabled(app_.Control(IDC_SAVE)));
    EXPECT_TRUE(IsWindowEnabled(app_.Control(IDC_COLLECT)));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_TOOLBAR), static_cast<UINT>(BST_UNCHECKED));
}

TEST_F(MainDialog, CollectButtonCutsTheAddressAndListsTheCachedFiles) {
    ASSERT_TRUE(Collect(page_));
    EXPECT_EQ(app_.Address(), site_);
    EXPECT_TRUE(IsWindowEnabled(app_.Control(IDC_COLLECT)));
    EXPECT_EQ(app_.FocusedWindow(), app_.Control(IDC_COLLECT)) << "the button keeps the focus it was pressed with";
    // Under Wine the low-integrity collector walks this same cache: each row
    // arrives twice and is listed once.
    EXPECT_EQ(SortedByPath(app_.ReadCells()), ExpectedSite());
}

TEST_F(MainDialog, EnterInTheAddressBoxCollectsLikeTheButton) {
    ASSERT_TRUE(app_.SetAddress(site_ + "img/logo.gif"));
    ASSERT_TRUE(app_.Focus(IDC_ADDRESS));
    ASSERT_TRUE(app_.PressKey(VK_RETURN));
    EXPECT_EQ(app_.Address(), site_ + "img/");
    EXPECT_EQ(app_.FocusedWindow(), app_.Control(IDC_ADDRESS));
    EXPECT_EQ(SortedByPath(app_.ReadCells()),
              (Rows{{"banner.png", "png", "1024B", testkit::ListTimeText(CachedAccessTime(site_ + "img/banner.png")),
                     testkit::ListTimeText(testkit::UtcFileTime(2003, 2, 2, 12, 0, 0))},
                    {"logo.gif", "gif", "2.9KB", testkit::ListTimeText(CachedAccessTime(site_ + "img/logo.gif")),
                     testkit::ListTimeText(testkit::UtcFileTime(2003, 1, 1, 0, 0, 0))},
                    {"photo.jpg", "jpg", "1.5MB", testkit::ListTimeText(CachedAccessTime(site_ + "img/photo.jpg")),
                     testkit::ListTimeText(testkit::UtcFileTime(2003, 3, 15, 9, 30, 0))}}));
}

TEST_F(MainDialog, AddressOfSevenBytesEmptiesTheList) {
    ASSERT_TRUE(Collect(page_));
    ASSERT_EQ(app_.RowCount(), 8);
    ASSERT_TRUE(Collect("http://"));
    EXPECT_EQ(app_.RowCount(), 0);
    EXPECT_EQ(app_.Address(), "http://");  // left as typed: nothing was cut

    // A host without a path is cut to "http://"; pressing again empties the list.
    const std::string host = site_.substr(0, site_.size() - 6);  // http://127.0.0.1:port
    ASSERT_TRUE(Collect(host));
    EXPECT_EQ(app_.Address(), "http://");
    EXPECT_GE(app_.RowCount(), 8);
    ASSERT_TRUE(app_.Click(IDC_COLLECT));
    EXPECT_EQ(app_.RowCount(), 0);
}

TEST_F(MainDialog, ClickingTheSizeHeaderSortsDescendingThenAscending) {
    ASSERT_TRUE(Collect(page_));
    const std::vector<std::string> largestFirst = {"img/photo.jpg", "docs/manual.pdf", "img/logo.gif", "index.html",
                                                   "img/banner.png", "style.css", "docs/README", "cgi/counter.cgi"};
    ASSERT_TRUE(app_.ClickColumnHeader(2));
    Rows rows = app_.ReadCells();
    EXPECT_EQ(Column(rows, 0), largestFirst);
    EXPECT_EQ(SortedByPath(rows), ExpectedSite());  // every row moved whole

    ASSERT_TRUE(app_.ClickColumnHeader(2));
    std::vector<std::string> smallestFirst(largestFirst.rbegin(), largestFirst.rend());
    EXPECT_EQ(Column(app_.ReadCells(), 0), smallestFirst);

    // The path column keeps its own count: its first click is descending too.
    ASSERT_TRUE(app_.ClickColumnHeader(0));
    auto paths = Column(app_.ReadCells(), 0);
    EXPECT_TRUE(std::is_sorted(paths.rbegin(), paths.rend())) << paths.front();
}

TEST_F(MainDialog, SaveButtonIsEnabledExactlyWhileRowsAreSelected) {
    HWND save = app_.Control(IDC_SAVE);
    ASSERT_TRUE(Collect(page_));
    EXPECT_FALSE(IsWindowEnabled(save)) << "a collection alone does not enable it";

    ASSERT_TRUE(app_.ClickRow(3));
    EXPECT_EQ(app_.SelectedRows(), std::vector<int>{3});
    EXPECT_TRUE(IsWindowEnabled(save));

    ASSERT_TRUE(app_.SelectRows({}));
    EXPECT_FALSE(IsWindowEnabled(save));

    ASSERT_TRUE(app_.SelectRows({0, 5}));
    EXPECT_EQ(app_.SelectedCount(), 2);
    EXPECT_TRUE(IsWindowEnabled(save));

    // A sort keeps the selected positions and the button's state.
    ASSERT_TRUE(app_.ClickColumnHeader(1));
    EXPECT_EQ(app_.SelectedRows(), (std::vector<int>{0, 5}));
    EXPECT_TRUE(IsWindowEnabled(save));
}

TEST_F(MainDialog, EscapeClosesTheDialogAndTheProgramExitsWithZero) {
    ASSERT_TRUE(Collect(page_));
    ASSERT_TRUE(app_.PressKey(VK_ESCAPE));
    EXPECT_EQ(app_.WaitForExit(), 0u);
}

TEST_F(MainDialog, CloseBoxEndsTheProgramWithZero) {
    ASSERT_TRUE(PostMessageA(app_.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0));
    EXPECT_EQ(app_.WaitForExit(), 0u);
}

}  // namespace

namespace {

// A folder whose name ends in 表 (95 5C), and an executable named 表.exe
// whose trail byte a plain search would take for the last separator: the
// program finds the Setting.ini beside it (its "Browser" names the stand-in
// browser that fills the address box), works, and leaves the file as it was.
TEST(MainDialogInJapaneseFolder, ReadsTheSettingsBesideItAndWorks) {
    const std::string page = testkit::DownloadDemoSite();
    ASSERT_FALSE(page.empty());
    const std::string site = page.substr(0, page.rfind('/') + 1);
    testkit::StandinBrowser browser("\"" + page + "\",\"Sample\"");
    ASSERT_TRUE(browser.Ready());

    e2e::Tessiwok app;
    e2e::StartOptions options;
    options.folderName = testkit::UniqueName("e2e") + "表";
    options.exeName = "表.exe";
    options.writeSettings = true;
    options.settings = "[Tessiwok]\r\nBrowser=" + browser.Service() + "\r\n";
    ASSERT_TRUE(app.Start(options)) << app.LastError();
    EXPECT_EQ(app.Folder().substr(app.Folder().size() - 3), "\x95\x5c\\");
    EXPECT_EQ(app.Address(), page) << "the settings were not read from " << app.SettingsPath();

    ASSERT_TRUE(app.Click(IDC_COLLECT));
    EXPECT_EQ(app.Address(), site);
    EXPECT_EQ(app.RowCount(), 8);
    ASSERT_TRUE(app.PressKey(VK_ESCAPE));
    EXPECT_EQ(app.WaitForExit(), 0u);
    EXPECT_EQ(testkit::ReadWholeFile(app.SettingsPath()), options.settings);
    testkit::DeleteCacheEntriesUnder(site.substr(0, site.size() - 5));
}

}  // namespace
