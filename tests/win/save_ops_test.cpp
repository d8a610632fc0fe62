// The save commands in process, on a real list view and real files, with the
// SaveOps seam recording the dialogs and message boxes and answering them,
// and failing a copy at a chosen row (which the real platform cannot be made
// to do halfway through a loop). The real dialogs are driven end to end in
// tests/e2e.
#include "save/save.h"

#include <cderr.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cwchar>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/program.h"
#include "save/body_save_win.h"
#include "save/folder_chooser.h"
#include "save/zone_mark_win.h"
#include "text/wide_text_win.h"
#include "tools/testkit/deflated.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

const char kCopyError[] = "キャッシュデータのコピー中にエラーが発生しました";
const char kCopied[] = "キャッシュデータをコピーしました";
const char kAllCopied[] = "選択されたキャッシュデータのコピーが完了しました";
const char kQuestion[] = "は、すでに存在します。上書きして、処理を続けてよろしいですか？";

// The texts as a test process in code page 932 reads them, for the events.
std::string Ansi(const std::wstring& text) { return AnsiFromWideForDisplay(text); }

struct Box {
    std::wstring text, caption;  // what the seam saw: UTF-16
    UINT style;
    HWND owner;
};

// What the save commands did, in order, and how the test answers them.
struct Script {
    std::vector<std::string> events;  // "copy <dest>", "box <text>", "write <value>"
    std::vector<Box> boxes;
    std::map<std::string, std::string> profile;  // "SaveFolder" when set
    int copies = 0;
    int failCopy = 0;      // this copy (1-based) fails
    int answer = IDYES;    // to every question
    // Save As
    bool saveAsAnswer = true;
    std::wstring saveAsChoice;
    OPENFILENAMEW request{};
    std::string proposed, filter, title;
    int saveAsCalls = 0;
    // Folder chooser: the folder the real dialog is turned to, and what it was opened on.
    std::string chooseFolder;
    bool cancelChooser = false;
    std::vector<std::string> chooserOpenedOn;
    bool noFileSystemPath = false;  // the chosen item has no file-system path
    std::wstring chosenPathInstead;  // the chosen item's path, when set
    int listsReturned = 0, listsFreed = 0;
    UINT chooserFlags = 0;
} script;

// The folder chooser's item-id lists, counted on their way in and out.
PIDLIST_ABSOLUTE WINAPI CountingBrowse(LPBROWSEINFOW info) {
    script.chooserFlags = info->ulFlags;
    PIDLIST_ABSOLUTE list = SHBrowseForFolderW(info);
    if (list) ++script.listsReturned;
    return list;
}
void WINAPI CountingFree(LPVOID list) {
    ++script.listsFreed;
    CoTaskMemFree(list);
}
BOOL WINAPI PathOrNone(PCIDLIST_ABSOLUTE list, LPWSTR path) {
    if (script.noFileSystemPath) return FALSE;
    if (!script.chosenPathInstead.empty()) return lstrcpynW(path, script.chosenPathInstead.c_str(), MAX_PATH) != nullptr;
    return SHGetPathFromIDListW(list, path);
}

BOOL WINAPI ScriptedSaveAs(LPOPENFILENAMEW request) {
    ++script.saveAsCalls;
    script.request = *request;
    script.proposed = Ansi(request->lpstrFile);
    script.title = Ansi(request->lpstrTitle ? request->lpstrTitle : L"");
    if (request->lpstrFilter) {
        const wchar_t* end = request->lpstrFilter;
        while (end[0] != L'\0' || end[1] != L'\0') ++end;
        script.filter = Ansi(std::wstring(request->lpstrFilter, end + 2));
    }
    if (!script.saveAsAnswer) return FALSE;
    lstrcpynW(request->lpstrFile, script.saveAsChoice.c_str(), request->nMaxFile);
    return TRUE;
}

