// The toolbar button's key on the real registry of the Wine prefix: written,
// read back, deleted, and the start-up check over every state of the key.
#include "browser/browser.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/main_dialog.h"
#include "app/module_path_win.h"
#include "app/program.h"
#include "browser/toolbar_button.h"
#include "browser/toolbar_values.h"
#include "res/resource.h"
#include "tools/testkit/paths.h"

namespace {

struct StoredValue {
    std::string name;
    DWORD type = 0;
    std::string data;  // as stored, NUL included
};

// Every value of the key (Wine enumerates them sorted by name, not in the
// order they were written).
std::vector<StoredValue> ReadKey(const char* path = kToolbarButtonKey) {
    std::vector<StoredValue> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        char name[256] = {};
        DWORD nameLength = sizeof name;
        BYTE data[1024] = {};
        DWORD dataLength = sizeof data;
        StoredValue value;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &value.type, data, &dataLength) != ERROR_SUCCESS)
            break;
        value.name.assign(name, nameLength);
        value.data.assign(reinterpret_cast<char*>(data), dataLength);
        values.push_back(value);
    }
    RegCloseKey(key);
    return values;
}

std::map<std::string, std::string> DataByName() {
    std::map<std::string, std::string> byName;
    for (const StoredValue& value : ReadKey()) byName[value.name] = value.data;
    return byName;
}

bool KeyExists(const char* path = kToolbarButtonKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Sets one value of the key, creating the key; `data` is stored as given.
void PutValue(const char* name, const std::string& data, DWORD type = REG_SZ) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kToolbarButtonKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

// The setValue calls as the program made them, in order, passed on to the real one.
std::vector<std::string> writtenNames;
LONG WINAPI RecordingSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD bytes) {
    writtenNames.push_back(name ? name : "(default)");
    return RegSetValueExA(key, name, reserved, type, data, bytes);
}

LONG WINAPI FailingCreateKey(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY,
                             LPDWORD) {
    return ERROR_ACCESS_DENIED;
}

// Every test starts and ends without the key, with the real operations and
// ModuleDirectory as the program computes it: this executable's folder.
class ToolbarButton : public ::testing::Test {
protected:
    void SetUp() override {
        SHDeleteKeyA(HKEY_CURRENT_USER, kToolbarButtonKey);
        std::memcpy(savedDirectory_, ModuleDirectory, sizeof ModuleDirectory);
        ComputeModuleDirectory(ModuleDirectory, sizeof ModuleDirectory);
        ASSERT_EQ(ModuleDirectory, testkit::ExecutableDirectory());
        toolbarButtonOps = realToolbarButtonOps;
        writtenNames.clear();
    }
    void TearDown() override {
        toolbarButtonOps = realToolbarButtonOps;
        std::memcpy(ModuleDirectory, savedDirectory_, sizeof ModuleDirectory);
        SHDeleteKeyA(HKEY_CURRENT_USER, kToolbarButtonKey);
    }
    char savedDirectory_[sizeof ModuleDirectory] = {};
};

TEST_F(ToolbarButton, RegisterWritesTheSevenValuesInOrder) {
    toolbarButtonOps.setValue = RecordingSetValue;
    RegisterToolbarButton(nullptr);

    const std::vector<std::string> order = {"(default)",  "Clsid", "Exec",   "Default Visible",
                                            "ButtonText", "Icon",  "HotIcon"};
    EXPECT_EQ(writtenNames, order);

    const std::string exec = testkit::ExecutableDirectory() + "Tessiwok.exe";
    const std::vector<StoredValue> expected = {
        {"", REG_SZ, Sz("Tessiwok")},
        {"ButtonText", REG_SZ, Sz("Tessiwok")},
        {"Clsid", REG_SZ, Sz("{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}")},
        {"Default Visible", REG_SZ, Sz("Yes")},
        {"Exec", REG_SZ, Sz(exec)},
        {"HotIcon", REG_SZ, Sz(exec + ",102")},
        {"Icon", REG_SZ, Sz(exec + ",102")},
    };
    const std::vector<StoredValue> stored = ReadKey();
    ASSERT_EQ(stored.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(stored[i].name, expected[i].name) << "value " << i;
        EXPECT_EQ(stored[i].type, expected[i].type) << expected[i].name;
        EXPECT_EQ(stored[i].data, expected[i].data) << expected[i].name;  // NUL counted
    }
}

