// Drives the real Tessiwok.exe from a separate test process, as a user would:
// start it, type into its address box, press its buttons and keys, click and
// select rows and column headers, read what the list shows, and answer the
// windows it opens (message boxes, Save As, folder chooser).
//
// Synchronisation: every wait is a bounded polling loop on a condition that the
// other process makes true; nothing sleeps and hopes. Actions that may open a
// modal window (a button, a key, a mouse click) are posted, never sent, so the
// caller is not blocked by that window; they return once the dialog's thread
// has handled them, or is running the loop of the window that they opened
// (see Settle). Actions that cannot open anything (selecting rows, reading
// cells) are sent and return when done.
//
// Texts are code page 932 bytes, as the program's own (the test sources are
// compiled with -fexec-charset=CP932, and Wine runs with ANSI code page 932).
//
// Typical use:
//
//     e2e::Tessiwok app;
//     ASSERT_TRUE(app.Start());                // a copy in a fresh folder
//     app.SetAddress("http://host/dir/page.html");
//     app.Click(IDC_COLLECT);
//     auto cells = app.ReadCells();            // rows x 5 columns
//     app.SelectRows({0, 2});
//     app.Click(IDC_SAVE);                     // opens the folder chooser
//     HWND chooser = app.WaitForOtherWindow();
//     ...
//     app.PressKey(VK_ESCAPE);
//     EXPECT_EQ(app.WaitForExit(), 0u);
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"

namespace e2e {

// Default bound for every wait: generous, since Wine on a shared machine can
// be slow to start a process; a wait that runs out fails the test rather than
// hanging it.
constexpr DWORD kDefaultTimeoutMs = 30000;

// The Tessiwok.exe that the build produced (the TESSIWOK_EXE environment
// variable overrides it), as a Windows path.
std::string BuiltExePath();

// Polls condition every few milliseconds until it is true or timeoutMs ran out;
// returns its last answer.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kDefaultTimeoutMs);

// ---- Windows of any process -------------------------------------------------

// The window's text through WM_GETTEXT (marshalled by the system across processes).
std::string WindowText(HWND window);
// Replaces the window's text through WM_SETTEXT, as pasting over a selection would.
bool SetWindowTextOf(HWND window, const std::string& text);
std::string ClassNameOf(HWND window);
// A descendant (child, grandchild, ...) with the control id and, when given,
// the class name (e.g. the inner "Edit" of a ComboBoxEx32); nullptr if none.
HWND FindDescendant(HWND parent, int id, const char* className = nullptr);
// Presses a push button or check box: BM_CLICK posted, so that a button that
// opens a modal window never blocks the caller. Does not wait.
bool PostClick(HWND button);
// The text of a MessageBoxA window (its Static with id 0xFFFF).
std::string MessageBoxText(HWND box);
// The same two in UTF-16 (WM_GETTEXT in Unicode), whatever this process's
// ANSI code page: for texts that must read the same under every code page.
std::wstring WindowTextW(HWND window);
std::wstring MessageBoxTextW(HWND box);
// Bytes of a code page as UTF-16, for comparing with those; WideFrom932 for
// this file's literals (code page 932), CP_ACP for this process's own texts.
std::wstring WideFromCodePage(UINT codePage, const std::string& text);
inline std::wstring WideFrom932(const std::string& text) { return WideFromCodePage(932, text); }
// The clipboard's CF_UNICODETEXT, or "(none)".
std::wstring ClipboardUnicodeText();

// ---- Memory in the other process --------------------------------------------

// A block of memory inside another process (VirtualAllocEx), for messages
// whose argument is a pointer that the system does not marshal (list view and
// header messages, WM_NOTIFY records, BFFM_SETSELECTIONA text).
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t bytes);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool Valid() const { return address_ != nullptr; }
    // The block's address in the other process, to pass as wParam or lParam.
    LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }
    char* At(size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(size_t offset, const void* bytes, size_t count);
    bool Read(size_t offset, void* bytes, size_t count) const;
    template <typename T> bool Write(const T& value, size_t offset = 0) { return Write(offset, &value, sizeof value); }
    template <typename T> bool Read(T& value, size_t offset = 0) const { return Read(offset, &value, sizeof value); }

private:
    HANDLE process_;
    void* address_ = nullptr;
    size_t size_ = 0;
};

