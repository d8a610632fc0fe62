// Drives the real Tessiwok.exe from another process.
#include "tests/e2e/driver.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "tools/testkit/paths.h"
#include "tools/testkit/process_start.h"

namespace e2e {

namespace {

constexpr DWORD kPollMs = 5;

struct ProcessWindows {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<ProcessWindows*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == found->processId && IsWindowVisible(window)) found->windows.push_back(window);
    return TRUE;
}

// Visible top-level windows of a process, topmost first.
std::vector<HWND> VisibleWindowsOf(DWORD processId) {
    ProcessWindows found{processId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

struct DescendantSearch {
    int id;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchDescendant(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DescendantSearch*>(context);
    if (GetDlgCtrlID(window) != search->id) return TRUE;
    if (search->className != nullptr && ClassNameOf(window) != search->className) return TRUE;
    search->found = window;
    return FALSE;
}

LPARAM PointParam(POINT at) { return MAKELPARAM(at.x, at.y); }

}  // namespace

std::string BuiltExePath() {
    const char* over = std::getenv("TESSIWOK_EXE");
    if (over != nullptr && *over != '\0') return over;
#ifdef TESSIWOK_EXE_UNIX_PATH
    return testkit::WindowsPathOf(TESSIWOK_EXE_UNIX_PATH);
#else
    return testkit::ExecutableDirectory() + "Tessiwok.exe";
#endif
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return condition();
        Sleep(kPollMs);
    }
}

std::string WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kDefaultTimeoutMs, &length)) return "";
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL,
                             kDefaultTimeoutMs, &copied))
        return "";
    text.resize(std::strlen(text.c_str()));
    return text;
}

bool SetWindowTextOf(HWND window, const std::string& text) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                               kDefaultTimeoutMs, &result) != 0 &&
           result != FALSE;
}

std::string ClassNameOf(HWND window) {
    char name[256] = {};
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

HWND FindDescendant(HWND parent, int id, const char* className) {
    DescendantSearch search{id, className, nullptr};
    EnumChildWindows(parent, MatchDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool PostClick(HWND button) { return button != nullptr && PostMessageA(button, BM_CLICK, 0, 0) != FALSE; }

std::string MessageBoxText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text == nullptr ? "" : WindowText(text);
}

std::wstring WindowTextW(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kDefaultTimeoutMs, &length)) return L"";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL,
                             kDefaultTimeoutMs, &copied))
        return L"";
    text.resize(wcslen(text.c_str()));
    return text;
}

std::wstring MessageBoxTextW(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text == nullptr ? L"" : WindowTextW(text);
}

std::wstring WideFromCodePage(UINT codePage, const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                           static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return wide;
}