TEST_F(ToolbarButton, RegisterOverAnExistingKeyKeepsItsOtherValues) {
    ASSERT_NO_FATAL_FAILURE(PutValue("Exec", Sz("C:\\old\\Tessiwok.exe")));
    ASSERT_NO_FATAL_FAILURE(PutValue("Other", Sz("kept")));
    ASSERT_NO_FATAL_FAILURE(PutValue("ButtonText", Sz("old label")));
    RegisterToolbarButton(nullptr);

    std::map<std::string, std::string> stored = DataByName();
    EXPECT_EQ(stored.size(), 8u);
    EXPECT_EQ(stored["Other"], Sz("kept"));
    EXPECT_EQ(stored["ButtonText"], Sz("Tessiwok"));
    EXPECT_EQ(stored["Exec"], Sz(testkit::ExecutableDirectory() + "Tessiwok.exe"));
}

TEST_F(ToolbarButton, UnregisterDeletesTheKeyWithItsSubkeysAndNothingElse) {
    const std::string sibling = std::string(kToolbarButtonKey) + "-sibling";
    ASSERT_EQ(SHSetValueA(HKEY_CURRENT_USER, sibling.c_str(), "Exec", REG_SZ, "x", 2), ERROR_SUCCESS);
    RegisterToolbarButton(nullptr);
    const std::string child = std::string(kToolbarButtonKey) + "\\child";
    ASSERT_EQ(SHSetValueA(HKEY_CURRENT_USER, child.c_str(), "v", REG_SZ, "x", 2), ERROR_SUCCESS);

    UnregisterToolbarButton();
    EXPECT_FALSE(KeyExists());
    EXPECT_TRUE(KeyExists(sibling.c_str()));

    // Again, with no key: nothing happens and nothing else goes.
    UnregisterToolbarButton();
    EXPECT_FALSE(KeyExists());
    EXPECT_TRUE(KeyExists(sibling.c_str()));
    EXPECT_TRUE(KeyExists("Software\\Microsoft\\Internet Explorer\\Extensions"));
    SHDeleteKeyA(HKEY_CURRENT_USER, sibling.c_str());
}

// The start-up check over the states of the key.
TEST_F(ToolbarButton, StartUpCheck) {
    const std::string self = testkit::ExecutableDirectory() + "toolbar_button_test.exe";
    const std::string folder = testkit::MakeScratchDirectory("toolbar-folder");
    const std::string longPath = "C:\\" + std::string(300, 'p') + "\\Tessiwok.exe";
    const std::string exactly260 = std::string("C:\\") + std::string(257, 'q');  // no NUL stored
    const std::string noNul = self;                                                  // no NUL stored
    struct Case {
        const char* what;
        bool withKey;
        bool withExec;
        std::string execData;
        DWORD type;
        bool registered;
        bool keyKept;
    } cases[] = {
        {"no key", false, false, "", REG_SZ, false, false},
        {"Exec names an existing file", true, true, Sz(self), REG_SZ, true, true},
        {"Exec names a directory", true, true, Sz(folder), REG_SZ, true, true},
        {"Exec names a directory with a backslash", true, true, Sz(folder + "\\"), REG_SZ, true, true},
        {"Exec names nothing", true, true, Sz(folder + "\\gone\\Tessiwok.exe"), REG_SZ, false, false},
        {"Exec is empty", true, true, Sz(""), REG_SZ, false, false},
        {"type is not examined", true, true, Sz(self), REG_EXPAND_SZ, true, true},
        {"no Exec value", true, false, "", REG_SZ, false, true},
        {"Exec longer than 259 bytes", true, true, Sz(longPath), REG_SZ, false, true},
        {"Exec of 260 bytes without NUL", true, true, exactly260, REG_SZ, false, true},
        {"Exec stored without its NUL", true, true, noNul, REG_SZ, true, true},
    };
    ASSERT_EQ(exactly260.size(), 260u);
    for (const Case& c : cases) {
        SHDeleteKeyA(HKEY_CURRENT_USER, kToolbarButtonKey);
        if (c.withKey) ASSERT_NO_FATAL_FAILURE(PutValue("Other", Sz("x")));
        if (c.withExec) ASSERT_NO_FATAL_FAILURE(PutValue("Exec", c.execData, c.type));
        EXPECT_EQ(IsToolbarButtonRegistered(), c.registered) << c.what;
        EXPECT_EQ(KeyExists(), c.keyKept) << c.what;
    }
}

// Answers the first message box that the given thread shows, noting what it
// said; closes every box that thread shows until done is set, so that a box
// that comes late can never leave the thread waiting in it. A box not seen
// within the time limit counts as not seen: the test fails instead of hanging.
struct MessageBoxAnswer {
    std::string text;
    std::string caption;
    HWND owner = nullptr;
    bool seen = false;
};