// Copies as Windows does, which refuses to replace a read-only, hidden or
// system file; Wine replaces it.
BOOL WINAPI ScriptedCopy(LPCSTR source, LPCSTR destination, BOOL failIfExists) {
    script.events.push_back(std::string("copy ") + destination);
    const DWORD existing = GetFileAttributesA(destination);
    if (++script.copies == script.failCopy) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    if (existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return CopyFileA(source, destination, failIfExists);
}

std::string Gzipped(const std::string& text) { return testkit::Deflated(text, 16 + 15); }

// A browser entry's raw body, in pieces of 1000 bytes; from changeAt on it
// reports that the entry changed.
struct EntryBody : BodyReader {
    std::string body;
    size_t at = 0, changeAt = std::string::npos;
    explicit EntryBody(std::string raw) : body(std::move(raw)) {}
    bool Read(unsigned char* buffer, size_t size, size_t& count) override {
        if (at >= changeAt) return false;
        count = std::min({size, size_t{1000}, body.size() - at});
        body.copy(reinterpret_cast<char*>(buffer), count, at);
        at += count;
        return true;
    }
};

// The copy as the save commands make it of a body that is decoded on its way
// out: the cached file's bytes gzipped here and decoded into the destination;
// the copy that is to fail gets its body cut short.
BOOL WINAPI DecodingCopy(LPCSTR source, LPCSTR destination, BOOL) {
    script.events.push_back(std::string("copy ") + destination);
    std::string body = Gzipped(testkit::ReadWholeFile(source));
    if (++script.copies == script.failCopy) body.resize(body.size() / 2);
    EntryBody reader(body);
    return WriteDecodedBody(reader, "gzip", destination);
}

BOOL WINAPI FailingWrite(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) {
    *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

int WINAPI ScriptedBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style) {
    script.events.push_back("box " + Ansi(text));
    script.boxes.push_back({text, caption, style, owner});
    return (style & MB_YESNO) ? script.answer : IDOK;
}

DWORD WINAPI ScriptedRead(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size, LPCSTR) {
    EXPECT_STREQ(section, "Tessiwok");
    auto found = script.profile.find(key);
    lstrcpynA(buffer, found == script.profile.end() ? fallback : found->second.c_str(), size);
    return lstrlenA(buffer);
}

BOOL WINAPI ScriptedWrite(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR) {
    EXPECT_STREQ(section, "Tessiwok");
    EXPECT_STREQ(key, "SaveFolder");
    script.events.push_back(std::string("write ") + value);
    script.profile[key] = value;
    return TRUE;
}

// The real Save As, answered from a timer of this thread once it shows: each
// text in turn typed into its file name field (the inner Edit of cmb13), then
// Save. A folder's path makes the dialog browse into that folder.
std::vector<std::string> saveAsTyped;
BOOL CALLBACK FindFileNameEdit(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (GetDlgCtrlID(window) != 0x047C || lstrcmpA(name, "Edit") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}
BOOL CALLBACK TypeIntoSaveAs(HWND window, LPARAM) {
    HWND edit = nullptr;
    if (IsWindowVisible(window)) EnumChildWindows(window, FindFileNameEdit, reinterpret_cast<LPARAM>(&edit));
    if (edit == nullptr || saveAsTyped.empty()) return TRUE;
    SetWindowTextA(edit, saveAsTyped.front().c_str());
    saveAsTyped.erase(saveAsTyped.begin());
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return FALSE;
}
void CALLBACK AnswerSaveAs(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), TypeIntoSaveAs, 0);
}
BOOL WINAPI AnsweredSaveAs(LPOPENFILENAMEW request) {
    script.request = *request;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerSaveAs);
    const BOOL chosen = GetSaveFileNameW(request);
    KillTimer(nullptr, timer);
    return chosen;
}

// The real folder-browse dialog, turned from inside to the test's folder and
// then confirmed (or cancelled) as soon as it is initialised.
LRESULT WINAPI TurningSend(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != BFFM_SETSELECTIONW) return SendMessageW(dialog, message, wParam, lParam);
    script.chooserOpenedOn.push_back(Ansi(reinterpret_cast<const wchar_t*>(lParam)));
    testkit::SettleDirectoryTimes(script.chooseFolder);
    SendMessageW(dialog, message, TRUE, reinterpret_cast<LPARAM>(WideFromAnsi(script.chooseFolder).c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(script.cancelChooser ? IDCANCEL : IDOK, BN_CLICKED), 0);
    return 0;
}

class SaveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&init);
    }

    void SetUp() override {
        script = Script{};
        saveOps = realSaveOps;
        saveOps.getSaveFileName = ScriptedSaveAs;
        saveOps.copyFile = ScriptedCopy;
        saveOps.messageBox = ScriptedBox;
        saveOps.readProfileString = ScriptedRead;
        saveOps.writeProfileString = ScriptedWrite;
        folderChooserOps = realFolderChooserOps;
        folderChooserOps.sendMessage = TurningSend;
        folderChooserOps.browseForFolder = CountingBrowse;
        folderChooserOps.freeIdList = CountingFree;
        folderChooserOps.getPathFromIdList = PathOrNone;
        zoneMarkOps = realZoneMarkOps;

        dialog_ = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        list_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT | LVS_OWNERDATA, 0, 0, 200, 200,
                                nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(list_, nullptr);
        sources_ = testkit::MakeScratchDirectory(testkit::UniqueName("savesrc"));
        out_ = testkit::MakeScratchDirectory(testkit::UniqueName("saveout"));
        script.chooseFolder = out_;
        entryStore.Clear();
    }

    void TearDown() override {
        EXPECT_EQ(script.listsFreed, script.listsReturned) << "every item-id list is freed, once";
        saveOps = realSaveOps;
        folderChooserOps = realFolderChooserOps;
        zoneMarkOps = realZoneMarkOps;
        entryStore.Clear();
        DestroyWindow(list_);
        DestroyWindow(dialog_);
    }

    // One entry per relative path, each with a cached file of its own content.
    void Fill(const std::vector<std::string>& paths, const std::string& extension = "gif") {
        for (size_t i = 0; i < paths.size(); ++i) {
            CacheEntry entry;
            entry.relativePath = paths[i];
            entry.extension = extension;
            entry.localFile = sources_ + "\\cached" + std::to_string(i);
            entry.sourceUrl = "http://zone.test/" + paths[i];
            ASSERT_TRUE(testkit::WriteWholeFile(entry.localFile, Content(i)));
            entryStore.Append(entry);
        }
        SendMessageA(list_, LVM_SETITEMCOUNT, paths.size(), 0);
    }
    static std::string Content(size_t row) { return "bytes of row " + std::to_string(row); }

    void Select(std::vector<int> rows) {
        for (int row : rows) {
            LVITEMA item{};
            item.stateMask = LVIS_SELECTED;
            item.state = LVIS_SELECTED;
            SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
        }
    }

    std::string Out(const std::string& name) const { return out_ + "\\" + name; }
    bool Exists(const std::string& path) const { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    HWND dialog_ = nullptr;
    HWND list_ = nullptr;
    std::string sources_, out_;
};