std::wstring ClipboardUnicodeText() {
    std::wstring text = L"(none)";
    if (!OpenClipboard(nullptr)) return text;
    HANDLE block = GetClipboardData(CF_UNICODETEXT);
    if (const auto* chars = block ? static_cast<const wchar_t*>(GlobalLock(block)) : nullptr) {
        text = chars;
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

// ---- RemoteMemory

RemoteMemory::RemoteMemory(HANDLE process, size_t bytes) : process_(process), size_(bytes) {
    address_ = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteMemory::~RemoteMemory() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteMemory::Write(size_t offset, const void* bytes, size_t count) {
    if (address_ == nullptr || offset > size_ || count > size_ - offset) return false;
    SIZE_T written = 0;
    return WriteProcessMemory(process_, At(offset), bytes, count, &written) && written == count;
}

bool RemoteMemory::Read(size_t offset, void* bytes, size_t count) const {
    if (address_ == nullptr || offset > size_ || count > size_ - offset) return false;
    SIZE_T read = 0;
    return ReadProcessMemory(process_, At(offset), bytes, count, &read) && read == count;
}

// ---- Tessiwok

Tessiwok::~Tessiwok() {
    if (process_ != nullptr) {
        if (Running()) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, kDefaultTimeoutMs);
        }
        CloseHandle(process_);
    }
    if (ownsFolder_) testkit::RemoveTree(folder_.substr(0, folder_.size() - 1));
}

bool Tessiwok::Fail(const std::string& reason) {
    error_ = reason + " (error " + std::to_string(GetLastError()) + ")";
    return false;
}

namespace {

// The program CreateThroughWidePath starts, by its exact UTF-16 path.
std::wstring wideProgram;

// In StartProcess's place of CreateProcessA: the ANSI call cannot start a
// program whose folder the ANSI code page cannot spell (error 123).
BOOL WINAPI CreateThroughWidePath(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL inherit,
                                  DWORD flags, LPVOID environment, LPCSTR, LPSTARTUPINFOA,
                                  LPPROCESS_INFORMATION info) {
    std::wstring command = L"\"" + wideProgram + L"\"";
    const std::wstring folder = wideProgram.substr(0, wideProgram.rfind(L'\\') + 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(wideProgram.c_str(), &command[0], nullptr, nullptr, inherit, flags, environment,
                          folder.c_str(), &startup, info);
}

}  // namespace

bool Tessiwok::Start(const StartOptions& options, DWORD timeoutMs) {
    wideProgram.clear();
    if (!options.wideFolderName.empty() || !options.wideInPlace.empty()) {
        wideProgram = options.wideInPlace;
        if (wideProgram.empty()) {
            const std::wstring folder =
                WideFromCodePage(CP_ACP, testkit::MakeScratchDirectory(testkit::UniqueName("e2e"))) + L"\\" +
                options.wideFolderName;
            if (!CreateDirectoryW(folder.c_str(), nullptr)) return Fail("cannot make the folder");
            wideProgram = folder + L"\\" + WideFromCodePage(CP_ACP, options.exeName);
            if (!CopyFileW(WideFromCodePage(CP_ACP, BuiltExePath()).c_str(), wideProgram.c_str(), FALSE))
                return Fail("cannot copy " + BuiltExePath());
            ownsFolder_ = true;
        }
        wideExePath_ = wideProgram;
        wchar_t shortName[MAX_PATH] = {};
        const DWORD length = GetShortPathNameW(wideProgram.c_str(), shortName, MAX_PATH);
        char ansi[MAX_PATH] = {};
        if (length == 0 || length >= MAX_PATH ||
            WideCharToMultiByte(CP_ACP, 0, shortName, -1, ansi, sizeof ansi, nullptr, nullptr) == 0)
            return Fail("no short name for the program");
        exePath_ = ansi;
        folder_ = exePath_.substr(0, exePath_.rfind('\\') + 1);
    } else if (!options.inPlace.empty()) {
        exePath_ = options.inPlace;
        folder_ = exePath_.substr(0, exePath_.rfind('\\') + 1);
        if (GetFileAttributesA(exePath_.c_str()) == INVALID_FILE_ATTRIBUTES) return Fail("no program " + exePath_);
    } else {
        const std::string name = options.folderName.empty() ? testkit::UniqueName("e2e") : options.folderName;
        folder_ = testkit::MakeScratchDirectory(name) + "\\";
        ownsFolder_ = true;
        if (GetFileAttributesA(folder_.c_str()) == INVALID_FILE_ATTRIBUTES) return Fail("no folder " + folder_);
        exePath_ = folder_ + options.exeName;
        if (!CopyFileA(BuiltExePath().c_str(), exePath_.c_str(), FALSE))
            return Fail("cannot copy " + BuiltExePath() + " to " + exePath_);
    }
    if (options.writeSettings && !testkit::WriteWholeFile(SettingsPath(), options.settings))
        return Fail("cannot write " + SettingsPath());

    PROCESS_INFORMATION info{};
    const std::string& workingFolder = options.workingFolder.empty() ? folder_ : options.workingFolder;
    if (!testkit::StartProcess(exePath_, "\"" + exePath_ + "\"", workingFolder, info,
                               wideProgram.empty() ? CreateProcessA : CreateThroughWidePath))
        return Fail("cannot start " + exePath_);
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    threadId_ = info.dwThreadId;

    // The main dialog: the visible dialog-class window that holds the list.
    bool shown = WaitUntil(
        [this] {
            for (HWND window : VisibleWindowsOf(processId_)) {
                if (ClassNameOf(window) == "#32770" && GetDlgItem(window, IDC_RESULTS) != nullptr) {
                    dialog_ = window;
                    return true;
                }
            }
            return !Running();
        },
        timeoutMs);
    if (dialog_ == nullptr) return Fail(shown ? "the program ended before its dialog showed" : "no dialog in time");
    return true;
}

bool Tessiwok::Running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

LRESULT Tessiwok::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &result)) return 0;
    return static_cast<LRESULT>(result);
}