MessageBoxAnswer AnswerMessageBox(DWORD threadId, const std::atomic<bool>& done) {
    MessageBoxAnswer answer;
    const DWORD start = GetTickCount();
    const DWORD limitMs = 60000;
    while (!done) {
        HWND found = nullptr;
        EnumThreadWindows(
            threadId,
            [](HWND window, LPARAM found) -> BOOL {
                char name[32] = {};
                GetClassNameA(window, name, sizeof name);
                if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
                *reinterpret_cast<HWND*>(found) = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found == nullptr) {
            Sleep(20);
            continue;
        }
        if (!answer.seen && GetTickCount() - start < limitMs) {
            char text[256] = {};
            GetDlgItemTextA(found, 0xFFFF, text, sizeof text);
            answer.text = text;
            GetWindowTextA(found, text, sizeof text);
            answer.caption = text;
            answer.owner = GetWindow(found, GW_OWNER);
            answer.seen = true;
        }
        PostMessageA(found, WM_COMMAND, IDOK, 0);
        Sleep(20);
    }
    return answer;
}

// The failure message, answered from a second thread; what the program asked for
// is recorded on the way to the real MessageBoxW.
UINT messageBoxType = 0;
std::wstring messageBoxText;
int WINAPI RecordingMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    messageBoxType = type;
    messageBoxText = text;
    return MessageBoxW(owner, text, caption, type);
}

MessageBoxAnswer RegisterAndAnswer() {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    messageBoxType = 0;
    messageBoxText.clear();
    toolbarButtonOps.messageBox = RecordingMessageBox;
    MessageBoxAnswer answer;
    std::atomic<bool> done{false};
    std::thread answering([&answer, &done, id = GetCurrentThreadId()] { answer = AnswerMessageBox(id, done); });
    RegisterToolbarButton(owner);
    done = true;
    answering.join();
    EXPECT_EQ(answer.owner, owner);
    DestroyWindow(owner);
    return answer;
}

TEST_F(ToolbarButton, KeyThatCannotBeCreatedShowsTheFailureMessage) {
    toolbarButtonOps.setValue = RecordingSetValue;
    toolbarButtonOps.createKey = FailingCreateKey;
    const MessageBoxAnswer answer = RegisterAndAnswer();
    ASSERT_TRUE(answer.seen);
    EXPECT_EQ(answer.text, "IEにTessiwokを登録できませんでした");
    EXPECT_EQ(answer.caption, "Tessiwok");
    EXPECT_EQ(messageBoxText, L"IEにTessiwokを登録できませんでした");
    EXPECT_EQ(messageBoxType, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_TRUE(writtenNames.empty());
    EXPECT_FALSE(KeyExists());
}

TEST_F(ToolbarButton, FolderTooLongForTheIconPathIsRefused) {
    // 244 bytes: "Tessiwok.exe,102" and the NUL would need 261.
    const std::string tooLong = "C:\\" + std::string(240, 'd') + "\\";
    ASSERT_EQ(tooLong.size(), 244u);
    std::strcpy(ModuleDirectory, tooLong.c_str());
    const MessageBoxAnswer answer = RegisterAndAnswer();
    ASSERT_TRUE(answer.seen);
    EXPECT_EQ(answer.text, "IEにTessiwokを登録できませんでした");
    EXPECT_FALSE(KeyExists());

    // One byte shorter fits: every path is written whole.
    std::strcpy(ModuleDirectory, tooLong.c_str() + 1);
    RegisterToolbarButton(nullptr);
    EXPECT_EQ(DataByName()["Icon"], Sz(tooLong.substr(1) + "Tessiwok.exe,102"));
}

// The operations passed on to the real registry, counted: which keys the
// program opened and closed, what it wrote and deleted, what it said. A value
// named in failValue, or a deletion while failDelete, fails without reaching
// the registry.
struct Ledger {
    std::vector<std::string> created;  // key paths given to createKey
    int keysOpen = 0;
    int closes = 0;
    std::vector<std::string> setNames;
    std::vector<std::string> deleted;
    int boxes = 0;
    std::string failValue = "-";
    bool failDelete = false;
} ledger;

LONG WINAPI LedgerCreateKey(HKEY parent, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                            LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition) {
    ledger.created.push_back(subKey);
    LONG result = RegCreateKeyExA(parent, subKey, reserved, keyClass, options, access, security, key, disposition);
    if (result == ERROR_SUCCESS) ++ledger.keysOpen;
    return result;
}
LONG WINAPI LedgerSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD bytes) {
    const std::string shown = name ? name : "(default)";
    ledger.setNames.push_back(shown);
    if (shown == ledger.failValue) return ERROR_ACCESS_DENIED;
    return RegSetValueExA(key, name, reserved, type, data, bytes);
}
LONG WINAPI LedgerCloseKey(HKEY key) {
    ++ledger.closes;
    --ledger.keysOpen;
    return RegCloseKey(key);
}
DWORD WINAPI LedgerDelete(HKEY parent, LPCSTR subKey) {
    ledger.deleted.push_back(subKey);
    if (ledger.failDelete) return ERROR_ACCESS_DENIED;
    return SHDeleteKeyA(parent, subKey);
}
int WINAPI LedgerBox(HWND, LPCWSTR, LPCWSTR, UINT) {
    ++ledger.boxes;
    return IDOK;
}

