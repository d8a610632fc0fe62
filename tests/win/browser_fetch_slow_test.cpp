// A browser that does not answer within the 10-second time-out of the
// request: the box is emptied. Slow by nature, so labelled "slow".
#include "browser/browser.h"

#include <gtest/gtest.h>

#include "app/program.h"
#include "tools/testkit/standin_browser.h"

namespace {

TEST(FetchBrowserUrlSlow, BrowserTooSlowToAnswerLeavesTheBoxEmpty) {
    ASSERT_STRNE(settingsFile.Path(), "");
    testkit::StandinBrowserOptions options;
    options.reply = "\"http://late/\"";
    options.delayMs = 12000;  // answers, but after the client gave up
    testkit::StandinBrowser browser(options);
    ASSERT_TRUE(browser.Ready());
    ASSERT_TRUE(WritePrivateProfileStringA(kSettingsSection, kBrowserKey, browser.Service().c_str(),
                                           settingsFile.Path()));
    HWND box = CreateWindowExA(0, "EDIT", "untouched", WS_POPUP, 0, 0, 300, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(box, nullptr);

    const DWORD start = GetTickCount();
    FetchBrowserUrl(box);
    const DWORD elapsed = GetTickCount() - start;

    char text[64] = {};
    GetWindowTextA(box, text, sizeof text);
    EXPECT_STREQ(text, "");
    // The request was given up by its time-out, not by a quick failure.
    EXPECT_GE(elapsed, 9000u);
    EXPECT_EQ(browser.RequestLog(), "request 0xFFFFFFFF 1\n");
    DestroyWindow(box);
    WritePrivateProfileStringA(kSettingsSection, kBrowserKey, nullptr, settingsFile.Path());
}

}  // namespace
