// A release archive as a user unpacks it (unpack.sh puts it into a fresh
// folder of the prefix's drive C:): the program starts from there, collects
// the sample site that WinINet cached, saves one row through Save As and keeps
// its Setting.ini beside itself, in the unpacked folder. Built for 64-bit
// Windows it runs the x64 archive's program, built for 32-bit the x86 one's:
// the driver reads the list in the program's own memory layout.
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/testkit/demo_site.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

constexpr int kFileNameField = 0x047C;  // Save As: a ComboBoxEx32 with an inner Edit of the same id
const char* const kUnpacked = sizeof(void*) == 8 ? "C:\\Tessiwok-unpacked\\x64\\Tessiwok\\"
                                              : "C:\\Tessiwok-unpacked\\x86\\Tessiwok\\";
const char kSaveAsTitle[] = "キャッシュデータの保存先の決定";
const char kCopied[] = "キャッシュデータをコピーしました";

TEST(UnpackedArchive, ProgramCollectsSavesAndKeepsItsSettingsBesideItself) {
    const std::string folder = kUnpacked;
    ASSERT_EQ(testkit::FilesIn(folder), (std::vector<std::string>{"LICENSE.txt", "README-ja.txt", "THIRD-PARTY-LICENSES.txt", "Tessiwok.exe"}))
        << "a freshly unpacked folder holds the four files and no settings";

    const std::string page = testkit::DownloadDemoSite();
    ASSERT_FALSE(page.empty()) << "the sample site could not be downloaded";
    const std::string site = page.substr(0, page.rfind('/') + 1);
    const std::string out = testkit::MakeScratchDirectory(testkit::UniqueName("unpacked-out"));

    e2e::Tessiwok app;
    e2e::StartOptions options;
    options.inPlace = folder + "Tessiwok.exe";
    // Started from elsewhere, as the browser's toolbar button starts it: the
    // settings still belong beside the program, not in the working folder.
    options.workingFolder = out;
    ASSERT_TRUE(app.Start(options)) << app.LastError();
    ASSERT_TRUE(app.SetAddress(page));
    ASSERT_TRUE(app.Click(IDC_COLLECT));
    EXPECT_EQ(app.Address(), site);
    ASSERT_EQ(app.RowCount(), 8);

    int logo = -1;
    for (int row = 0; row < app.RowCount(); ++row)
        if (app.CellText(row, 0) == "img/logo.gif") logo = row;
    ASSERT_NE(logo, -1);
    ASSERT_TRUE(app.SelectRows({logo}));
    ASSERT_TRUE(app.Click(IDC_SAVE));
    HWND saveAs = app.WaitForDialogTitled(kSaveAsTitle);
    ASSERT_NE(saveAs, nullptr);
    const std::string target = out + "\\logo.gif";
    ASSERT_TRUE(e2e::SetWindowTextOf(e2e::FindDescendant(saveAs, kFileNameField, "Edit"), target));
    ASSERT_TRUE(app.PressDialogButton(saveAs, IDOK));
    HWND done = app.WaitForDialogTitled("Tessiwok");
    ASSERT_NE(done, nullptr);
    EXPECT_EQ(e2e::MessageBoxText(done), kCopied);
    ASSERT_TRUE(app.PressDialogButton(done, IDOK));

    const std::string cached = testkit::ReadWholeFile(testkit::LocalFileOf(site + "img/logo.gif"));
    EXPECT_EQ(cached.size(), 3000u);
    EXPECT_EQ(testkit::ReadWholeFile(target), cached);

    // The settings file sits beside the unpacked program and remembers the folder.
    EXPECT_EQ(testkit::FilesIn(folder),
              (std::vector<std::string>{"LICENSE.txt", "README-ja.txt", "Setting.ini", "THIRD-PARTY-LICENSES.txt",
                                        "Tessiwok.exe"}));
    char remembered[MAX_PATH] = {};
    GetPrivateProfileStringA("Tessiwok", "SaveFolder", "(none)", remembered, sizeof remembered,
                             (folder + "Setting.ini").c_str());
    EXPECT_EQ(std::string(remembered), out);
    EXPECT_EQ(testkit::FilesIn(out), std::vector<std::string>{"logo.gif"});

    ASSERT_TRUE(app.PressKey(VK_ESCAPE));
    EXPECT_EQ(app.WaitForExit(), 0u);
    testkit::DeleteCacheEntriesUnder(site);
}

}  // namespace