// Names of the subkeys of a key under the current user.
std::vector<std::string> Subkeys(const char* path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

const char kExtensions[] = "Software\\Microsoft\\Internet Explorer\\Extensions";
const std::vector<std::string> kWriteOrder = {"(default)", "Clsid", "Exec", "Default Visible",
                                              "ButtonText", "Icon", "HotIcon"};

class ToolbarButtonFaults : public ToolbarButton {
protected:
    void SetUp() override {
        ToolbarButton::SetUp();
        ledger = Ledger{};
        toolbarButtonOps = {LedgerCreateKey, LedgerSetValue, LedgerCloseKey, LedgerDelete,
                            SHGetValueW,     GetFileAttributesW, LedgerBox};
    }
    void TearDown() override {
        EXPECT_EQ(ledger.keysOpen, 0) << "every key the program opened is closed";
        ToolbarButton::TearDown();
    }
};

// A value that cannot be written is not reported; the values after it are
// still written and the key is closed, once.
TEST_F(ToolbarButtonFaults, ValueThatCannotBeWrittenLeavesTheOthersWritten) {
    for (const std::string& failing : kWriteOrder) {
        SHDeleteKeyA(HKEY_CURRENT_USER, kToolbarButtonKey);
        ledger = Ledger{};
        ledger.failValue = failing;
        RegisterToolbarButton(nullptr);
        EXPECT_EQ(ledger.setNames, kWriteOrder) << failing << ": every value was tried, in order";
        EXPECT_EQ(ledger.closes, 1) << failing;
        EXPECT_EQ(ledger.keysOpen, 0) << failing;
        EXPECT_EQ(ledger.boxes, 0) << failing << ": nothing reported";
        std::map<std::string, std::string> stored = DataByName();
        EXPECT_EQ(stored.size(), 6u) << failing;
        EXPECT_EQ(stored.count(failing == "(default)" ? "" : failing), 0u) << failing;
    }
}

// A key that cannot be created: the one message, no value written, nothing
// to close, and the registry as it was.
TEST_F(ToolbarButtonFaults, KeyThatCannotBeCreatedWritesAndClosesNothing) {
    const std::vector<std::string> before = Subkeys(kExtensions);
    toolbarButtonOps.createKey = FailingCreateKey;
    RegisterToolbarButton(nullptr);
    EXPECT_EQ(ledger.boxes, 1);
    EXPECT_TRUE(ledger.setNames.empty());
    EXPECT_EQ(ledger.closes, 0);
    EXPECT_FALSE(KeyExists());
    EXPECT_EQ(Subkeys(kExtensions), before);
}

// A deletion that fails, or finds no key, is not reported, neither when the
// user unchecks the box nor when the start-up check removes a stale key.
TEST_F(ToolbarButtonFaults, DeletionThatFailsOrFindsNoKeyReportsNothing) {
    struct Row {
        const char* what;
        bool withStaleKey;
        bool failDelete;
        bool atStartUp;
        bool keyLeft;
    } rows[] = {
        {"uncheck, no key", false, false, false, false},
        {"uncheck, deletion fails", true, true, false, true},
        {"start-up, stale key that cannot be deleted", true, true, true, true},
        {"start-up, stale key deleted", true, false, true, false},
    };
    const std::string gone = testkit::ExecutableDirectory() + "gone\\Tessiwok.exe";
    for (const Row& row : rows) {
        SHDeleteKeyA(HKEY_CURRENT_USER, kToolbarButtonKey);
        if (row.withStaleKey) ASSERT_NO_FATAL_FAILURE(PutValue("Exec", Sz(gone)));
        ledger = Ledger{};
        ledger.failDelete = row.failDelete;
        if (row.atStartUp)
            EXPECT_FALSE(IsToolbarButtonRegistered()) << row.what;
        else
            UnregisterToolbarButton();
        EXPECT_EQ(ledger.deleted, std::vector<std::string>{kToolbarButtonKey}) << row.what;
        EXPECT_EQ(ledger.boxes, 0) << row.what;
        EXPECT_TRUE(ledger.created.empty()) << row.what;
        EXPECT_EQ(KeyExists(), row.keyLeft) << row.what;
    }
}

// The registry holds only what the program is said to write: the start-up
// check writes nothing and deletes only a stale key; registering creates
// only the button's own key; unregistering takes only that key away.
TEST_F(ToolbarButtonFaults, RegistryHoldsOnlyTheButtonKey) {
    const std::string self = testkit::ExecutableDirectory() + "toolbar_button_test.exe";
    struct Row {
        const char* what;
        const char* execName;  // null: no Exec value
        bool withKey;
        size_t deletions;
    } rows[] = {
        {"no key", nullptr, false, 0},
        {"registered", "self", true, 0},
        {"unreadable Exec", nullptr, true, 0},
        {"stale", "gone", true, 1},
    };
    for (const Row& row : rows) {
        SHDeleteKeyA(HKEY_CURRENT_USER, kToolbarButtonKey);
        if (row.withKey) ASSERT_NO_FATAL_FAILURE(PutValue("Other", Sz("x")));
        if (row.execName)
            ASSERT_NO_FATAL_FAILURE(PutValue("Exec", Sz(std::string(row.execName) == "self" ? self : self + ".gone")));
        const std::map<std::string, std::string> before = DataByName();
        ledger = Ledger{};
        IsToolbarButtonRegistered();
        EXPECT_TRUE(ledger.created.empty()) << row.what;
        EXPECT_TRUE(ledger.setNames.empty()) << row.what;
        EXPECT_EQ(ledger.deleted.size(), row.deletions) << row.what;
        EXPECT_EQ(ledger.boxes, 0) << row.what;
        if (row.deletions == 0) {
            EXPECT_EQ(DataByName(), before) << row.what;
        }
    }

    SHDeleteKeyA(HKEY_CURRENT_USER, kToolbarButtonKey);
    std::vector<std::string> before = Subkeys(kExtensions);
    ledger = Ledger{};
    RegisterToolbarButton(nullptr);
    EXPECT_EQ(ledger.created, std::vector<std::string>{kToolbarButtonKey});
    std::vector<std::string> after = Subkeys(kExtensions);
    std::vector<std::string> expected = before;
    expected.push_back(std::string(kToolbarButtonKey).substr(sizeof kExtensions));
    std::sort(after.begin(), after.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(after, expected);
    EXPECT_EQ(ReadKey().size(), 7u) << "the seven values and nothing else";
    EXPECT_TRUE(Subkeys(kToolbarButtonKey).empty());

    UnregisterToolbarButton();
    after = Subkeys(kExtensions);
    std::sort(after.begin(), after.end());
    std::sort(before.begin(), before.end());
    EXPECT_EQ(after, before);
}

// The dialog's check box shows what the registry holds: a registration that
// fails takes the check away again; a deletion, whose outcome cannot be
// told, leaves it unchecked.
TEST_F(ToolbarButtonFaults, CheckBoxFollowsTheRegistrationWhenTheRegistryRefuses) {
    HWND dialog = CreateWindowExA(0, "STATIC", "dialog", WS_POPUP, 0, 0, 200, 50, nullptr, nullptr, nullptr, nullptr);
    HWND box = CreateWindowExA(0, "BUTTON", "toolbar", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 150, 20, dialog,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)), nullptr, nullptr);
    ASSERT_NE(box, nullptr);
    toolbarButtonOps.createKey = FailingCreateKey;
    ledger.failDelete = true;
    struct Row {
        const char* what;
        UINT state;
        UINT after;
        int boxes;
        size_t deletions;
    } rows[] = {
        {"checked, the key cannot be created", BST_CHECKED, BST_UNCHECKED, 1, 0},
        {"unchecked, the key cannot be deleted", BST_UNCHECKED, BST_UNCHECKED, 0, 1},
    };
    for (const Row& row : rows) {
        ledger.boxes = 0;
        ledger.deleted.clear();
        CheckDlgButton(dialog, IDC_TOOLBAR, row.state);
        MainDialogProc(dialog, WM_COMMAND, MAKEWPARAM(IDC_TOOLBAR, BN_CLICKED), reinterpret_cast<LPARAM>(box));
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_TOOLBAR), row.after) << row.what;
        EXPECT_EQ(ledger.boxes, row.boxes) << row.what;
        EXPECT_EQ(ledger.deleted.size(), row.deletions) << row.what;
        EXPECT_TRUE(ledger.setNames.empty()) << row.what;
        EXPECT_FALSE(KeyExists()) << row.what;
    }
    DestroyWindow(dialog);
}

}  // namespace
