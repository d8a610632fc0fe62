// The browser toolbar button: its registry key under the current user.
#include <shlwapi.h>

#include <cwchar>

#include "app/program.h"
#include "browser/browser.h"
#include "browser/toolbar_button.h"
#include "app/module_path_win.h"
#include "browser/toolbar_values.h"
#include "text/wide_text_win.h"

const ToolbarButtonOps realToolbarButtonOps = {
    RegCreateKeyExA, RegSetValueExA, RegCloseKey,
    SHDeleteKeyA, SHGetValueW, GetFileAttributesW, MessageBoxW,
};
ToolbarButtonOps toolbarButtonOps = realToolbarButtonOps;

namespace {

// The values' texts as written. ModuleDirectory is the folder in the ANSI
// code page, exactly or by its short name; a folder it cannot spell on a
// volume without short names leaves it "", and then the texts are the same
// with the folder exact in UTF-16: built around a one-byte stand-in folder
// "\" that is then replaced. Empty when nothing fits 260 units.
std::vector<std::wstring> WideTexts(const std::vector<ToolbarButtonValue>& values, const std::wstring& folder) {
    std::vector<std::wstring> texts;
    for (const ToolbarButtonValue& value : values) {
        const bool names = !folder.empty() && !value.text.empty() && value.text[0] == '\\';
        texts.push_back(names ? folder + WideFromAnsi(value.text.substr(1)) : WideFromAnsi(value.text));
        if (texts.back().size() >= kToolbarPathBufferSize) return {};
    }
    return texts;
}

}  // namespace

// Writes the seven values into the key, creating it when absent; other values
// in an existing key stay. A failed write is not reported and the rest still
// go in. A program folder too long for the 260-byte paths is refused with the
// same message as a key that cannot be opened, before the key is touched.
// False after such a refusal: no button was registered.
bool RegisterToolbarButton(HWND owner) {
    std::wstring folder;
    if (ModuleDirectory[0] == '\0') folder = RunningModuleDirectoryW();
    const std::vector<ToolbarButtonValue> values = ToolbarButtonValues(folder.empty() ? ModuleDirectory : "\\");
    const std::vector<std::wstring> wideTexts = folder.empty() ? std::vector<std::wstring>() : WideTexts(values, folder);
    HKEY key = nullptr;
    if (values.empty() || (!folder.empty() && wideTexts.empty()) ||
        toolbarButtonOps.createKey(HKEY_CURRENT_USER, kToolbarButtonKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        // Code page 932 (-fexec-charset=CP932), shown in Unicode.
        ShowCp932Message(owner, "IEにTessiwokを登録できませんでした", MB_OK | MB_ICONINFORMATION,
                         toolbarButtonOps.messageBox);
        return false;
    }
    for (size_t i = 0; i < values.size(); ++i) {
        const ToolbarButtonValue& value = values[i];
        // REG_SZ with its NUL counted.
        if (wideTexts.empty()) {
            toolbarButtonOps.setValue(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                                      static_cast<DWORD>(value.text.size() + 1));
            continue;
        }
        const std::wstring name = value.name != nullptr ? WideFromAnsi(value.name) : L"";
        RegSetValueExW(key, value.name != nullptr ? name.c_str() : nullptr, 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(wideTexts[i].c_str()),
                       static_cast<DWORD>((wideTexts[i].size() + 1) * sizeof(wchar_t)));
    }
    toolbarButtonOps.closeKey(key);
    return true;
}

// Deletes the key with its values and subkeys; a missing key is no failure.
void UnregisterToolbarButton() {
    toolbarButtonOps.deleteKeyTree(HKEY_CURRENT_USER, kToolbarButtonKey);
}

// True when "Exec" names something that exists. A key whose "Exec" names
// nothing is stale and deleted; a key without a readable "Exec" (missing, or
// too long for the buffer) is left alone. Only existence is tested.
bool IsToolbarButtonRegistered() {
    wchar_t exec[kToolbarPathBufferSize] = {};
    DWORD type = 0;
    DWORD bytes = sizeof exec;
    if (toolbarButtonOps.getValue(HKEY_CURRENT_USER, WideFromAnsi(kToolbarButtonKey).c_str(),
                                  WideFromAnsi(kExecValueName).c_str(), &type, exec, &bytes) != ERROR_SUCCESS)
        return false;
    // A value stored without its NUL comes back unterminated; one that fills
    // the whole buffer that way is as unreadable as one that is too long.
    if (bytes > sizeof exec) bytes = sizeof exec;
    const size_t units = bytes / sizeof exec[0];
    if (std::wmemchr(exec, L'\0', units) == nullptr) {
        if (units == kToolbarPathBufferSize) return false;
        exec[units] = L'\0';
    }
    if (toolbarButtonOps.fileAttributes(exec) != INVALID_FILE_ATTRIBUTES) return true;
    UnregisterToolbarButton();
    return false;
}
