// Saving cached files: one through the Save As dialog, several into a folder
// picked in the folder chooser. Every message box is owned by the main dialog.
#include "save/save.h"

#include <cderr.h>
#include <commctrl.h>

#include <cwchar>
#include <iterator>
#include <new>
#include <string>

#include "app/program.h"
#include "app/settings_file_win.h"
#include "chromium/browser_caches_win.h"
#include "save/body_save_win.h"
#include "save/browser_body_reader.h"
#include "save/folder_chooser.h"
#include "save/safe_name.h"
#include "save/save_paths.h"
#include "save/zone_mark_win.h"
#include "text/ansi_code_page_win.h"
#include "text/wide_text_win.h"

namespace {

int RunChooser(FolderChooser& chooser) { return chooser.Run(); }

}  // namespace

const SaveOps realSaveOps = {
    GetSaveFileNameW, CopyFileA, GetFileAttributesA, SetFileAttributesA, MessageBoxW,
    GetPrivateProfileStringA, WritePrivateProfileStringA, RunChooser, CommDlgExtendedError,
};
SaveOps saveOps = realSaveOps;

namespace {

// Code page 932 bytes (this file is compiled with -fexec-charset=CP932),
// shown through the Unicode functions whatever the ANSI code page is.
const char kSaveAsTitle[] = "キャッシュデータの保存先の決定";
const char kChooserTitle[] = "キャッシュデータの保存先を決定してください";
const char kCopiedText[] = "キャッシュデータをコピーしました";
const char kCopyErrorText[] = "キャッシュデータのコピー中にエラーが発生しました";
const char kAllCopiedText[] = "選択されたキャッシュデータのコピーが完了しました";
// Follows the destination path, which is converted from the ANSI code page on its own.
const char kOverwriteQuestionText[] = "は、すでに存在します。上書きして、処理を続けてよろしいですか？";

// Windows' CopyFile refuses to replace a file with any of these attributes
// (ERROR_ACCESS_DENIED: CreateFile with CREATE_ALWAYS refuses a hidden or
// system file, as desktop.ini and Thumbs.db are); Wine copies over it anyway.
constexpr DWORD kRefusingAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// What SetFileAttributes can put back; the others are not its to set.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NORMAL |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_TEMPORARY;

// The next selected row after start (-1: the first), or -1 when none is left.
int NextSelectedRow(HWND list, int start) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(start),
                                         MAKELPARAM(LVNI_SELECTED, 0)));
}

// The entry behind a row; null for a row the store does not have (the list's
// count and the store always agree, but a stale row must not index past it).
const CacheEntry* EntryAt(int row) {
    if (row < 0 || static_cast<size_t>(row) >= entryStore.Size()) return nullptr;
    return &entryStore.At(static_cast<size_t>(row));
}

// The name a copy gets: the entry's file name, made safe to create inside a
// folder (the cache may hold any address; the list still shows it as it is).
std::string SavedFileName(const CacheEntry& entry) { return SafeFileName(EntryFileName(entry), AnsiLeadBytes()); }

// The information icon, not the error icon.
void ShowCopyError(HWND dialog) {
    ShowCp932Message(dialog, kCopyErrorText, MB_OK | MB_ICONINFORMATION, saveOps.messageBox);
}

void ReadSaveFolder(char* buffer, DWORD size) {
    ReadSetting(kSaveFolderKey, "", buffer, size, saveOps.readProfileString);
}

void WriteSaveFolder(const char* folder) {
    WriteSetting(kSaveFolderKey, folder, saveOps.writeProfileString);
}

// A path the user chose in a dialog as the ANSI bytes that name it, in path
// (size bytes with the NUL). False when the ANSI code page spells it only
// approximately ("?" or a look-alike would name another file or folder), or
// it does not fit: the copy, Setting.ini and the path logic work in these bytes.
bool ChosenPathInAnsi(std::wstring_view chosen, char* path, size_t size) {
    std::string ansi;
    if (!AnsiFromWide(chosen, ansi) || ansi.empty() || ansi.size() >= size) return false;
    ansi.copy(path, ansi.size());
    path[ansi.size()] = '\0';
    return true;
}

