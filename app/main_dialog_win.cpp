// The main dialog's procedure and the collect command.
#include "app/main_dialog.h"

#include <commctrl.h>

#include <cstring>

#include "app/program.h"
#include "browser/browser.h"
#include "cache/address.h"
#include "cache/low_collect.h"
#include "chromium/browser_caches_win.h"
#include "list/result_list.h"
#include "list/sort.h"
#include "res/resource.h"
#include "save/body_decode.h"
#include "save/save.h"
#include "text/wide_text_win.h"

namespace {

// Addresses shorter than this (a double-byte character counts two) are not
// collected; "http://" alone is 7 bytes.
constexpr size_t kShortestAddress = 8;

LRESULT SelectedCount(HWND list) { return SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0); }

void SetItemCount(HWND list, size_t count) {
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
}

// The program's icon in the caption and the task switcher. The dialog template
// names no icon, so the dialog would otherwise show the system's default.
void ShowProgramIcon(HWND dialog) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    auto load = [&](int metricX, int metricY) {
        return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_TESSIWOK), IMAGE_ICON,
                                             GetSystemMetrics(metricX), GetSystemMetrics(metricY), LR_SHARED));
    };
    if (HICON bigIcon = load(SM_CXICON, SM_CYICON)) SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    if (HICON smallIcon = load(SM_CXSMICON, SM_CYSMICON))
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
}

// The template's texts in code page 932 bytes (this file is compiled with
// -fexec-charset=CP932); the caption and the version are ASCII.
const char kGroupText[] = "回収対象URL（指定した階層以下のキャッシュを対象とします）";
const char kCollectText[] = "回収";
const char kSaveText[] = "保存";
const char kToolbarText[] = "IEのツールバーに登録する";

bool IsGroupBox(HWND control) {
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    return lstrcmpiW(className, L"Button") == 0 && (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// DialogBoxParamA makes each control from the template's UTF-16 text through
// the ANSI code page, so a code page without Japanese (1252) shows "??". The
// texts go in again through the Unicode function: the controls are Unicode
// windows (the system's and common controls 6 classes are registered so)
// and keep them as given. The dialog itself stays ANSI: its list still
// notifies in the ANSI code page. The group box has no identifier of its own.
void ShowOwnTexts(HWND dialog) {
    SetDlgItemTextW(dialog, IDC_COLLECT, WideFromCp932(kCollectText).c_str());
    SetDlgItemTextW(dialog, IDC_SAVE, WideFromCp932(kSaveText).c_str());
    SetDlgItemTextW(dialog, IDC_TOOLBAR, WideFromCp932(kToolbarText).c_str());
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (IsGroupBox(child)) SetWindowTextW(child, WideFromCp932(kGroupText).c_str());
}

void OnInitDialog(HWND dialog) {
    ShowProgramIcon(dialog);
    ShowOwnTexts(dialog);
    CheckDlgButton(dialog, IDC_TOOLBAR, IsToolbarButtonRegistered() ? BST_CHECKED : BST_UNCHECKED);
    SetupListColumns(GetDlgItem(dialog, IDC_RESULTS));
    ShowPageAddress(GetDlgItem(dialog, IDC_ADDRESS));
}

void OnSave(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_RESULTS);
    LRESULT selected = SelectedCount(list);
    if (selected == 1) {
        SaveOneEntry(list, dialog);
    } else if (selected > 1) {
        SaveSelectedEntries(list, dialog);
    }
}

void OnToolbarCheckBox(HWND dialog) {
    // An automatic check box: it already shows the user's new choice. A
    // registration that failed takes the check away again, so that the box
    // shows what the registry holds.
    if (IsDlgButtonChecked(dialog, IDC_TOOLBAR) == BST_CHECKED) {
        if (!RegisterToolbarButton(dialog)) CheckDlgButton(dialog, IDC_TOOLBAR, BST_UNCHECKED);
    } else {
        UnregisterToolbarButton();
    }
}

// Ctrl+A and Ctrl+C in the result list; every other key stays the list's
// (Enter and Escape never get here: the dialog turns them into IDOK and IDCANCEL).
bool OnListKey(HWND dialog, HWND list, WORD key) {
    const bool control = GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0;  // Ctrl+Alt is AltGr
    if (!control) return false;
    switch (key) {
    case 'A':
        SelectAllRows(list);
        UpdateSaveButton(GetDlgItem(dialog, IDC_SAVE), list);
        return true;
    case 'C':
        CopySelectedRows(list, dialog);
        return true;
    default:
        return false;
    }
}

// A notification's answer other than TRUE or FALSE goes through the dialog's
// DWLP_MSGRESULT; the dialog procedure itself returns TRUE.
bool Answer(HWND dialog, LRESULT result) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return true;
}