// ---- One running Tessiwok ----------------------------------------------------

struct StartOptions {
    // Name of the per-test folder that receives the copy of Tessiwok.exe
    // (code page 932 bytes; a name ending in 表 tests the trail byte 0x5C).
    // Empty: a unique name is made up.
    std::string folderName;
    // When set, written to "Setting.ini" beside the copy before it starts.
    bool writeSettings = false;
    std::string settings;
    // Name of the copy inside the folder.
    std::string exeName = "Tessiwok.exe";
    // When set, this program (a Windows path) is started where it lies, in
    // its own folder, instead of a copy in a fresh one (folderName and
    // exeName are then not used).
    std::string inPlace;
    // The working folder the program starts in; empty: the program's folder.
    std::string workingFolder;
    // When set, the copy goes into a fresh folder of this UTF-16 name, which
    // the ANSI code page need not spell (田中 under 1252), and is started by
    // its exact path (CreateProcessW); Folder() is then the folder's short
    // name, which every code page spells (folderName is not used).
    std::wstring wideFolderName;
    // When set, this program (an exact UTF-16 path) is started that way where
    // it lies: a copy that an earlier start made in wideFolderName.
    std::wstring wideInPlace;
};

class Tessiwok {
public:
    Tessiwok() = default;
    ~Tessiwok();  // closes the program if it still runs (Terminate after a bounded wait)
    Tessiwok(const Tessiwok&) = delete;
    Tessiwok& operator=(const Tessiwok&) = delete;

    // Copies Tessiwok.exe into a fresh folder (or takes options.inPlace as it
    // lies), writes Setting.ini when asked,
    // starts the copy (CreateProcess, working folder = that folder) and waits
    // until its main dialog is visible. False (with a reason in LastError())
    // when any step fails or the dialog does not appear in time.
    bool Start(const StartOptions& options = {}, DWORD timeoutMs = kDefaultTimeoutMs);

    // The folder of the copy, with its trailing "\", and the copy's path.
    const std::string& Folder() const { return folder_; }
    const std::string& ExePath() const { return exePath_; }
    // The copy's exact path when it was started by one (StartOptions' wide
    // names), else "".
    const std::wstring& WideExePath() const { return wideExePath_; }
    std::string SettingsPath() const { return folder_ + "Setting.ini"; }
    HANDLE Process() const { return process_; }
    DWORD ProcessId() const { return processId_; }
    DWORD ThreadId() const { return threadId_; }
    const std::string& LastError() const { return error_; }

    // The main dialog and its controls.
    HWND Dialog() const { return dialog_; }
    HWND Control(int id) const { return GetDlgItem(dialog_, id); }
    HWND List() const { return Control(IDC_RESULTS); }
    HWND Header() const;  // the list's column header

    // Waits until the dialog's thread has handled everything posted to it so
    // far, or the process has ended; false when the wait ran out. It posts a
    // marker behind them (a new hover time for the list, which the program
    // never uses: it has no track-select style) and polls until it shows.
    bool Settle(DWORD timeoutMs = kDefaultTimeoutMs);

    // ---- Typing and pressing
    // Replaces the address box's text (WM_SETTEXT), as typing it would leave it.
    bool SetAddress(const std::string& text);
    std::string Address() const;
    // Presses a button of the dialog (BM_CLICK posted) and settles: returns
    // once its command has run, or once the window it opened (the save
    // button's Save As or folder chooser) runs its message loop.
    bool Click(int id, DWORD timeoutMs = kDefaultTimeoutMs);
    // Moves the keyboard focus to a control, as Tab would (WM_NEXTDLGCTL).
    bool Focus(int id);
    // The window that has the keyboard focus in the program (nullptr: none).
    HWND FocusedWindow() const;
    // Presses and releases a key in the control that has the focus, the way
    // the dialog's message loop sees a keystroke (WM_KEYDOWN and WM_KEYUP
    // posted), then settles. Meant for keys that type no character: Enter,
    // Escape, Tab, arrows, Delete.
    bool PressKey(UINT virtualKey);
    // A real keystroke, as from the keyboard: makes the dialog the foreground
    // window, moves the focus to the control, and sends the key's press and
    // release through SendInput, with Ctrl held around them when asked (the
    // program sees Ctrl in GetKeyState, which posted messages never set).
    // Does not settle: the thread takes input after its posted messages, so
    // the caller waits for the key's effect, or for that of a later key.
    bool TypeKey(int controlId, UINT virtualKey, bool withControl = false);
    // The same for several keys, pressed one after the other in one SendInput,
    // so that no pause comes between them (a list takes letters typed without
    // a pause as one word to find).
    bool TypeKeys(int controlId, const std::vector<UINT>& virtualKeys, bool withControl = false);

