// Saving cached files with the real Tessiwok.exe, driven from this process:
// one row through the Save As dialog, several rows into a folder picked in
// the folder chooser, the overwrite question, failed copies and cancels.
// Entries come from the real URL cache, under a host of each test's own.
#include "tests/e2e/driver.h"

#include <commdlg.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

// Common dialog and folder-browse controls, as Wine numbers them.
constexpr int kFileNameField = 0x047C;  // cmb13: a ComboBoxEx32 with an inner Edit of the same id
constexpr int kFileTypeList = 0x0470;   // cmb1
constexpr int kBrowseTree = 0x3741;
constexpr int kBrowseTitle = 0x3742;

const char kSaveAsTitle[] = "キャッシュデータの保存先の決定";
const char kChooserTitle[] = "キャッシュデータの保存先を決定してください";
const char kCopied[] = "キャッシュデータをコピーしました";
const char kCopyError[] = "キャッシュデータのコピー中にエラーが発生しました";
const char kAllCopied[] = "選択されたキャッシュデータのコピーが完了しました";
const char kQuestion[] = "は、すでに存在します。上書きして、処理を続けてよろしいですか？";

// Bytes that a text-mode copy or a cut would change.
std::string BinaryContent(const std::string& seed, size_t size) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>((i * 7 + seed.size() * 31 + seed[i % seed.size()]) & 0xFF));
    return bytes;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The zone mark beside a copy (Wine keeps the stream as a file of this name).
std::string MarkOf(const std::string& file) { return testkit::ReadWholeFile(file + ":Zone.Identifier"); }
std::string InternetMark(const std::string& url) { return "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=" + url + "\r\n"; }

class Save : public ::testing::Test {
protected:
    void SetUp() override {
        host_ = "http://" + testkit::UniqueName("save") + ".test/";
        site_ = host_ + "site/";
        out_ = testkit::MakeScratchDirectory(testkit::UniqueName("out"));
    }
    void TearDown() override {
        testkit::DeleteCacheEntriesUnder(host_);
        if (!zoneKey_.empty()) RegDeleteKeyA(HKEY_CURRENT_USER, zoneKey_.c_str());
    }

    // Commits a file under the site; its content is remembered by path.
    void Commit(const std::string& path, const std::string& extension = "bin") {
        testkit::CachedItem cached;
        cached.url = site_ + path;
        cached.content = BinaryContent(path, 700 + path.size() * 13);
        cached.extension = extension;
        ASSERT_TRUE(testkit::CommitCacheEntry(cached)) << cached.url << " error " << GetLastError();
        content_[path] = cached.content;
    }

    // Starts the program (with "SaveFolder" remembered when not empty) and collects the site.
    void StartAndCollect(const std::string& saveFolder = "") {
        e2e::StartOptions options;
        if (!saveFolder.empty()) {
            options.writeSettings = true;
            options.settings = "[Tessiwok]\r\nSaveFolder=" + saveFolder + "\r\n";
        }
        ASSERT_TRUE(app_.Start(options)) << app_.LastError();
        ASSERT_TRUE(app_.SetAddress(site_));
        ASSERT_TRUE(app_.Click(IDC_COLLECT));
        ASSERT_EQ(static_cast<size_t>(app_.RowCount()), content_.size());
        ASSERT_NO_FATAL_FAILURE(ReadRowOrder());
    }
    // Which row shows which path, read back from the list.
    void ReadRowOrder() {
        rowOf_.clear();
        for (int row = 0; row < app_.RowCount(); ++row) rowOf_[app_.CellText(row, 0)] = row;
    }

    // The relative paths the list shows, in byte order.
    std::vector<std::string> ListedPaths() const {
        std::vector<std::string> paths;
        for (const auto& [path, row] : rowOf_) paths.push_back(path);
        return paths;
    }

    // Rows by relative path, and the paths in the list's row order.
    std::vector<int> Rows(const std::vector<std::string>& paths) {
        std::vector<int> rows;
        for (const std::string& path : paths) rows.push_back(rowOf_.at(path));
        return rows;
    }
    std::vector<std::string> InRowOrder(std::vector<std::string> paths) {
        std::sort(paths.begin(), paths.end(), [&](const auto& a, const auto& b) { return rowOf_.at(a) < rowOf_.at(b); });
        return paths;
    }