TEST_F(SaveTest, OneEntryGoesThroughSaveAsAndRemembersItsFolder) {
    ASSERT_NO_FATAL_FAILURE(Fill({"img/a.gif", "img/logo.gif", "c.gif"}));
    Select({2, 1});  // the first selected row is the lowest: 1
    script.profile["SaveFolder"] = "C:\\data";
    script.saveAsChoice = WideFromAnsi(Out("chosen.gif"));

    SaveOneEntry(list_, dialog_);

    EXPECT_EQ(script.request.lStructSize, static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400W));
    EXPECT_EQ(script.request.hwndOwner, dialog_);
    EXPECT_EQ(script.request.Flags, static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR));
    EXPECT_EQ(script.request.nMaxFile, 260u);
    EXPECT_EQ(script.request.nFilterIndex, 0u);
    EXPECT_EQ(script.request.lpstrInitialDir, nullptr);
    EXPECT_EQ(script.request.lpstrDefExt, nullptr);
    EXPECT_EQ(script.title, "キャッシュデータの保存先の決定");
    EXPECT_EQ(script.proposed, "C:\\data\\logo.gif");
    EXPECT_EQ(script.filter, std::string("gif file(*.gif)\0*.gif\0\0", 23));

    EXPECT_EQ(testkit::ReadWholeFile(Out("chosen.gif")), Content(1));
    EXPECT_EQ(script.profile["SaveFolder"], out_);  // no trailing backslash
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0].text, L"キャッシュデータをコピーしました");
    EXPECT_EQ(script.boxes[0].caption, L"Tessiwok");
    EXPECT_EQ(script.boxes[0].style, static_cast<UINT>(MB_OK));
    EXPECT_EQ(script.boxes[0].owner, dialog_);
}

// Without OFN_NOCHANGEDIR the folder chosen in Save As would stay the
// process's current directory: it could not be renamed, deleted or ejected
// while Tessiwok runs.
TEST_F(SaveTest, SaveAsLeavesTheCurrentDirectoryAlone) {
    ASSERT_NO_FATAL_FAILURE(Fill({"img/logo.gif"}));
    Select({0});
    saveOps.getSaveFileName = AnsweredSaveAs;
    saveAsTyped = {out_, "logo.gif"};  // into the folder, as a user clicking through it would
    char before[MAX_PATH] = {}, after[MAX_PATH] = {};
    ASSERT_NE(GetCurrentDirectoryA(sizeof before, before), 0u);

    SaveOneEntry(list_, dialog_);

    ASSERT_NE(GetCurrentDirectoryA(sizeof after, after), 0u);
    EXPECT_EQ(testkit::ReadWholeFile(Out("logo.gif")), Content(0));
    EXPECT_STREQ(after, before);
}

TEST_F(SaveTest, OneEntryWithoutExtensionOrSelectionOrConfirmation) {
    ASSERT_NO_FATAL_FAILURE(Fill({"x"}, ""));
    SaveOneEntry(list_, dialog_);  // nothing selected
    EXPECT_EQ(script.saveAsCalls, 0);

    Select({0});
    script.saveAsAnswer = false;  // cancelled
    SaveOneEntry(list_, dialog_);
    EXPECT_EQ(script.saveAsCalls, 1);
    EXPECT_EQ(script.request.lpstrFilter, nullptr);
    EXPECT_EQ(script.proposed, "x");  // no folder remembered
    EXPECT_TRUE(script.events.empty());
}