HWND Tessiwok::Header() const { return reinterpret_cast<HWND>(Send(List(), LVM_GETHEADER, 0, 0)); }

bool Tessiwok::Settle(DWORD timeoutMs) {
    // Posted messages of one thread are handled in the order they were posted.
    const DWORD marker = 100000 + (++marker_ % 100000);
    HWND list = List();
    if (!PostMessageA(list, LVM_SETHOVERTIME, 0, marker)) return !Running();
    // Each look waits briefly: a thread that is busy, or ending, is asked again.
    return WaitUntil(
        [&] {
            if (!Running() || !IsWindow(list)) return true;
            DWORD_PTR now = 0;
            return SendMessageTimeoutA(list, LVM_GETHOVERTIME, 0, 0, SMTO_NORMAL, 50, &now) && now == marker;
        },
        timeoutMs);
}

bool Tessiwok::SetAddress(const std::string& text) { return SetWindowTextOf(Control(IDC_ADDRESS), text); }

std::string Tessiwok::Address() const { return WindowText(Control(IDC_ADDRESS)); }

bool Tessiwok::Click(int id, DWORD timeoutMs) { return PostClick(Control(id)) && Settle(timeoutMs); }

bool Tessiwok::Focus(int id) {
    HWND control = Control(id);
    return control != nullptr && PostMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE) &&
           Settle();
}

HWND Tessiwok::FocusedWindow() const {
    // Tests run side by side on one display, and a window another program
    // shows takes the activation and with it the keyboard focus. The dialog
    // keeps the control that had the focus and gives it back when it is
    // active again, so the focus is read while the dialog is the active window.
    // The program's thread handles the activation and then gives the focus
    // back: until it has, the thread has no focus at all, so it is waited for.
    HWND focus = nullptr;
    WaitUntil([this, &focus] {
        if (GetForegroundWindow() != dialog_) {
            SetForegroundWindow(dialog_);
            return false;
        }
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        focus = GetGUIThreadInfo(threadId_, &gui) ? gui.hwndFocus : nullptr;
        return focus != nullptr;
    });
    return focus;
}

bool Tessiwok::PressKey(UINT virtualKey) {
    HWND target = FocusedWindow();
    if (target == nullptr) target = dialog_;
    const UINT scan = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    const LPARAM up = down | (1L << 30) | (1L << 31);
    return PostMessageA(target, WM_KEYDOWN, virtualKey, down) && PostMessageA(target, WM_KEYUP, virtualKey, up) &&
           Settle();
}

bool Tessiwok::TypeKey(int controlId, UINT virtualKey, bool withControl) {
    return TypeKeys(controlId, {virtualKey}, withControl);
}

