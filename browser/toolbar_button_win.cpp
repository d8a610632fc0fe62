// The browser toolbar button: its registry key under the current user.
#include <shlwapi.h>

#include <cstring>

#include "app/program.h"
#include "browser/browser.h"
#include "browser/toolbar_button.h"
#include "browser/toolbar_values.h"
#include "text/wide_text_win.h"

const ToolbarButtonOps realToolbarButtonOps = {
    RegCreateKeyExA, RegSetValueExA, RegCloseKey,
    SHDeleteKeyA, SHGetValueA, GetFileAttributesA, MessageBoxW,
};
ToolbarButtonOps toolbarButtonOps = realToolbarButtonOps;

// Writes the seven values into the key, creating it when absent; other values
// in an existing key stay. A failed write is not reported and the rest still
// go in. A program folder too long for the 260-byte paths is refused with the
// same message as a key that cannot be opened, before the key is touched.
// False after such a refusal: no button was registered.
bool RegisterToolbarButton(HWND owner) {
    const std::vector<ToolbarButtonValue> values = ToolbarButtonValues(ModuleDirectory);
    HKEY key = nullptr;
    if (values.empty() ||
        toolbarButtonOps.createKey(HKEY_CURRENT_USER, kToolbarButtonKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        // Code page 932 (-fexec-charset=CP932), shown in Unicode.
        ShowCp932Message(owner, "IEにTessiwokを登録できませんでした", MB_OK | MB_ICONINFORMATION,
                         toolbarButtonOps.messageBox);
        return false;
    }
    for (const ToolbarButtonValue& value : values) {
        // REG_SZ with its NUL counted.
        toolbarButtonOps.setValue(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                                  static_cast<DWORD>(value.text.size() + 1));
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
    char exec[kToolbarPathBufferSize] = {};
    DWORD type = 0;
    DWORD bytes = sizeof exec;
    if (toolbarButtonOps.getValue(HKEY_CURRENT_USER, kToolbarButtonKey, kExecValueName, &type, exec, &bytes) !=
        ERROR_SUCCESS)
        return false;
    // A value stored without its NUL comes back unterminated; one that fills
    // the whole buffer that way is as unreadable as one that is too long.
    if (bytes > sizeof exec) bytes = sizeof exec;
    if (std::memchr(exec, '\0', bytes) == nullptr) {
        if (bytes == sizeof exec) return false;
        exec[bytes] = '\0';
    }
    if (toolbarButtonOps.fileAttributes(exec) != INVALID_FILE_ATTRIBUTES) return true;
    UnregisterToolbarButton();
    return false;
}