    // ---- The result list (cross-process list view messages)
    int RowCount() const;
    // The text the list shows in one cell (LVM_GETITEMTEXTA), "" on failure.
    // The capacity offered is the list's own (260 bytes with the NUL).
    std::string CellText(int row, int column, int capacity = 260) const;
    // Every cell: RowCount() rows of five texts.
    std::vector<std::vector<std::string>> ReadCells() const;
    // The columns as the list holds them (LVM_GETCOLUMNA): header text,
    // format (LVCFMT_LEFT, LVCFMT_RIGHT) and width in pixels; empty on failure.
    struct ColumnInfo {
        std::string text;
        int format = -1;
        int width = -1;
    };
    std::vector<ColumnInfo> Columns() const;
    // The header texts as the list gives them in Unicode (LVM_GETCOLUMNW).
    std::vector<std::wstring> ColumnTitlesW() const;
    // Makes exactly these rows selected (LVM_SETITEMSTATE), the first one
    // focused; the list notifies the dialog as it does for a user's selection.
    bool SelectRows(const std::vector<int>& rows);
    std::vector<int> SelectedRows() const;
    int SelectedCount() const;
    // A real click with the mouse on a row (posted button messages at the
    // row's centre; withControl adds MK_CONTROL), then settles.
    bool ClickRow(int row, bool withControl = false);
    // A real double click on a row, then settles (what it opens stays open).
    bool DoubleClickRow(int row);
    // A real click on a column header (posted to the header control, which
    // makes the list send LVN_COLUMNCLICK), then settles. (Sending the
    // notification itself is no way: Wine refuses WM_NOTIFY across processes.)
    bool ClickColumnHeader(int column);

    // ---- Other windows of the process
    // Top-level visible windows of this process other than the main dialog.
    std::vector<HWND> OtherWindows() const;
    // Waits for such a window (of the class, when given: "#32770" for message
    // boxes, Save As and the folder chooser); nullptr when none came in time.
    HWND WaitForOtherWindow(const char* className = nullptr, DWORD timeoutMs = kDefaultTimeoutMs) const;
    // Waits for a dialog box ("#32770") with this title: a message box
    // ("Tessiwok"), Save As or the folder chooser; nullptr when none came in time.
    HWND WaitForDialogTitled(const std::string& title, DWORD timeoutMs = kDefaultTimeoutMs) const;
    // Waits until no such window is left.
    bool WaitForNoOtherWindow(DWORD timeoutMs = kDefaultTimeoutMs) const;
    // Presses a button (IDOK, IDYES, IDNO, IDCANCEL, ...) of a dialog box that
    // the program opened, and settles.
    bool PressDialogButton(HWND box, int id);

    // ---- End
    // Waits for the process to end; its exit code, or STILL_ACTIVE when it
    // did not end in time.
    DWORD WaitForExit(DWORD timeoutMs = kDefaultTimeoutMs);
    bool Running() const;

private:
    bool Fail(const std::string& reason);
    bool PostMouse(HWND window, UINT message, WPARAM keys, POINT at);
    bool ItemRect(int row, RECT& rect) const;
    LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs = kDefaultTimeoutMs) const;

    std::string folder_;
    bool ownsFolder_ = false;  // a scratch folder of the driver's, removed with it
    std::string exePath_;
    std::wstring wideExePath_;
    std::string error_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND dialog_ = nullptr;
    DWORD marker_ = 0;  // the last hover time that Settle posted
};

}  // namespace e2e