TEST_F(SaveTest, FailedSingleCopyLeavesTheFolderAndSaysSo) {
    ASSERT_NO_FATAL_FAILURE(Fill({"a.gif"}));
    Select({0});
    script.profile["SaveFolder"] = "C:\\before";
    script.saveAsChoice = WideFromAnsi(Out("a.gif"));
    script.failCopy = 1;

    SaveOneEntry(list_, dialog_);

    EXPECT_EQ(script.profile["SaveFolder"], "C:\\before");
    EXPECT_EQ(script.events, (std::vector<std::string>{"copy " + Out("a.gif"), std::string("box ") + kCopyError}));
    EXPECT_EQ(script.boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
}

TEST_F(SaveTest, SeveralEntriesInRowOrderAfterTheFolderIsRemembered) {
    ASSERT_NO_FATAL_FAILURE(Fill({"a/one.gif", "b/two.gif", "c/three.gif", "d/four.gif"}));
    Select({3, 0, 2});
    script.profile["SaveFolder"] = "C:\\remembered";

    SaveSelectedEntries(list_, dialog_);

    EXPECT_EQ(script.chooserOpenedOn, std::vector<std::string>{"C:\\remembered"});
    EXPECT_EQ(script.events, (std::vector<std::string>{
                                 "write " + out_,
                                 "copy " + Out("one.gif"),
                                 "copy " + Out("three.gif"),
                                 "copy " + Out("four.gif"),
                                 std::string("box ") + kAllCopied,
                             }));
    EXPECT_EQ(script.boxes.back().style, static_cast<UINT>(MB_OK));
    EXPECT_EQ(testkit::ReadWholeFile(Out("three.gif")), Content(2));
    EXPECT_FALSE(Exists(Out("two.gif")));
}

TEST_F(SaveTest, CopyFailingHalfwayEndsEverythingWithOneMessage) {
    ASSERT_NO_FATAL_FAILURE(Fill({"one.gif", "two.gif", "three.gif"}));
    Select({0, 1, 2});
    script.failCopy = 2;

    SaveSelectedEntries(list_, dialog_);

    EXPECT_EQ(script.events, (std::vector<std::string>{
                                 "write " + out_,
                                 "copy " + Out("one.gif"),
                                 "copy " + Out("two.gif"),
                                 std::string("box ") + kCopyError,
                             }));
    EXPECT_EQ(script.boxes.back().style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_TRUE(Exists(Out("one.gif")));
    EXPECT_FALSE(Exists(Out("three.gif")));
}

TEST_F(SaveTest, ExistingDestinationIsAskedAboutAndNoStopsSilently) {
    ASSERT_NO_FATAL_FAILURE(Fill({"a/x.gif", "b/x.gif", "c/y.gif"}));
    Select({0, 1, 2});
    script.answer = IDNO;

    SaveSelectedEntries(list_, dialog_);

    EXPECT_EQ(script.events, (std::vector<std::string>{
                                 "write " + out_,
                                 "copy " + Out("x.gif"),
                                 "box " + Out("x.gif") + kQuestion,
                             }));
    EXPECT_EQ(script.boxes.back().style, static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
    EXPECT_EQ(script.boxes.back().text,
              WideFromAnsi(Out("x.gif")) + L"は、すでに存在します。上書きして、処理を続けてよろしいですか？");
    EXPECT_EQ(testkit::ReadWholeFile(Out("x.gif")), Content(0));  // kept, not overwritten

    script.events.clear();
    script.answer = IDYES;
    SaveSelectedEntries(list_, dialog_);
    std::string events;
    for (const std::string& event : script.events) events += "\n  " + event;
    EXPECT_EQ(script.events.size(), 7u) << events;  // write, ask+copy, ask+copy, copy, done
    EXPECT_EQ(testkit::ReadWholeFile(Out("x.gif")), Content(1));
    EXPECT_EQ(script.boxes.back().text, L"選択されたキャッシュデータのコピーが完了しました");
}

TEST_F(SaveTest, DestinationThatDoesNotFitIsACopyErrorNotACutName) {
    // The folder prefix and this name need 260 bytes: one more than a path holds.
    const std::string longName = std::string(259 - (out_.size() + 1), 'n');
    ASSERT_NO_FATAL_FAILURE(Fill({"fits.gif", "dir/" + longName + "x", "after.gif"}));
    Select({0, 1, 2});

    SaveSelectedEntries(list_, dialog_);

    EXPECT_EQ(script.events, (std::vector<std::string>{
                                 "write " + out_,
                                 "copy " + Out("fits.gif"),
                                 std::string("box ") + kCopyError,
                             }));
    EXPECT_FALSE(Exists(Out(longName)));
    EXPECT_FALSE(Exists(Out("after.gif")));
}

TEST_F(SaveTest, CancelledChooserWritesAndCopiesNothing) {
    ASSERT_NO_FATAL_FAILURE(Fill({"one.gif", "two.gif"}));
    Select({0, 1});
    script.cancelChooser = true;
    SaveSelectedEntries(list_, dialog_);
    EXPECT_EQ(script.chooserOpenedOn.size(), 1u);
    EXPECT_TRUE(script.events.empty());
    EXPECT_TRUE(script.profile.empty());
}

// The real Save As dialog, failing: a request the platform refuses.
BOOL WINAPI RefusedSaveAs(LPOPENFILENAMEW request) {
    ++script.saveAsCalls;
    OPENFILENAMEW broken = *request;
    broken.lStructSize = 1;
    return GetSaveFileNameW(&broken);
}

TEST_F(SaveTest, SaveAsCancelledOrFailingLeavesEverythingAsItWas) {
    struct Row {
        const char* what;
        decltype(saveOps.getSaveFileName) dialog;
    } rows[] = {
        {"cancelled", ScriptedSaveAs},
        {"failing", RefusedSaveAs},
    };
    ASSERT_NO_FATAL_FAILURE(Fill({"img/a.gif"}));
    Select({0});
    for (const Row& row : rows) {
        script = Script{};
        script.profile["SaveFolder"] = "C:\\before";
        script.saveAsAnswer = false;
        saveOps.getSaveFileName = row.dialog;
        SaveOneEntry(list_, dialog_);
        EXPECT_EQ(script.saveAsCalls, 1) << row.what;
        EXPECT_TRUE(script.events.empty()) << row.what << ": no copy, no write, no message";
        EXPECT_EQ(script.profile["SaveFolder"], "C:\\before") << row.what;
    }
    EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
    EXPECT_TRUE(testkit::FilesIn(out_).empty());
}

// A path chosen in Save As that the ANSI code page (932 here) cannot spell
// exactly: Hangul has no spelling, "¥" only the look-alike "\" (the copy
// would go to a folder "a"), and a name of hiragana makes the path 260 bytes
// long, one more than a path holds. The copy error, and nothing copied or
// remembered.
// A choice longer than the dialog's buffer (300 characters typed) makes
// GetSaveFileNameW fail with FNERR_BUFFERTOOSMALL: the user chose, so it is
// the copy error, not the silence of a cancel. A chosen "name." is copied and
// marked as "name", the file Windows makes of it.
BOOL WINAPI ChoiceTooLong(LPOPENFILENAMEW) {
    ++script.saveAsCalls;
    return FALSE;
}
DWORD WINAPI BufferTooSmall() { return FNERR_BUFFERTOOSMALL; }

TEST_F(SaveTest, SaveAsChoiceTooLongOrEndingInADot) {
    ASSERT_NO_FATAL_FAILURE(Fill({"img/a.gif"}));
    Select({0});
    script.profile["SaveFolder"] = "C:\\before";
    saveOps.getSaveFileName = ChoiceTooLong;
    saveOps.commDlgExtendedError = BufferTooSmall;
    SaveOneEntry(list_, dialog_);
    EXPECT_EQ(script.events, std::vector<std::string>{std::string("box ") + kCopyError});
    EXPECT_EQ(script.profile["SaveFolder"], "C:\\before");

    script = Script{};
    saveOps.getSaveFileName = ScriptedSaveAs;
    script.saveAsChoice = WideFromAnsi(Out("name. ."));
    SaveOneEntry(list_, dialog_);
    EXPECT_EQ(script.events.front(), "copy " + Out("name"));
    EXPECT_EQ(testkit::FilesIn(out_), std::vector<std::string>{"name"});
    EXPECT_TRUE(Exists(Out("name:Zone.Identifier")));
}

TEST_F(SaveTest, SaveAsPathTheAnsiCodePageCannotSpellIsRefused) {
    ASSERT_NO_FATAL_FAILURE(Fill({"img/logo.gif"}));
    Select({0});
    const std::wstring folder = WideFromAnsi(out_) + L"\\";
    const size_t nameBytes = 260 - (out_.size() + 1);
    const std::pair<const char*, std::wstring> rows[] = {
        {"Hangul", folder + L"\uD55C.gif"},
        {"a look-alike", folder + L"a\u00A5b.gif"},
        {"260 bytes", folder + std::wstring(nameBytes % 2, L'a') + std::wstring(nameBytes / 2, L'\u3042')},
    };
    for (const auto& [what, path] : rows) {
        ASSERT_LT(path.size(), 260u) << what << ": fits the dialog's buffer";
        script = Script{};
        script.profile["SaveFolder"] = "C:\\before";
        script.saveAsChoice = path;
        SaveOneEntry(list_, dialog_);
        EXPECT_EQ(script.events, std::vector<std::string>{std::string("box ") + kCopyError}) << what;
        EXPECT_EQ(script.profile["SaveFolder"], "C:\\before") << what;
    }
    EXPECT_TRUE(testkit::FilesIn(out_).empty());
}

// Windows' CopyFile refuses to replace a read-only or hidden file (the seam's
// copy does as Windows does). Once the user agreed, in Save As or to the
// program's question, the file is replaced; after No it keeps its attribute,
// and a failed copy puts the attribute back. A folder of that name is no
// file to replace: the copy error, and no question.
TEST_F(SaveTest, AgreedReplacementOfReadOnlyOrHiddenFilesNeverOfAFolder) {
    struct Row {
        const char* what;
        DWORD attribute;  // of what stands at the destination
        bool saveAs;      // one entry through Save As, else several
        int answer;
        bool failCopy, replaced;
        bool decoded = false;  // the body goes through WriteDecodedBody
    } rows[] = {
        {"read-only, Yes", FILE_ATTRIBUTE_READONLY, false, IDYES, false, true},
        {"hidden, Yes", FILE_ATTRIBUTE_HIDDEN, false, IDYES, false, true},
        {"read-only, Save As", FILE_ATTRIBUTE_READONLY, true, IDYES, false, true},
        {"hidden, Save As", FILE_ATTRIBUTE_HIDDEN, true, IDYES, false, true},
        {"read-only, No", FILE_ATTRIBUTE_READONLY, false, IDNO, false, false},
        {"hidden, Yes, the copy fails", FILE_ATTRIBUTE_HIDDEN, false, IDYES, true, false},
        {"system (desktop.ini), Yes", FILE_ATTRIBUTE_SYSTEM, false, IDYES, false, true},
        {"system, Save As", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN, true, IDYES, false, true},
        {"system, Yes, the copy fails", FILE_ATTRIBUTE_SYSTEM, false, IDYES, true, false},
        {"a folder", FILE_ATTRIBUTE_DIRECTORY, false, IDYES, false, false},
        {"read-only, Yes, decoded body", FILE_ATTRIBUTE_READONLY, false, IDYES, false, true, true},
        {"system, Save As, decoded body", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN, true, IDYES, false, true, true},
        {"hidden, Yes, body cut short", FILE_ATTRIBUTE_HIDDEN, false, IDYES, true, false, true},
    };
    ASSERT_NO_FATAL_FAILURE(Fill({"x.gif"}));
    Select({0});
    for (const Row& row : rows) {
        script = Script{};
        script.chooseFolder = out_ = testkit::MakeScratchDirectory(testkit::UniqueName("replace"));
        const std::string destination = Out("x.gif");
        if (row.attribute == FILE_ATTRIBUTE_DIRECTORY) {
            ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));
        } else {
            ASSERT_TRUE(testkit::WriteWholeFile(destination, "kept"));
            ASSERT_TRUE(SetFileAttributesA(destination.c_str(), row.attribute));
            ASSERT_NE(GetFileAttributesA(destination.c_str()) & row.attribute, 0u) << row.what;
        }
        script.answer = row.answer;
        script.failCopy = row.failCopy ? 1 : 0;
        script.saveAsChoice = WideFromAnsi(destination);
        saveOps.copyFile = row.decoded ? DecodingCopy : ScriptedCopy;

        if (row.saveAs) {
            SaveOneEntry(list_, dialog_);
        } else {
            SaveSelectedEntries(list_, dialog_);
        }

        const DWORD after = GetFileAttributesA(destination.c_str());
        if (row.attribute == FILE_ATTRIBUTE_DIRECTORY) {
            EXPECT_EQ(script.events, (std::vector<std::string>{"write " + out_, std::string("box ") + kCopyError}));
            EXPECT_NE(after & FILE_ATTRIBUTE_DIRECTORY, 0u);
            continue;
        }
        EXPECT_EQ(testkit::ReadWholeFile(destination), row.replaced ? Content(0) : "kept") << row.what;
        EXPECT_EQ((after & row.attribute) != 0, !row.replaced) << row.what;
        EXPECT_EQ(testkit::FilesIn(out_), std::vector<std::string>{"x.gif"}) << row.what << ": a temporary file stayed";
        if (row.decoded) {
            EXPECT_EQ(Exists(destination + ":Zone.Identifier"), row.replaced) << row.what;
        }
        if (!row.saveAs) {
            EXPECT_EQ(script.boxes.front().style, static_cast<UINT>(MB_ICONQUESTION | MB_YESNO)) << row.what;
        }
    }
}

// A browser entry's body decoded into place: whole, or nothing and the old
// file as it was, whatever stops it (the sink's writes fail through the seam,
// which no real disk here can be made to do).
TEST_F(SaveTest, DecodedBodyLandsWholeOrLeavesNoFile) {
    std::string page;
    for (int i = 0; page.size() < 200000; ++i) page += "<p>line " + std::to_string(i * 7919 % 10007) + "</p>\n";
    const std::string gzip = Gzipped(page);
    struct Row {
        const char* what;
        const char* encoding;
        std::string body;
        bool existing;
        size_t changeAt;
        bool writeFails, written;
    } rows[] = {
        {"gzip", "x-gzip", gzip, false, std::string::npos, false, true},
        {"gzip over a file", "gzip", gzip, true, std::string::npos, false, true},
        {"identity", "", page, true, std::string::npos, false, true},
        {"the entry changed while read", "gzip", gzip, true, gzip.size() / 2, false, false},
        {"not gzip at all", "gzip", page, true, std::string::npos, false, false},
        {"the disk refuses", "gzip", gzip, true, std::string::npos, true, false},
        {"the disk refuses, no file before", "gzip", gzip, false, std::string::npos, true, false},
        {"a dictionary encoding", "dcz", gzip, true, std::string::npos, false, false},
    };
    for (const Row& row : rows) {
        out_ = testkit::MakeScratchDirectory(testkit::UniqueName("decoded"));
        const std::string destination = Out("page.html");
        if (row.existing) {
            ASSERT_TRUE(testkit::WriteWholeFile(destination, "kept"));
        }
        bodyFileOps = realBodyFileOps;
        if (row.writeFails) bodyFileOps.writeFile = FailingWrite;
        EntryBody reader(row.body);
        reader.changeAt = row.changeAt;

        EXPECT_EQ(WriteDecodedBody(reader, row.encoding, destination.c_str()), row.written) << row.what;

        bodyFileOps = realBodyFileOps;
        const std::string content = testkit::ReadWholeFile(destination);
        EXPECT_TRUE(content == (row.written ? page : row.existing ? "kept" : "")) << row.what << ": " << content.size();
        EXPECT_EQ(testkit::FilesIn(out_), (row.written || row.existing ? std::vector<std::string>{"page.html"}
                                                                       : std::vector<std::string>{}))
            << row.what;
    }
}

// The profile functions on a settings file of the test's own that does not
// exist yet; the commands must still name the program's settings file.
std::string scratchSettings;
DWORD WINAPI ScratchRead(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size, LPCSTR file) {
    EXPECT_STREQ(file, settingsFile.Path());
    return GetPrivateProfileStringA(section, key, fallback, buffer, size, scratchSettings.c_str());
}
BOOL WINAPI ScratchWrite(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file) {
    EXPECT_STREQ(file, settingsFile.Path());
    script.events.push_back(std::string("write ") + value);
    return WritePrivateProfileStringA(section, key, value, scratchSettings.c_str());
}

std::string SettingOf(const char* key) {
    char value[260] = {};
    GetPrivateProfileStringA("Tessiwok", key, "(none)", value, sizeof value, scratchSettings.c_str());
    return value;
}

TEST_F(SaveTest, WithoutASettingsFileTheFirstSaveStartsFromNoFolderAndWritesIt) {
    scratchSettings = testkit::MakeScratchDirectory(testkit::UniqueName("nosettings")) + "\\Setting.ini";
    saveOps.readProfileString = ScratchRead;
    saveOps.writeProfileString = ScratchWrite;
    ASSERT_NO_FATAL_FAILURE(Fill({"img/logo.gif", "b.gif"}));

    Select({0});
    script.saveAsChoice = WideFromAnsi(Out("logo.gif"));
    SaveOneEntry(list_, dialog_);
    EXPECT_EQ(script.proposed, "logo.gif") << "the bare file name";
    EXPECT_EQ(SettingOf("SaveFolder"), out_);

    ASSERT_TRUE(DeleteFileA(scratchSettings.c_str()));
    Select({1});
    SaveSelectedEntries(list_, dialog_);
    EXPECT_EQ(script.chooserOpenedOn, std::vector<std::string>{""});
    EXPECT_EQ(SettingOf("SaveFolder"), out_);
    EXPECT_EQ(script.boxes.back().text, L"選択されたキャッシュデータのコピーが完了しました");
    DeleteFileA(scratchSettings.c_str());
}

// The chooser offers only folders of the file system (OK is greyed on
// Libraries, This PC, Network). Ending there writes and copies nothing: a
// cancel says nothing, an item without a file-system path that the dialog
// still gave back says that no copy was made.
TEST_F(SaveTest, ChooserWithoutAFolderWritesNothing) {
    struct Row {
        const char* what;
        bool cancel, noPath;
        std::vector<std::string> events;
        std::wstring path;  // the chosen folder's path, when not the real one
    } rows[] = {
        {"cancelled", true, false, {}, {}},
        {"an item without a file-system path", false, true, {std::string("box ") + kCopyError}, {}},
        {"a folder code page 932 cannot spell", false, false, {std::string("box ") + kCopyError}, L"C:\\\uD55C"},
    };
    ASSERT_NO_FATAL_FAILURE(Fill({"one.gif", "two.gif"}));
    Select({0, 1});
    for (const Row& row : rows) {
        script = Script{};
        script.chooseFolder = out_;
        script.profile["SaveFolder"] = "C:\\before";
        script.cancelChooser = row.cancel;
        script.noFileSystemPath = row.noPath;
        script.chosenPathInstead = row.path;
        SaveSelectedEntries(list_, dialog_);
        EXPECT_EQ(script.chooserFlags, static_cast<UINT>(BIF_RETURNONLYFSDIRS)) << row.what;
        EXPECT_EQ(script.chooserOpenedOn.size(), 1u) << row.what;
        EXPECT_EQ(script.events, row.events) << row.what;
        EXPECT_EQ(script.profile["SaveFolder"], "C:\\before") << row.what;
        EXPECT_EQ(script.listsFreed, script.listsReturned) << row.what;
    }
    EXPECT_TRUE(testkit::FilesIn(out_).empty());
}

// Every stop of a save of five rows: the rows before the stop are copied,
// nothing after it is looked at, a failed copy is never followed by the
// completion message, and the folder was remembered before the first copy.
TEST_F(SaveTest, EveryStopOfSeveralEndsAfterTheRowsBeforeIt) {
    const std::vector<std::string> names = {"one.gif", "two.gif", "three.gif", "four.gif", "five.gif"};
    struct Row {
        const char* what;
        int stopRow;       // 0-based row where the operation stops; 5: it does not
        bool answerNo;     // the stop row's destination exists and the answer is No
    } rows[] = {
        {"No to the question for the third row", 2, true},
        {"copy of the first row fails", 0, false},
        {"copy of the third row fails", 2, false},
        {"copy of the last row fails", 4, false},
        {"every row copied", 5, false},
    };
    for (const Row& row : rows) {
        script = Script{};
        script.chooseFolder = out_ = testkit::MakeScratchDirectory(testkit::UniqueName("stops"));
        script.profile["SaveFolder"] = "C:\\before";
        entryStore.Clear();
        ASSERT_NO_FATAL_FAILURE(Fill({"a/one.gif", "b/two.gif", "c/three.gif", "d/four.gif", "e/five.gif"}));
        Select({0, 1, 2, 3, 4});
        if (row.answerNo) {
            ASSERT_TRUE(testkit::WriteWholeFile(Out(names[row.stopRow]), "kept"));
            script.answer = IDNO;
        } else {
            script.failCopy = row.stopRow + 1;
        }

        SaveSelectedEntries(list_, dialog_);

        std::vector<std::string> expected = {"write " + out_};
        for (int i = 0; i < row.stopRow; ++i) expected.push_back("copy " + Out(names[i]));
        if (row.answerNo) {
            expected.push_back("box " + Out(names[row.stopRow]) + kQuestion);
        } else if (row.stopRow < 5) {
            expected.push_back("copy " + Out(names[row.stopRow]));
            expected.push_back(std::string("box ") + kCopyError);
        } else {
            expected.push_back(std::string("box ") + kAllCopied);
        }
        EXPECT_EQ(script.events, expected) << row.what;
        EXPECT_EQ(script.profile["SaveFolder"], out_) << row.what << ": changed before the first copy";
        for (int i = 0; i < 5; ++i) {
            if (i < row.stopRow)
                EXPECT_EQ(testkit::ReadWholeFile(Out(names[i])), Content(i)) << row.what << ", row " << i;
            else if (i == row.stopRow && row.answerNo)
                EXPECT_EQ(testkit::ReadWholeFile(Out(names[i])), "kept") << row.what;
            else
                EXPECT_FALSE(Exists(Out(names[i]))) << row.what << ", row " << i;
        }
        EXPECT_EQ(script.listsFreed, script.listsReturned) << row.what;
    }
}

// A mark that cannot be written (no streams on FAT32 or exFAT, a stream that
// stops halfway) leaves the copy unmarked and the command ends as always. A
// stream path past MAX_PATH is opened in the \\?\ form, which Windows needs
// for it (Wine takes either; its ...A file functions refuse such a path, so
// the test reads and deletes marks through the wide form). A hidden copy's
// stream is refused with FILE_ATTRIBUTE_NORMAL, as Windows does and Wine not.
std::wstring streamCreated;
bool noStreams = false;
bool hiddenCopies = false;
HANDLE WINAPI CreateStream(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how,
                           DWORD flags, HANDLE templateFile) {
    streamCreated = path;
    if (hiddenCopies) {
        const std::wstring file(path, static_cast<size_t>(wcsrchr(path, L':') - path));
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
        if ((flags & FILE_ATTRIBUTE_HIDDEN) == 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
    }
    if (!noStreams) return CreateFileW(path, access, share, security, how, flags, templateFile);
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
}
BOOL WINAPI HalfWritten(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED) {
    WriteFile(file, bytes, count / 2, written, nullptr);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}
std::wstring StreamOf(const std::string& file) {  // ASCII paths
    std::wstring path = L"\\\\?\\";
    for (char c : file + ":Zone.Identifier") path.push_back(static_cast<wchar_t>(c));
    return path;
}

// On NTFS a file's times belong to the file: writing the mark's stream moves
// the copy's modified time to now. Wine keeps the stream as a file of its
// own, so this write does what NTFS does; the copy must keep the cached
// file's time, as an unmarked copy does.
std::string movedCopy;
BOOL WINAPI WriteMovingTheCopysTime(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) {
    const BOOL wrote = WriteFile(file, bytes, count, written, overlapped);
    HANDLE copy = CreateFileA(movedCopy.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    EXPECT_TRUE(SetFileTime(copy, nullptr, nullptr, &now));
    CloseHandle(copy);
    return wrote;
}

TEST_F(SaveTest, MarkedCopyKeepsItsModifiedTime) {
    ASSERT_NO_FATAL_FAILURE(Fill({"a.gif"}));
    const FILETIME cached = testkit::UtcFileTime(2020, 2, 29, 12, 0, 0);
    HANDLE source = CreateFileA(entryStore.At(0).localFile.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_TRUE(SetFileTime(source, nullptr, nullptr, &cached));
    CloseHandle(source);
    Select({0});
    movedCopy = Out("a.gif");
    zoneMarkOps.writeFile = WriteMovingTheCopysTime;

    SaveSelectedEntries(list_, dialog_);

    EXPECT_EQ(script.events.back(), std::string("box ") + kAllCopied);
    EXPECT_TRUE(Exists(Out("a.gif:Zone.Identifier")));
    WIN32_FILE_ATTRIBUTE_DATA copy{};
    ASSERT_TRUE(GetFileAttributesExA(Out("a.gif").c_str(), GetFileExInfoStandard, &copy));
    EXPECT_EQ(CompareFileTime(&copy.ftLastWriteTime, &cached), 0);
}

TEST_F(SaveTest, MarkThatCannotBeWrittenLeavesTheCopyUnmarked) {
    struct Row {
        const char* what;
        bool noStreams, halfWritten, longPath, hidden;
    } rows[] = {
        {"no streams", true, false, false, false},
        {"write stops halfway", false, true, false, false},
        {"stream path past MAX_PATH: marked", false, false, true, false},
        {"hidden copy: marked", false, false, false, true},
    };
    zoneMarkOps.createFile = CreateStream;
    for (const Row& row : rows) {
        script = Script{};
        out_ = testkit::MakeScratchDirectory(testkit::UniqueName("marks"));
        if (row.longPath) {
            out_ += "\\" + std::string(249 - out_.size(), 'd');  // files of 256 bytes, streams of 272
            ASSERT_TRUE(CreateDirectoryA(out_.c_str(), nullptr));
        }
        script.chooseFolder = out_;
        noStreams = row.noStreams;
        hiddenCopies = row.hidden;
        zoneMarkOps.writeFile = row.halfWritten ? HalfWritten : WriteFile;
        entryStore.Clear();
        ASSERT_NO_FATAL_FAILURE(Fill({"a.gif", "b.gif"}));
        Select({0, 1});
        SaveSelectedEntries(list_, dialog_);

        EXPECT_EQ(script.events.back(), std::string("box ") + kAllCopied) << row.what;
        EXPECT_EQ(script.boxes.size(), 1u) << row.what;
        EXPECT_EQ(testkit::ReadWholeFile(Out("b.gif")), Content(1)) << row.what;
        EXPECT_EQ(streamCreated.compare(0, 4, L"\\\\?\\") == 0, row.longPath) << row.what;
        std::ifstream stream(StreamOf(Out("b.gif")).c_str(), std::ios::binary);
        const std::string mark{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
        EXPECT_EQ(mark, row.longPath || row.hidden ? "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=http://zone.test/b.gif\r\n" : "")
            << row.what;
        stream.close();
        for (const char* name : {"a.gif", "b.gif"}) DeleteFileW(StreamOf(Out(name)).c_str());
    }
}

// Any low process can write the low store: its file of a trusted site
// is marked as from the Internet; the own store's copy of it is not marked.
TEST_F(SaveTest, LowStoreCopyOfATrustedSiteIsMarkedInternet) {
    const std::string host = testkit::UniqueName("trusted") + ".test";
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains\\" + host;
    const DWORD trusted = 2;
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), "http", REG_DWORD, &trusted, sizeof trusted), 0);
    ASSERT_NO_FATAL_FAILURE(Fill({"own.gif", "low.gif"}));
    for (CacheEntry& entry : entryStore) entry.sourceUrl = "http://" + host + "/" + entry.relativePath;
    entryStore.At(1).store = RowStore::Low;
    Select({0, 1});
    SaveSelectedEntries(list_, dialog_);
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    EXPECT_FALSE(Exists(Out("own.gif:Zone.Identifier")));
    EXPECT_EQ(testkit::ReadWholeFile(Out("low.gif:Zone.Identifier")),
              "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=http://" + host + "/low.gif\r\n");
}

}  // namespace