bool Tessiwok::TypeKeys(int controlId, const std::vector<UINT>& virtualKeys, bool withControl) {
    SetForegroundWindow(dialog_);
    if (!WaitUntil([&] { return GetForegroundWindow() == dialog_; }) || !Focus(controlId)) return false;
    auto key = [](WORD code, bool release) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(code, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
        return input;
    };
    std::vector<INPUT> inputs;
    if (withControl) inputs.push_back(key(VK_CONTROL, false));
    for (UINT virtualKey : virtualKeys) {
        inputs.push_back(key(static_cast<WORD>(virtualKey), false));
        inputs.push_back(key(static_cast<WORD>(virtualKey), true));
    }
    if (withControl) inputs.push_back(key(VK_CONTROL, true));
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

int Tessiwok::RowCount() const { return static_cast<int>(Send(List(), LVM_GETITEMCOUNT, 0, 0)); }

std::string Tessiwok::CellText(int row, int column, int capacity) const {
    if (capacity <= 0) return "";
    RemoteMemory memory(process_, sizeof(LVITEMA) + static_cast<size_t>(capacity));
    if (!memory.Valid()) return "";
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = memory.At(sizeof(LVITEMA));
    item.cchTextMax = capacity;
    const char nothing = '\0';
    if (!memory.Write(item) || !memory.Write(sizeof(LVITEMA), &nothing, 1)) return "";
    Send(List(), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), memory.Address());
    // The list may answer with a pointer of its own instead of filling the buffer.
    LVITEMA answered{};
    if (!memory.Read(answered)) return "";
    std::string text(static_cast<size_t>(capacity), '\0');
    if (answered.pszText == item.pszText) {
        if (!memory.Read(sizeof(LVITEMA), &text[0], text.size())) return "";
    } else if (answered.pszText != nullptr) {
        SIZE_T read = 0;
        ReadProcessMemory(process_, answered.pszText, &text[0], text.size() - 1, &read);
    }
    text.resize(strnlen(text.c_str(), text.size()));
    return text;
}

std::vector<std::vector<std::string>> Tessiwok::ReadCells() const {
    std::vector<std::vector<std::string>> rows;
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < 5; ++column) cells.push_back(CellText(row, column));
        rows.push_back(cells);
    }
    return rows;
}

std::vector<Tessiwok::ColumnInfo> Tessiwok::Columns() const {
    std::vector<ColumnInfo> columns;
    const int capacity = 256;
    RemoteMemory memory(process_, sizeof(LVCOLUMNA) + capacity);
    if (!memory.Valid()) return columns;
    for (int index = 0;; ++index) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.pszText = memory.At(sizeof(LVCOLUMNA));
        column.cchTextMax = capacity;
        if (!memory.Write(column)) break;
        if (!Send(List(), LVM_GETCOLUMNA, static_cast<WPARAM>(index), memory.Address())) break;
        LVCOLUMNA answered{};
        char text[capacity] = {};
        if (!memory.Read(answered) || !memory.Read(sizeof(LVCOLUMNA), text, capacity - 1)) break;
        columns.push_back({text, answered.fmt & LVCFMT_JUSTIFYMASK, answered.cx});
    }
    return columns;
}

std::vector<std::wstring> Tessiwok::ColumnTitlesW() const {
    std::vector<std::wstring> titles;
    const int capacity = 256;
    RemoteMemory memory(process_, sizeof(LVCOLUMNW) + capacity * sizeof(wchar_t));
    if (!memory.Valid()) return titles;
    for (int index = 0;; ++index) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = reinterpret_cast<wchar_t*>(memory.At(sizeof(LVCOLUMNW)));
        column.cchTextMax = capacity;
        if (!memory.Write(column)) break;
        if (!Send(List(), LVM_GETCOLUMNW, static_cast<WPARAM>(index), memory.Address())) break;
        wchar_t text[capacity] = {};
        if (!memory.Read(sizeof(LVCOLUMNW), text, (capacity - 1) * sizeof(wchar_t))) break;
        titles.push_back(text);
    }
    return titles;
}

bool Tessiwok::SelectRows(const std::vector<int>& rows) {
    RemoteMemory memory(process_, sizeof(LVITEMA));
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    if (!memory.Write(item) || !Send(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), memory.Address()))
        return false;
    bool first = true;
    for (int row : rows) {
        item.state = LVIS_SELECTED | (first ? LVIS_FOCUSED : 0);
        item.stateMask = LVIS_SELECTED | (first ? LVIS_FOCUSED : 0);
        first = false;
        if (!memory.Write(item) || !Send(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), memory.Address()))
            return false;
    }
    return true;
}

