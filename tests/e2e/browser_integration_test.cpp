// The real Tessiwok.exe with a browser: the address box opens with the page
// that the stand-in browser reports over DDE or through its page windows
// (this test runs alone: other programs' dialogs would find those), and the toolbar check box writes and
// removes the button's key in the registry of the Wine prefix.
#include "tests/e2e/driver.h"

#include <shlwapi.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "browser/toolbar_values.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/standin_browser.h"

namespace {

std::string BrowserSettings(const std::string& service) { return "[Tessiwok]\r\nBrowser=" + service + "\r\n"; }

e2e::StartOptions AskingBrowser(const std::string& service) {
    e2e::StartOptions options;
    options.writeSettings = true;
    options.settings = BrowserSettings(service);
    return options;
}

TEST(BrowserAddress, DialogOpensWithThePageTheBrowserShows) {
    testkit::StandinBrowser browser("\"http://demo.test/dir/page.html\",\"Demo page\"");
    ASSERT_TRUE(browser.Ready());
    e2e::Tessiwok app;
    ASSERT_TRUE(app.Start(AskingBrowser(browser.Service()))) << app.LastError();
    EXPECT_EQ(app.Address(), "http://demo.test/dir/page.html");
    EXPECT_EQ(browser.RequestLog(), "request 0xFFFFFFFF 1\n");
    ASSERT_TRUE(app.PressKey(VK_ESCAPE));
    EXPECT_EQ(app.WaitForExit(), 0u);
}

TEST(BrowserAddress, WithoutABrowserTheBoxIsEmptyAndNothingIsSaid) {
    e2e::Tessiwok app;
    ASSERT_TRUE(app.Start(AskingBrowser(testkit::UniqueName("TessiwokNobody")))) << app.LastError();
    ASSERT_TRUE(app.Settle());
    EXPECT_EQ(app.Address(), "");
    EXPECT_TRUE(app.OtherWindows().empty());
    ASSERT_TRUE(app.PressKey(VK_ESCAPE));
    EXPECT_EQ(app.WaitForExit(), 0u);
}

// With no DDE answer, the topmost visible page window of another program
// gives the address. Frames are shown in the order given: the last on top.
TEST(BrowserAddress, PageWindowOnScreenFillsTheBoxWhenDdeGivesNone) {
    using Tab = testkit::StandinBrowserOptions::Tab;
    struct Row {
        const char* what;
        const char* frameClass;
        std::vector<std::vector<Tab>> frames;
        std::string ddeReply;  // "" for no DDE server
        DWORD pageDelayMs;
        std::string box;
    } rows[] = {
        {"the tab shown, not the background tabs", "Chrome_WidgetWin_1",
         {{{"http://edge.test/hidden1.html", false}, {"http://edge.test/dir/shown.html", true},
           {"http://edge.test/hidden2.html", false}}},
         "", 0, "http://edge.test/dir/shown.html"},
        {"of two frames the topmost", "IEFrame",
         {{{"http://below.test/a.html", true}}, {{"http://top.test/b.html", true}}}, "", 0, "http://top.test/b.html"},
        {"a file: page is passed over", "IEFrame",
         {{{"http://below.test/a.html", true}}, {{"file:///C:/top.html", true}}}, "", 0, "http://below.test/a.html"},
        {"Japanese under 932", "Chrome_WidgetWin_1", {{{u8"http://example.jp/写真/ページ.html", true}}}, "", 0,
         "http://example.jp/写真/ページ.html"},
        {"a character 932 lacks, escaped", "Chrome_WidgetWin_1", {{{u8"http://example.jp/😀/写.html", true}}}, "", 0,
         "http://example.jp/%F0%9F%98%80/写.html"},
        {"DDE answering first wins", "IEFrame", {{{"http://page.test/x.html", true}}},
         "\"http://dde.test/page.html\",\"Page\"", 0, "http://dde.test/page.html"},
        {"a hung page leaves the box empty", "Chrome_WidgetWin_1", {{{"http://hung.test/", true}}}, "", 10000, ""},
    };
    DWORD quickest = INFINITE;  // the fastest start of a row without a hung page
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::unique_ptr<testkit::StandinBrowser>> browsers;
        std::string service = testkit::UniqueName("TessiwokNobody");
        for (const auto& tabs : row.frames) {
            testkit::StandinBrowserOptions options;
            options.dde = !row.ddeReply.empty() && browsers.empty();
            options.reply = row.ddeReply;
            options.frameClass = row.frameClass;
            options.tabs = tabs;
            options.pageDelayMs = row.pageDelayMs;
            browsers.push_back(std::make_unique<testkit::StandinBrowser>(options));
            ASSERT_TRUE(browsers.back()->Ready());
            if (options.dde) service = browsers.back()->Service();
        }
        e2e::Tessiwok app;
        const DWORD start = GetTickCount();
        ASSERT_TRUE(app.Start(AskingBrowser(service))) << app.LastError();
        const DWORD took = GetTickCount() - start;
        EXPECT_EQ(app.Address(), row.box);
        if (row.pageDelayMs == 0) quickest = std::min(quickest, took);
        // The search gives up after 1.5 s; the rest is a busy machine's start.
        // The page hangs for 10 s.
        else EXPECT_LT(took, quickest + 3000) << "the dialog waited for the hung page";
        ASSERT_TRUE(app.PressKey(VK_ESCAPE));
        EXPECT_EQ(app.WaitForExit(), 0u);
    }
}