// Notifications of the result list; false for those the dialog leaves alone.
bool OnListNotify(HWND dialog, NMHDR* header) {
    HWND list = header->hwndFrom;
    switch (header->code) {
    case LVN_GETDISPINFOA:
        FormatCellText(entryStore, reinterpret_cast<NMLVDISPINFOA*>(header)->item);
        return true;
    case LVN_COLUMNCLICK:
        SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        InvalidateRect(list, nullptr, TRUE);
        return true;
    case LVN_ITEMCHANGED:
        UpdateSaveButton(GetDlgItem(dialog, IDC_SAVE), list);
        return true;
    case LVN_ODSTATECHANGED:
        // A virtual list reports a range of rows (Shift+click, a range set by
        // a program) with this one notification instead of an item change per
        // row. The button follows; the notification stays the list's.
        UpdateSaveButton(GetDlgItem(dialog, IDC_SAVE), list);
        return false;
    case LVN_ODFINDITEMA:
        // Left unanswered, the request would get 0: "row 0 matches", and the
        // list would select row 0 alone whatever was typed.
        return Answer(dialog, FindRowForList(entryStore, *reinterpret_cast<NMLVFINDITEMA*>(header)));
    case LVN_ODFINDITEMW:
        // Wine's list asks in Unicode even of this ANSI dialog (Windows asks in
        // the dialog's notify format); e2e list_keys_test types into it.
        return Answer(dialog, FindRowForList(entryStore, *reinterpret_cast<NMLVFINDITEMW*>(header)));
    case LVN_KEYDOWN:
        return OnListKey(dialog, list, reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
    case NM_DBLCLK:
        if (SelectedCount(list) != 0) SaveOneEntry(list, dialog);
        return true;
    default:
        return false;
    }
}

}  // namespace

void CollectCommand(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_RESULTS);
    char address[2048] = {};
    GetDlgItemTextA(dialog, IDC_ADDRESS, address, sizeof address - 1);
    if (std::strlen(address) < kShortestAddress) {
        entryStore.Clear();
        SetItemCount(list, 0);
        return;
    }

    HWND collectButton = GetDlgItem(dialog, IDC_COLLECT);
    // Disabling the focused button takes the keyboard focus away from the
    // whole dialog; it is given back once the button is enabled again.
    const bool hadFocus = GetFocus() == collectButton;
    EnableWindow(collectButton, FALSE);
    // The dialog does not pump messages while it collects, so the cursor
    // keeps this shape until the collection is over.
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));

    CutToDirectory(address);
    SetDlgItemTextA(dialog, IDC_ADDRESS, address);
    // The URL cache's rows first, then those of Edge's and Chrome's own
    // caches, whose bodies are saved decoded.
    CollectAllCacheEntries(address, entryStore);
    AppendBrowserCacheEntries(address, entryStore, IsDecodableEncoding);
    SetItemCount(list, entryStore.Size());

    SetCursor(previous);
    EnableWindow(collectButton, TRUE);
    if (hadFocus) SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(collectButton), TRUE);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDC_COLLECT:
            CollectCommand(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_SAVE:
            OnSave(dialog);
            return TRUE;
        case IDC_TOOLBAR:
            OnToolbarCheckBox(dialog);
            return FALSE;
        default:
            return FALSE;
        }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (wParam != IDC_RESULTS || header == nullptr) return FALSE;
        return OnListNotify(dialog, header) ? TRUE : FALSE;
    }
    default:
        return FALSE;
    }
}