// Writes the entry's body to destination, replacing a file there. A URL
// cache row's body is its local file, copied as it stands; a browser cache
// row's is its entry, found again (refused when it changed since the
// listing) and decoded through WriteDecodedBody, which keeps the copy's
// promise: on failure no partial file, and a replaced file as it was.
bool WriteEntryBody(const CacheEntry& entry, const char* destination) {
    if (entry.store != RowStore::Browser)
        return saveOps.copyFile(entry.localFile.c_str(), destination, FALSE) != FALSE;
    BrowserBodyReader body;
    return body.Open(OpenBrowserCacheFolder(entry.browser.cacheFolder), entry.browser) &&
           WriteDecodedBody(body, entry.browser.contentEncoding, destination);
}

// Writes the entry's body to destination, where existing (the attributes read
// after the user agreed to replace what is there, INVALID_FILE_ATTRIBUTES for
// nothing) stands. A read-only, hidden or system file loses those attributes first and
// gets them back when the write fails. A folder is never written over.
bool CopyReplacing(const CacheEntry& entry, const char* destination, DWORD existing) {
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    bool cleared = false;
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & kRefusingAttributes) != 0) {
        const DWORD rest = existing & kSettableAttributes & ~kRefusingAttributes;
        cleared = saveOps.setFileAttributes(destination, rest != 0 ? rest : FILE_ATTRIBUTE_NORMAL) != FALSE;
    }
    if (WriteEntryBody(entry, destination)) return true;
    if (cleared) saveOps.setFileAttributes(destination, existing & kSettableAttributes);
    return false;
}

void SaveOne(HWND list, HWND dialog) {
    const CacheEntry* entry = EntryAt(NextSelectedRow(list, -1));
    if (entry == nullptr) return;

    char path[kSavePathSize] = {};
    ReadSaveFolder(path, sizeof path);
    BuildProposedPath(path, sizeof path, SavedFileName(*entry), AnsiLeadBytes());

    // The proposal is ANSI bytes; 259 of them are at most 259 UTF-16 units.
    wchar_t chosen[kSavePathSize] = {};
    WideFromAnsi(path).copy(chosen, std::size(chosen) - 1);
    // Built for this call only; the request points into them until the dialog
    // returns. The extension is ANSI bytes from the cache; the filter's NULs
    // convert as they are.
    const std::wstring filter = WideFromAnsi(SaveAsFilter(entry->extension));
    const std::wstring title = WideFromCp932(kSaveAsTitle);
    OPENFILENAMEW request{};
    // 76 on 32-bit Windows; the 64-bit record is larger and the dialog refuses 76 there.
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    request.hwndOwner = dialog;
    request.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    request.lpstrFile = chosen;
    request.nMaxFile = static_cast<DWORD>(std::size(chosen));
    request.lpstrTitle = title.c_str();
    // Without OFN_NOCHANGEDIR Windows leaves the chosen folder as the
    // process's current directory, and while Tessiwok runs that folder cannot
    // be renamed or deleted, nor the stick holding it ejected. Nothing here
    // uses the current directory: Setting.ini is found beside the program.
    request.Flags = OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;

    if (!saveOps.getSaveFileName(&request)) {
        // Cancelled, or failed: nothing to say, but for a choice longer than
        // the buffer, which the user made and expects copied.
        if (saveOps.commDlgExtendedError() == FNERR_BUFFERTOOSMALL) ShowCopyError(dialog);
        return;
    }
    if (!ChosenPathInAnsi(std::wstring_view(chosen, wcsnlen(chosen, std::size(chosen))), path, sizeof path)) {
        ShowCopyError(dialog);
        return;
    }
    // "name." typed into the dialog: CopyFile creates "name", the stream
    // "name.:Zone.Identifier" would not be trimmed and land on another file.
    // Both take the name Windows makes; one left without a name fails the copy.
    path[WithoutTrailingDotsAndSpaces(path).size()] = '\0';

    const ZoneMarker marker;
    // The dialog has already asked before replacing an existing file.
    if (!CopyReplacing(*entry, path, saveOps.getFileAttributes(path))) {
        ShowCopyError(dialog);
        return;
    }
    marker.MarkCopy(path, entry->sourceUrl, entry->store == RowStore::Low);
    WriteSaveFolder(FolderOfChosenPath(path, AnsiLeadBytes()).c_str());
    ShowCp932Message(dialog, kCopiedText, MB_OK, saveOps.messageBox);
}