std::vector<int> Tessiwok::SelectedRows() const {
    std::vector<int> rows;
    const int count = RowCount();
    int row = -1;
    while (static_cast<int>(rows.size()) < count) {
        row = static_cast<int>(Send(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(row), MAKELPARAM(LVNI_SELECTED, 0)));
        if (row < 0) break;
        rows.push_back(row);
    }
    return rows;
}

int Tessiwok::SelectedCount() const { return static_cast<int>(Send(List(), LVM_GETSELECTEDCOUNT, 0, 0)); }

bool Tessiwok::ItemRect(int row, RECT& rect) const {
    Send(List(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    RemoteMemory memory(process_, sizeof(RECT));
    RECT asked{};
    asked.left = LVIR_LABEL;
    if (!memory.Write(asked)) return false;
    if (!Send(List(), LVM_GETITEMRECT, static_cast<WPARAM>(row), memory.Address())) return false;
    return memory.Read(rect);
}

bool Tessiwok::PostMouse(HWND window, UINT message, WPARAM keys, POINT at) {
    return PostMessageA(window, message, keys, PointParam(at)) != FALSE;
}

bool Tessiwok::ClickRow(int row, bool withControl) {
    RECT rect{};
    if (!ItemRect(row, rect)) return false;
    POINT at{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    const WPARAM keys = withControl ? MK_CONTROL : 0;
    return PostMouse(List(), WM_LBUTTONDOWN, keys | MK_LBUTTON, at) && PostMouse(List(), WM_LBUTTONUP, keys, at) &&
           Settle();
}

bool Tessiwok::DoubleClickRow(int row) {
    RECT rect{};
    if (!ItemRect(row, rect)) return false;
    POINT at{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    HWND list = List();
    return PostMouse(list, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMouse(list, WM_LBUTTONUP, 0, at) &&
           PostMouse(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at) && PostMouse(list, WM_LBUTTONUP, 0, at) && Settle();
}

bool Tessiwok::ClickColumnHeader(int column) {
    HWND header = Header();
    if (header == nullptr) return false;
    RemoteMemory memory(process_, sizeof(RECT));
    RECT rect{};
    if (!memory.Write(rect) || !Send(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), memory.Address()) ||
        !memory.Read(rect))
        return false;
    // The middle of the item, well away from the dividers that resize columns.
    POINT at{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    return PostMouse(header, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMouse(header, WM_LBUTTONUP, 0, at) && Settle();
}

std::vector<HWND> Tessiwok::OtherWindows() const {
    std::vector<HWND> others;
    for (HWND window : VisibleWindowsOf(processId_))
        if (window != dialog_) others.push_back(window);
    return others;
}

HWND Tessiwok::WaitForOtherWindow(const char* className, DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : OtherWindows()) {
                if (className == nullptr || ClassNameOf(window) == className) {
                    found = window;
                    return true;
                }
            }
            return !Running();
        },
        timeoutMs);
    return found;
}

HWND Tessiwok::WaitForDialogTitled(const std::string& title, DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : OtherWindows()) {
                if (ClassNameOf(window) == "#32770" && WindowText(window) == title) {
                    found = window;
                    return true;
                }
            }
            return !Running();
        },
        timeoutMs);
    return found;
}

bool Tessiwok::WaitForNoOtherWindow(DWORD timeoutMs) const {
    return WaitUntil([&] { return OtherWindows().empty(); }, timeoutMs);
}

bool Tessiwok::PressDialogButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    if (button != nullptr) return PostClick(button) && Settle();
    // A box without such a button still takes the command (IDCANCEL from Escape).
    return PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0) && Settle();
}

DWORD Tessiwok::WaitForExit(DWORD timeoutMs) {
    if (process_ == nullptr) return STILL_ACTIVE;
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

}  // namespace e2e
