// The real Tessiwok.exe with a browser: the address box opens with the page
// that the stand-in browser reports, and the toolbar check box writes and
// removes the button's key in the registry of the Wine prefix.
#include "tests/e2e/driver.h"

#include <shlwapi.h>

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