void SaveSeveral(HWND list, HWND dialog) {
    char path[kSavePathSize] = {};
    ReadSaveFolder(path, sizeof path);

    // The chooser borrows both texts until Run returns; after that the path
    // buffer holds one destination after another.
    const std::wstring initialFolder = WideFromAnsi(path);
    const std::wstring title = WideFromCp932(kChooserTitle);
    // BIF_RETURNONLYFSDIRS greys OK on folders outside the file system
    // (Libraries, This PC, Network), which have no path to copy into.
    FolderChooser chooser(initialFolder.c_str(), BIF_RETURNONLYFSDIRS, dialog);
    chooser.SetTitle(title.c_str());
    const int chosen = saveOps.runFolderChooser(chooser);
    if (chosen == FolderChooser::kNotFileSystem) {
        // The user pressed OK and asked for a copy: say that none was made.
        ShowCopyError(dialog);
        return;
    }
    if (chosen != FolderChooser::kChosen) return;

    char folder[kSavePathSize] = {};
    if (!ChosenPathInAnsi(chooser.GetPath(), folder, sizeof folder)) {
        ShowCopyError(dialog);
        return;
    }
    WriteSaveFolder(folder);
    const ZoneMarker marker;
    // Always one more "\": a drive root "C:\" gives "C:\\", which Windows accepts.
    const std::string prefix = std::string(folder) + "\\";

    for (int row = NextSelectedRow(list, -1); row != -1; row = NextSelectedRow(list, row)) {
        const CacheEntry* entry = EntryAt(row);
        if (entry == nullptr) return;

        // A destination that does not fit would be a cut name, some other file:
        // it is reported like a failed copy.
        if (!BuildDestination(prefix, SavedFileName(*entry), path, sizeof path)) {
            ShowCopyError(dialog);
            return;
        }
        const DWORD existing = saveOps.getFileAttributes(path);
        if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            ShowCopyError(dialog);  // no file to replace: nothing to ask about
            return;
        }
        if (existing != INVALID_FILE_ATTRIBUTES) {
            const std::wstring question = WideFromAnsi(path) + WideFromCp932(kOverwriteQuestionText);
            if (ShowMessage(dialog, question, MB_ICONQUESTION | MB_YESNO, saveOps.messageBox) != IDYES) return;
        }
        if (!CopyReplacing(*entry, path, existing)) {
            ShowCopyError(dialog);
            return;
        }
        marker.MarkCopy(path, entry->sourceUrl, entry->store == RowStore::Low);
    }
    ShowCp932Message(dialog, kAllCopiedText, MB_OK, saveOps.messageBox);
}

}  // namespace

// Both run inside the dialog's procedure: memory that cannot be had ends the
// command where it stands, without a message.
void SaveOneEntry(HWND list, HWND dialog) {
    try {
        SaveOne(list, dialog);
    } catch (const std::bad_alloc&) {
    }
}

void SaveSelectedEntries(HWND list, HWND dialog) {
    try {
        SaveSeveral(list, dialog);
    } catch (const std::bad_alloc&) {
    }
}