    std::string SaveFolderSetting() {
        char value[300] = {};
        GetPrivateProfileStringA("Tessiwok", "SaveFolder", "(none)", value, sizeof value, app_.SettingsPath().c_str());
        return value;
    }

    // The program's own message boxes are captioned "Tessiwok".
    HWND WaitForMessageBox() { return app_.WaitForDialogTitled("Tessiwok"); }
    // Reads the box, answers it, and returns its text.
    std::string AnswerMessageBox(int button) {
        HWND box = WaitForMessageBox();
        if (box == nullptr) return "(no message box)";
        std::string text = e2e::MessageBoxText(box);
        EXPECT_TRUE(app_.PressDialogButton(box, button));
        return text;
    }
    // Nothing but the main dialog is left once everything posted has run.
    void ExpectNothingElseShown() {
        ASSERT_TRUE(app_.Settle());
        EXPECT_TRUE(app_.OtherWindows().empty()) << e2e::WindowText(app_.OtherWindows().front());
    }

    // ---- Save As
    HWND FileNameEdit(HWND saveAs) { return e2e::FindDescendant(saveAs, kFileNameField, "Edit"); }
    // The name Save As proposes for one row; the dialog is then cancelled.
    std::string ProposedName(const std::string& path) {
        EXPECT_TRUE(app_.SelectRows(Rows({path})));
        EXPECT_TRUE(app_.Click(IDC_SAVE));
        HWND saveAs = app_.WaitForDialogTitled(kSaveAsTitle);
        if (saveAs == nullptr) return "(no Save As)";
        const std::string name = e2e::WindowText(FileNameEdit(saveAs));
        EXPECT_TRUE(app_.PressDialogButton(saveAs, IDCANCEL));
        return name;
    }
    // The folder the Save As dialog shows (CDM_GETFOLDERPATH into the program's memory).
    // The dialog answers in its own character set: Unicode.
    std::string SaveAsFolder(HWND saveAs) {
        e2e::RemoteMemory memory(app_.Process(), MAX_PATH * sizeof(wchar_t));
        wchar_t path[MAX_PATH] = {};
        char ansi[2 * MAX_PATH] = {};
        DWORD_PTR result = 0;
        if (!memory.Write(0, path, sizeof path) ||
            !SendMessageTimeoutA(saveAs, CDM_GETFOLDERPATH, MAX_PATH, memory.Address(), SMTO_NORMAL, 5000, &result) ||
            !memory.Read(0, path, sizeof path - sizeof path[0]) ||
            !WideCharToMultiByte(CP_ACP, 0, path, -1, ansi, sizeof ansi, nullptr, nullptr))
            return "(unreadable)";
        return ansi;
    }
    // Types the full path into the file name field and presses Save.
    void SaveAsPath(HWND saveAs, const std::string& path) {
        ASSERT_TRUE(e2e::SetWindowTextOf(FileNameEdit(saveAs), path));
        ASSERT_TRUE(app_.PressDialogButton(saveAs, IDOK));
    }