// Each test starts and ends without the button's key.
class ToolbarCheckBox : public ::testing::Test {
protected:
    void SetUp() override { SHDeleteKeyA(HKEY_CURRENT_USER, kToolbarButtonKey); }
    void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, kToolbarButtonKey); }

    static std::string Exec() {
        char exec[kToolbarPathBufferSize] = {};
        DWORD size = sizeof exec;
        if (SHGetValueA(HKEY_CURRENT_USER, kToolbarButtonKey, "Exec", nullptr, exec, &size) != ERROR_SUCCESS)
            return "(none)";
        return exec;
    }
    static bool KeyExists() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kToolbarButtonKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    static LRESULT CheckState(const e2e::Tessiwok& app) {
        return SendMessageA(app.Control(IDC_TOOLBAR), BM_GETCHECK, 0, 0);
    }
    static void Quit(e2e::Tessiwok& app) {
        ASSERT_TRUE(app.PressKey(VK_ESCAPE));
        EXPECT_EQ(app.WaitForExit(), 0u);
    }
};

TEST_F(ToolbarCheckBox, CheckingRegistersAndUncheckingRemoves) {
    e2e::Tessiwok app;
    ASSERT_TRUE(app.Start(AskingBrowser(testkit::UniqueName("TessiwokNobody")))) << app.LastError();
    EXPECT_EQ(CheckState(app), BST_UNCHECKED);

    ASSERT_TRUE(app.Click(IDC_TOOLBAR));
    EXPECT_EQ(CheckState(app), BST_CHECKED);
    EXPECT_EQ(Exec(), app.Folder() + "Tessiwok.exe");
    EXPECT_TRUE(app.OtherWindows().empty());

    ASSERT_TRUE(app.Click(IDC_TOOLBAR));
    EXPECT_EQ(CheckState(app), BST_UNCHECKED);
    EXPECT_FALSE(KeyExists());
    EXPECT_TRUE(app.OtherWindows().empty());
    Quit(app);
}

TEST_F(ToolbarCheckBox, RegistrationIsShownAtTheNextStart) {
    e2e::Tessiwok first;
    ASSERT_TRUE(first.Start(AskingBrowser(testkit::UniqueName("TessiwokNobody")))) << first.LastError();
    ASSERT_TRUE(first.Click(IDC_TOOLBAR));
    Quit(first);

    // A second copy elsewhere: the first copy's registration still counts.
    e2e::Tessiwok second;
    ASSERT_TRUE(second.Start(AskingBrowser(testkit::UniqueName("TessiwokNobody")))) << second.LastError();
    EXPECT_EQ(CheckState(second), BST_CHECKED);
    EXPECT_EQ(Exec(), first.Folder() + "Tessiwok.exe");
    Quit(second);
}

TEST_F(ToolbarCheckBox, StaleKeyIsDeletedAtStart) {
    const std::string gone = testkit::MakeScratchDirectory("toolbar-gone") + "\\moved\\Tessiwok.exe";
    ASSERT_EQ(SHSetValueA(HKEY_CURRENT_USER, kToolbarButtonKey, "Exec", REG_SZ, gone.c_str(),
                          static_cast<DWORD>(gone.size() + 1)),
              ERROR_SUCCESS);
    e2e::Tessiwok app;
    ASSERT_TRUE(app.Start(AskingBrowser(testkit::UniqueName("TessiwokNobody")))) << app.LastError();
    EXPECT_EQ(CheckState(app), BST_UNCHECKED);
    EXPECT_FALSE(KeyExists());
    EXPECT_TRUE(app.OtherWindows().empty());
    Quit(app);
}

TEST_F(ToolbarCheckBox, CopyUnderAnotherNameRegistersAButtonThatIsStaleAtTheNextStart) {
    // "Exec" names Tessiwok.exe in the folder, whatever the running copy is called.
    e2e::StartOptions options = AskingBrowser(testkit::UniqueName("TessiwokNobody"));
    options.exeName = "Renamed.exe";
    e2e::Tessiwok first;
    ASSERT_TRUE(first.Start(options)) << first.LastError();
    ASSERT_TRUE(first.Click(IDC_TOOLBAR));
    EXPECT_EQ(Exec(), first.Folder() + "Tessiwok.exe");
    Quit(first);

    e2e::Tessiwok second;
    ASSERT_TRUE(second.Start(options)) << second.LastError();
    EXPECT_EQ(CheckState(second), BST_UNCHECKED);
    EXPECT_FALSE(KeyExists());
    Quit(second);
}

}  // namespace