    // ---- Folder chooser
    std::string ChooserSelection(HWND chooser) {
        HWND tree = GetDlgItem(chooser, kBrowseTree);
        DWORD_PTR item = 0;
        SendMessageTimeoutA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, SMTO_NORMAL, 5000, &item);
        if (item == 0) return "(nothing selected)";
        e2e::RemoteMemory memory(app_.Process(), sizeof(TVITEMA) + MAX_PATH);
        TVITEMA asked{};
        asked.mask = TVIF_TEXT;
        asked.hItem = reinterpret_cast<HTREEITEM>(item);
        asked.pszText = memory.At(sizeof(TVITEMA));
        asked.cchTextMax = MAX_PATH;
        char text[MAX_PATH] = {};
        DWORD_PTR ok = 0;
        if (!memory.Write(asked) || !memory.Write(sizeof(TVITEMA), text, sizeof text) ||
            !SendMessageTimeoutA(tree, TVM_GETITEMA, 0, memory.Address(), SMTO_NORMAL, 5000, &ok) || !ok ||
            !memory.Read(sizeof(TVITEMA), text, sizeof text - 1))
            return "(unreadable)";
        return text;
    }
    // Turns the chooser to a folder (one that OpenChooser settled), as a user
    // clicking through the tree would.
    void ChooseIn(HWND chooser, const std::string& folder) {
        e2e::RemoteMemory memory(app_.Process(), folder.size() + 1);
        ASSERT_TRUE(memory.Write(0, folder.c_str(), folder.size() + 1));
        DWORD_PTR ignored = 0;  // Wine answers 0 even when it selected the folder
        SendMessageTimeoutA(chooser, BFFM_SETSELECTIONA, TRUE, memory.Address(), SMTO_NORMAL, 10000, &ignored);
        ASSERT_EQ(ChooserSelection(chooser), folder.substr(folder.rfind('\\') + 1));
    }
    // Selects the rows, presses save and waits for the folder chooser. Under
    // Wine the chooser finds a folder to select by comparing item-id lists
    // that carry directory access times, which the first read after a change
    // moves: the folders it is to find are read once, after the last change
    // (the program's own folder made in the same temp folder is one), and
    // before the dialog builds its tree.
    HWND OpenChooser(const std::vector<std::string>& paths, const std::string& remembered = "") {
        testkit::SettleDirectoryTimes(out_);
        if (!remembered.empty()) testkit::SettleDirectoryTimes(remembered);
        EXPECT_TRUE(app_.SelectRows(Rows(paths)));
        EXPECT_TRUE(app_.Click(IDC_SAVE));
        HWND found = nullptr;
        e2e::WaitUntil([&] {
            for (HWND window : app_.OtherWindows())
                if (GetDlgItem(window, kBrowseTree) != nullptr) found = window;
            return found != nullptr || !app_.Running();
        });
        return found;
    }

    std::string Out(const std::string& name) const { return out_ + "\\" + name; }

    std::string host_, site_, out_;
    std::string zoneKey_;  // the host's zone map key under HKCU, when a test made one
    std::map<std::string, std::string> content_;  // relative path -> cached bytes
    std::map<std::string, int> rowOf_;            // relative path -> list row
    e2e::Tessiwok app_;
};

TEST_F(Save, OneRowGoesThroughSaveAsAndItsFolderIsRemembered) {
    ASSERT_NO_FATAL_FAILURE(Commit("img/logo.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("index.html", "html"));
    const std::string remembered = testkit::MakeScratchDirectory(testkit::UniqueName("remembered"));
    ASSERT_NO_FATAL_FAILURE(StartAndCollect(remembered));

    ASSERT_TRUE(app_.SelectRows(Rows({"img/logo.gif"})));
    ASSERT_TRUE(app_.Click(IDC_SAVE));
    HWND saveAs = app_.WaitForDialogTitled(kSaveAsTitle);
    ASSERT_NE(saveAs, nullptr);
    EXPECT_EQ(SaveAsFolder(saveAs), remembered);
    EXPECT_EQ(e2e::WindowText(FileNameEdit(saveAs)), "logo.gif");
    HWND types = e2e::FindDescendant(saveAs, kFileTypeList);
    EXPECT_EQ(e2e::WindowText(types), "gif file(*.gif)");
    DWORD_PTR typeCount = 0;
    SendMessageTimeoutA(types, CB_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &typeCount);
    EXPECT_EQ(typeCount, 1u);

    ASSERT_NO_FATAL_FAILURE(SaveAsPath(saveAs, Out("copy.gif")));
    EXPECT_EQ(AnswerMessageBox(IDOK), kCopied);
    ASSERT_NO_FATAL_FAILURE(ExpectNothingElseShown());
    EXPECT_EQ(testkit::ReadWholeFile(Out("copy.gif")), content_["img/logo.gif"]);
    EXPECT_EQ(MarkOf(Out("copy.gif")), InternetMark(site_ + "img/logo.gif"));
    EXPECT_EQ(SaveFolderSetting(), out_);  // the folder of the file, no backslash

    // The next save starts in the folder just used, with the next file's name.
    ASSERT_TRUE(app_.SelectRows(Rows({"index.html"})));
    ASSERT_TRUE(app_.Click(IDC_SAVE));
    saveAs = app_.WaitForDialogTitled(kSaveAsTitle);
    ASSERT_NE(saveAs, nullptr);
    EXPECT_EQ(SaveAsFolder(saveAs), out_);
    EXPECT_EQ(e2e::WindowText(FileNameEdit(saveAs)), "index.html");
    EXPECT_EQ(e2e::WindowText(e2e::FindDescendant(saveAs, kFileTypeList)), "html file(*.html)");
    ASSERT_TRUE(app_.PressDialogButton(saveAs, IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(ExpectNothingElseShown());
}

TEST_F(Save, DoubleClickWithSeveralRowsSelectedSavesTheFirstOnly) {
    ASSERT_NO_FATAL_FAILURE(Commit("a.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("b.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("c.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(StartAndCollect());
    // Two rows selected, then a Ctrl+double click on the third adds it and
    // reports the double click: three rows are selected when the save runs.
    const std::vector<std::string> order = InRowOrder({"a.gif", "b.gif", "c.gif"});
    ASSERT_TRUE(app_.SelectRows(Rows({order[0], order[2]})));
    RECT rect{};
    {
        e2e::RemoteMemory memory(app_.Process(), sizeof rect);
        rect.left = LVIR_LABEL;
        DWORD_PTR ok = 0;
        ASSERT_TRUE(memory.Write(rect));
        SendMessageTimeoutA(app_.List(), LVM_GETITEMRECT, rowOf_[order[1]], memory.Address(), SMTO_NORMAL, 5000, &ok);
        ASSERT_TRUE(ok && memory.Read(rect));
    }
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    ASSERT_TRUE(PostMessageA(app_.List(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at));
    ASSERT_TRUE(PostMessageA(app_.List(), WM_LBUTTONUP, MK_CONTROL, at));
    ASSERT_TRUE(PostMessageA(app_.List(), WM_LBUTTONDBLCLK, MK_LBUTTON | MK_CONTROL, at));
    ASSERT_TRUE(PostMessageA(app_.List(), WM_LBUTTONUP, MK_CONTROL, at));

    HWND saveAs = app_.WaitForDialogTitled(kSaveAsTitle);
    ASSERT_NE(saveAs, nullptr);
    EXPECT_EQ(app_.SelectedCount(), 3);
    EXPECT_EQ(e2e::WindowText(FileNameEdit(saveAs)), order[0]);
    ASSERT_NO_FATAL_FAILURE(SaveAsPath(saveAs, Out(order[0])));
    EXPECT_EQ(AnswerMessageBox(IDOK), kCopied);
    ASSERT_NO_FATAL_FAILURE(ExpectNothingElseShown());
    EXPECT_EQ(testkit::FilesIn(out_), std::vector<std::string>{order[0]});
    EXPECT_EQ(testkit::ReadWholeFile(Out(order[0])), content_[order[0]]);
}

TEST_F(Save, SeveralRowsAreCopiedUnderTheirLastSegmentIntoTheChosenFolder) {
    ASSERT_NO_FATAL_FAILURE(Commit("img/logo.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("img/sub/banner.png", "png"));
    ASSERT_NO_FATAL_FAILURE(Commit("style.css", "css"));
    ASSERT_NO_FATAL_FAILURE(Commit("not/selected.txt", "txt"));
    const std::string remembered = testkit::MakeScratchDirectory(testkit::UniqueName("remembered"));
    ASSERT_NO_FATAL_FAILURE(StartAndCollect(remembered));

    HWND chooser = OpenChooser({"img/logo.gif", "img/sub/banner.png", "style.css"}, remembered);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(e2e::WindowText(GetDlgItem(chooser, kBrowseTitle)), kChooserTitle);
    EXPECT_EQ(ChooserSelection(chooser), remembered.substr(remembered.rfind('\\') + 1));
    ASSERT_NO_FATAL_FAILURE(ChooseIn(chooser, out_));
    ASSERT_TRUE(app_.PressDialogButton(chooser, IDOK));

    EXPECT_EQ(AnswerMessageBox(IDOK), kAllCopied);
    ASSERT_NO_FATAL_FAILURE(ExpectNothingElseShown());
    EXPECT_EQ(testkit::FilesIn(out_), (std::vector<std::string>{"banner.png", "logo.gif", "style.css"}));
    EXPECT_EQ(testkit::ReadWholeFile(Out("banner.png")), content_["img/sub/banner.png"]);
    EXPECT_EQ(testkit::ReadWholeFile(Out("logo.gif")), content_["img/logo.gif"]);
    EXPECT_EQ(testkit::ReadWholeFile(Out("style.css")), content_["style.css"]);
    EXPECT_EQ(MarkOf(Out("banner.png")), InternetMark(site_ + "img/sub/banner.png"));
    EXPECT_EQ(MarkOf(Out("logo.gif")), InternetMark(site_ + "img/logo.gif"));
    EXPECT_EQ(MarkOf(Out("style.css")), InternetMark(site_ + "style.css"));
    EXPECT_EQ(SaveFolderSetting(), out_);
}

// A site in Trusted sites (the zone map, as Internet Options writes it)
// gives copies without a mark, and a replaced file loses the one it carried.
TEST_F(Save, CopiesFromATrustedSiteCarryNoMark) {
    zoneKey_ = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\" +
               host_.substr(7, host_.size() - 8);
    const DWORD trusted = 2;
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, zoneKey_.c_str(), "http", REG_DWORD, &trusted, sizeof trusted), 0);
    ASSERT_NO_FATAL_FAILURE(Commit("a/x.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("y.gif", "gif"));
    ASSERT_TRUE(testkit::WriteWholeFile(Out("x.gif"), "older download"));
    ASSERT_TRUE(testkit::WriteWholeFile(Out("x.gif:Zone.Identifier"), InternetMark("http://elsewhere.test/x.gif")));
    ASSERT_NO_FATAL_FAILURE(StartAndCollect(out_));

    HWND chooser = OpenChooser({"a/x.gif", "y.gif"});
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(app_.PressDialogButton(chooser, IDOK));
    EXPECT_EQ(AnswerMessageBox(IDYES), Out("x.gif") + kQuestion);
    EXPECT_EQ(AnswerMessageBox(IDOK), kAllCopied);
    EXPECT_EQ(testkit::ReadWholeFile(Out("x.gif")), content_["a/x.gif"]);
    EXPECT_FALSE(Exists(Out("x.gif:Zone.Identifier")));
    EXPECT_FALSE(Exists(Out("y.gif:Zone.Identifier")));
}

TEST_F(Save, SameFileNameBringsTheQuestionAndYesOverwrites) {
    ASSERT_NO_FATAL_FAILURE(Commit("a/x.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("b/x.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("c/y.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(StartAndCollect(out_));
    const std::vector<std::string> order = InRowOrder({"a/x.gif", "b/x.gif"});

    HWND chooser = OpenChooser({"a/x.gif", "b/x.gif", "c/y.gif"});
    ASSERT_NE(chooser, nullptr);
    ASSERT_EQ(ChooserSelection(chooser), out_.substr(out_.rfind('\\') + 1));
    ASSERT_TRUE(app_.PressDialogButton(chooser, IDOK));

    EXPECT_EQ(AnswerMessageBox(IDYES), Out("x.gif") + kQuestion);
    EXPECT_EQ(AnswerMessageBox(IDOK), kAllCopied);
    ASSERT_NO_FATAL_FAILURE(ExpectNothingElseShown());
    EXPECT_EQ(testkit::ReadWholeFile(Out("x.gif")), content_[order[1]]);  // the later row's bytes
    EXPECT_EQ(testkit::ReadWholeFile(Out("y.gif")), content_["c/y.gif"]);
}

TEST_F(Save, NoToTheQuestionStopsSilentlyAndKeepsEarlierCopies) {
    ASSERT_NO_FATAL_FAILURE(Commit("a/x.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("b/x.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("c/y.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("d/z.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(StartAndCollect());
    // Sorted by path, ascending, the two x.gif rows come first.
    const std::vector<std::string> ascending = {"a/x.gif", "b/x.gif", "c/y.gif", "d/z.gif"};
    for (int click = 0; click < 2 && InRowOrder(ascending) != ascending; ++click) {
        ASSERT_TRUE(app_.ClickColumnHeader(0));
        ASSERT_NO_FATAL_FAILURE(ReadRowOrder());
    }
    ASSERT_EQ(InRowOrder(ascending), ascending);

    HWND chooser = OpenChooser({"a/x.gif", "b/x.gif", "c/y.gif", "d/z.gif"});
    ASSERT_NE(chooser, nullptr);
    ASSERT_NO_FATAL_FAILURE(ChooseIn(chooser, out_));
    ASSERT_TRUE(app_.PressDialogButton(chooser, IDOK));

    EXPECT_EQ(AnswerMessageBox(IDNO), Out("x.gif") + kQuestion);
    ASSERT_NO_FATAL_FAILURE(ExpectNothingElseShown());
    EXPECT_EQ(testkit::FilesIn(out_), std::vector<std::string>{"x.gif"});
    EXPECT_EQ(testkit::ReadWholeFile(Out("x.gif")), content_["a/x.gif"]);
    EXPECT_EQ(SaveFolderSetting(), out_);  // remembered before the first copy
}

TEST_F(Save, FailingCopyShowsTheErrorAndNothingAfterIt) {
    ASSERT_NO_FATAL_FAILURE(Commit("a.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("b.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("c.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(StartAndCollect(out_));
    const std::vector<std::string> order = InRowOrder({"a.gif", "b.gif", "c.gif"});
    // A folder stands where the second row's file would go: no file to
    // replace, so no question, and the copy error. (A read-only file would
    // not do: Wine maps it to permission bits, which root, as tests often
    // run, writes through.)
    ASSERT_TRUE(CreateDirectoryA(Out(order[1]).c_str(), nullptr));
    HWND chooser = OpenChooser(order);
    ASSERT_NE(chooser, nullptr);
    ASSERT_EQ(ChooserSelection(chooser), out_.substr(out_.rfind('\\') + 1));
    ASSERT_TRUE(app_.PressDialogButton(chooser, IDOK));
    EXPECT_EQ(AnswerMessageBox(IDOK), kCopyError);
    ASSERT_NO_FATAL_FAILURE(ExpectNothingElseShown());
    EXPECT_EQ(testkit::ReadWholeFile(Out(order[0])), content_[order[0]]);
    EXPECT_EQ(GetFileAttributesA(Out(order[1]).c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(Exists(Out(order[2])));
}

TEST_F(Save, FailingSingleCopyShowsTheErrorAndKeepsTheRememberedFolder) {
    ASSERT_NO_FATAL_FAILURE(Commit("a.gif", "gif"));
    const std::string remembered = testkit::MakeScratchDirectory(testkit::UniqueName("remembered"));
    ASSERT_NO_FATAL_FAILURE(StartAndCollect(remembered));
    // The cached file is gone by the time the save runs.
    ASSERT_TRUE(DeleteFileA(testkit::LocalFileOf(site_ + "a.gif").c_str()));

    ASSERT_TRUE(app_.SelectRows({0}));
    ASSERT_TRUE(app_.Click(IDC_SAVE));
    HWND saveAs = app_.WaitForDialogTitled(kSaveAsTitle);
    ASSERT_NE(saveAs, nullptr);
    ASSERT_NO_FATAL_FAILURE(SaveAsPath(saveAs, Out("a.gif")));
    EXPECT_EQ(AnswerMessageBox(IDOK), kCopyError);
    ASSERT_NO_FATAL_FAILURE(ExpectNothingElseShown());
    EXPECT_TRUE(testkit::FilesIn(out_).empty());
    EXPECT_EQ(SaveFolderSetting(), remembered);
}

TEST_F(Save, CancellingEitherDialogWritesAndCopiesNothing) {
    ASSERT_NO_FATAL_FAILURE(Commit("a.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("b.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(StartAndCollect());

    ASSERT_TRUE(app_.SelectRows({0}));
    ASSERT_TRUE(app_.Click(IDC_SAVE));
    HWND saveAs = app_.WaitForDialogTitled(kSaveAsTitle);
    ASSERT_NE(saveAs, nullptr);
    ASSERT_TRUE(e2e::SetWindowTextOf(FileNameEdit(saveAs), Out("a.gif")));
    ASSERT_TRUE(app_.PressDialogButton(saveAs, IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(ExpectNothingElseShown());

    HWND chooser = OpenChooser({"a.gif", "b.gif"});
    ASSERT_NE(chooser, nullptr);
    ASSERT_NO_FATAL_FAILURE(ChooseIn(chooser, out_));
    ASSERT_TRUE(app_.PressDialogButton(chooser, IDCANCEL));
    ASSERT_NO_FATAL_FAILURE(ExpectNothingElseShown());

    EXPECT_TRUE(testkit::FilesIn(out_).empty());
    EXPECT_FALSE(Exists(app_.SettingsPath()));
}

TEST_F(Save, DriveRootGivesDestinationsWithTwoBackslashes) {
    const std::string name = testkit::UniqueName("root") + ".gif";
    ASSERT_NO_FATAL_FAILURE(Commit("a/" + name, "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("b/" + name, "gif"));
    ASSERT_NO_FATAL_FAILURE(StartAndCollect());
    const std::vector<std::string> order = InRowOrder({"a/" + name, "b/" + name});

    HWND chooser = OpenChooser(order);
    ASSERT_NE(chooser, nullptr);
    e2e::RemoteMemory memory(app_.Process(), 4);
    ASSERT_TRUE(memory.Write(0, "C:\\", 4));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(chooser, BFFM_SETSELECTIONA, TRUE, memory.Address(), SMTO_NORMAL, 10000, &ignored);
    ASSERT_TRUE(app_.PressDialogButton(chooser, IDOK));

    EXPECT_EQ(AnswerMessageBox(IDYES), "C:\\\\" + name + kQuestion);
    EXPECT_EQ(AnswerMessageBox(IDOK), kAllCopied);
    EXPECT_EQ(SaveFolderSetting(), "C:\\");
    EXPECT_EQ(testkit::ReadWholeFile("C:\\" + name), content_[order[1]]);
    DeleteFileA(("C:\\" + name).c_str());
}

}  // namespace

namespace {

// Addresses whose last segment means something else in a Windows file name,
// or that leave no name at all (a folder with a query), are copied into the
// chosen folder itself, under safe names; the list still shows them as the
// cache holds them, less the query.
TEST_F(Save, UnsafeNamesStayInsideTheChosenFolder) {
    ASSERT_NO_FATAL_FAILURE(Commit("..\\..\\evil.dll", "dll"));
    ASSERT_NO_FATAL_FAILURE(Commit("a:b.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("img/nul.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("ok.gif", "gif"));
    ASSERT_NO_FATAL_FAILURE(Commit("blog/?p=123", "htm"));
    ASSERT_NO_FATAL_FAILURE(Commit("name.", "bin"));
    ASSERT_NO_FATAL_FAILURE(StartAndCollect());
    EXPECT_EQ(ListedPaths(),
              (std::vector<std::string>{"..\\..\\evil.dll", "a:b.gif", "blog/", "img/nul.gif", "name.", "ok.gif"}));
    EXPECT_EQ(ProposedName("a:b.gif"), "a_b.gif");  // Save As proposes the safe name

    // Two levels down, so that "..\..\" would land in out_ itself.
    const std::string chosen = out_ + "\\a\\b";
    ASSERT_TRUE(CreateDirectoryA((out_ + "\\a").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(chosen.c_str(), nullptr));
    HWND chooser = OpenChooser({"..\\..\\evil.dll", "a:b.gif", "blog/", "img/nul.gif", "name.", "ok.gif"}, chosen);
    ASSERT_NE(chooser, nullptr);
    ASSERT_NO_FATAL_FAILURE(ChooseIn(chooser, chosen));
    ASSERT_TRUE(app_.PressDialogButton(chooser, IDOK));

    // No question about the chosen folder itself for "blog/": it is saved as "_".
    EXPECT_EQ(AnswerMessageBox(IDOK), kAllCopied);
    ASSERT_NO_FATAL_FAILURE(ExpectNothingElseShown());
    EXPECT_EQ(testkit::FilesIn(chosen),
              (std::vector<std::string>{".._.._evil.dll", "_", "_nul.gif", "a_b.gif", "name", "ok.gif"}));
    // "name." is saved as "name", the name Windows makes, and its mark is on that file.
    EXPECT_EQ(MarkOf(chosen + "\\name"), InternetMark(site_ + "name."));
    EXPECT_FALSE(Exists(chosen + "\\name.:Zone.Identifier"));
    EXPECT_EQ(testkit::ReadWholeFile(chosen + "\\_"), content_["blog/?p=123"]);
    EXPECT_EQ(testkit::ReadWholeFile(chosen + "\\.._.._evil.dll"), content_["..\\..\\evil.dll"]);
    EXPECT_EQ(testkit::ReadWholeFile(chosen + "\\a_b.gif"), content_["a:b.gif"]);
    EXPECT_EQ(testkit::ReadWholeFile(chosen + "\\_nul.gif"), content_["img/nul.gif"]);
    EXPECT_EQ(testkit::FilesIn(out_), std::vector<std::string>{"a"});
    EXPECT_EQ(testkit::FilesIn(out_ + "\\a"), std::vector<std::string>{"b"});
    EXPECT_EQ(SaveFolderSetting(), chosen);
}

// Internet Explorer keys the cache by the address it sent: a path's
// characters outside ASCII as escaped UTF-8. The list, Save As and the copies
// show those names as the browser does, in code page 932; what a browser
// keeps escaped (ASCII, bidirectional controls, what 932 cannot spell,
// Shift_JIS escaped by a page) stays as the cache holds it. The Japanese
// address typed into the box finds its folder.
TEST_F(Save, EscapedUtf8NamesShowAndSaveAsTheBrowserShowsThem) {
    const std::string folder = "%E5%86%99%E7%9C%9F/";  // 写真/
    ASSERT_NO_FATAL_FAILURE(Commit(folder + "%E7%94%BB%E5%83%8F.jpg", "jpg"));  // 画像.jpg
    ASSERT_NO_FATAL_FAILURE(Commit(folder + "%E8%A1%A8.gif", "gif"));           // 表.gif, trail byte 0x5C
    ASSERT_NO_FATAL_FAILURE(Commit(folder + "%83%65%83%58%83%67.txt", "txt"));  // テスト in Shift_JIS
    ASSERT_NO_FATAL_FAILURE(Commit("a%20b%2Fc.txt", "txt"));
    ASSERT_NO_FATAL_FAILURE(Commit("%E2%80%AEgpj.exe", "exe"));  // right-to-left override
    ASSERT_NO_FATAL_FAILURE(Commit("%F0%9F%98%80.png", "png"));  // an emoji
    ASSERT_NO_FATAL_FAILURE(StartAndCollect());
    EXPECT_EQ(ListedPaths(), (std::vector<std::string>{"%E2%80%AEgpj.exe", "%F0%9F%98%80.png", "a%20b%2Fc.txt",
                                                       "写真/%83%65%83%58%83%67.txt", "写真/画像.jpg", "写真/表.gif"}));
    EXPECT_EQ(app_.CellText(rowOf_.at("写真/画像.jpg"), 1), "jpg");
    EXPECT_EQ(ProposedName("写真/画像.jpg"), "画像.jpg");

    HWND chooser = OpenChooser({"写真/画像.jpg", "写真/表.gif", "写真/%83%65%83%58%83%67.txt", "%E2%80%AEgpj.exe"});
    ASSERT_NE(chooser, nullptr);
    ASSERT_NO_FATAL_FAILURE(ChooseIn(chooser, out_));
    ASSERT_TRUE(app_.PressDialogButton(chooser, IDOK));
    EXPECT_EQ(AnswerMessageBox(IDOK), kAllCopied);
    ASSERT_NO_FATAL_FAILURE(ExpectNothingElseShown());
    EXPECT_EQ(testkit::FilesIn(out_),
              (std::vector<std::string>{"%83%65%83%58%83%67.txt", "%E2%80%AEgpj.exe", "画像.jpg", "表.gif"}));
    EXPECT_EQ(testkit::ReadWholeFile(Out("画像.jpg")), content_[folder + "%E7%94%BB%E5%83%8F.jpg"]);
    EXPECT_EQ(testkit::ReadWholeFile(Out("表.gif")), content_[folder + "%E8%A1%A8.gif"]);
    EXPECT_EQ(MarkOf(Out("画像.jpg")), InternetMark(site_ + folder + "%E7%94%BB%E5%83%8F.jpg"));

    ASSERT_TRUE(app_.SetAddress(site_ + "写真/画像.jpg"));
    ASSERT_TRUE(app_.Click(IDC_COLLECT));
    EXPECT_EQ(app_.Address(), site_ + "写真/");
    ASSERT_NO_FATAL_FAILURE(ReadRowOrder());
    EXPECT_EQ(ListedPaths(), (std::vector<std::string>{"%83%65%83%58%83%67.txt", "画像.jpg", "表.gif"}));
}

}  // namespace
