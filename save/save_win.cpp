// Saving cached files: one through the Save As dialog, several into a folder
// picked in the folder chooser. Every message box is owned by the main dialog.
#include "save/save.h"

#include <commctrl.h>

#include <string>

#include "app/program.h"
#include "save/folder_chooser.h"
#include "save/safe_name.h"
#include "save/save_paths.h"
#include "save/zone_mark_win.h"

namespace {

int RunChooser(FolderChooser& chooser) { return chooser.Run(); }

}  // namespace

const SaveOps realSaveOps = {
    GetSaveFileNameA, CopyFileA, GetFileAttributesA, MessageBoxA,
    GetPrivateProfileStringA, WritePrivateProfileStringA, RunChooser,
};
SaveOps saveOps = realSaveOps;

namespace {

const char kCaption[] = "Tessiwok";
const char kSaveAsTitle[] = "キャッシュデータの保存先の決定";
const char kChooserTitle[] = "キャッシュデータの保存先を決定してください";
const char kCopiedText[] = "キャッシュデータをコピーしました";
const char kCopyErrorText[] = "キャッシュデータのコピー中にエラーが発生しました";
const char kAllCopiedText[] = "選択されたキャッシュデータのコピーが完了しました";

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
std::string SavedFileName(const CacheEntry& entry) { return SafeFileName(EntryFileName(entry)); }

// The information icon, not the error icon.
void ShowCopyError(HWND dialog) { saveOps.messageBox(dialog, kCopyErrorText, kCaption, MB_OK | MB_ICONINFORMATION); }

void ReadSaveFolder(char* buffer, DWORD size) {
    saveOps.readProfileString(kSettingsSection, kSaveFolderKey, "", buffer, size, settingsFile.Path());
}

void WriteSaveFolder(const char* folder) {
    saveOps.writeProfileString(kSettingsSection, kSaveFolderKey, folder, settingsFile.Path());
}

}  // namespace

void SaveOneEntry(HWND list, HWND dialog) {
    const CacheEntry* entry = EntryAt(NextSelectedRow(list, -1));
    if (entry == nullptr) return;

    char path[kSavePathSize] = {};
    ReadSaveFolder(path, sizeof path);

    // Built for this call only; the request points into it until the dialog returns.
    const std::string filter = SaveAsFilter(entry->extension);
    OPENFILENAMEA request{};
    // 76 on 32-bit Windows; the 64-bit record is larger and the dialog refuses 76 there.
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = dialog;
    request.lpstrFilter = filter.empty() ? nullptr : filter.data();
    request.lpstrFile = path;
    request.nMaxFile = sizeof path;
    request.lpstrTitle = kSaveAsTitle;
    // Without OFN_NOCHANGEDIR Windows leaves the chosen folder as the
    // process's current directory, and while Tessiwok runs that folder cannot
    // be renamed or deleted, nor the stick holding it ejected. Nothing here
    // uses the current directory: Setting.ini is found beside the program.
    request.Flags = OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR;

    BuildProposedPath(path, sizeof path, SavedFileName(*entry));
    if (!saveOps.getSaveFileName(&request)) return;  // cancelled or failed: nothing to say

    const ZoneMarker marker;
    // The dialog has already asked before replacing an existing file.
    if (!saveOps.copyFile(entry->localFile.c_str(), path, FALSE)) {
        ShowCopyError(dialog);
        return;
    }
    marker.MarkCopy(path, entry->sourceUrl);
    WriteSaveFolder(FolderOfChosenPath(path).c_str());
    saveOps.messageBox(dialog, kCopiedText, kCaption, MB_OK);
}

void SaveSelectedEntries(HWND list, HWND dialog) {
    char path[kSavePathSize] = {};
    ReadSaveFolder(path, sizeof path);

    // The chooser borrows path as its initial folder until Run returns; after
    // that the buffer holds one destination after another.
    // BIF_RETURNONLYFSDIRS greys OK on folders outside the file system
    // (Libraries, This PC, Network), which have no path to copy into.
    FolderChooser chooser(path, BIF_RETURNONLYFSDIRS, dialog);
    chooser.SetTitle(kChooserTitle);
    const int chosen = saveOps.runFolderChooser(chooser);
    if (chosen == FolderChooser::kNotFileSystem) {
        // The user pressed OK and asked for a copy: say that none was made.
        ShowCopyError(dialog);
        return;
    }
    if (chosen != FolderChooser::kChosen) return;
    const ZoneMarker marker;

    const std::string folder = chooser.GetPath();
    WriteSaveFolder(folder.c_str());
    // Always one more "\": a drive root "C:\" gives "C:\\", which Windows accepts.
    const std::string prefix = folder + "\\";

    for (int row = NextSelectedRow(list, -1); row != -1; row = NextSelectedRow(list, row)) {
        const CacheEntry* entry = EntryAt(row);
        if (entry == nullptr) return;

        // A destination that does not fit would be a cut name, some other file:
        // it is reported like a failed copy.
        if (!BuildDestination(prefix, SavedFileName(*entry), path, sizeof path)) {
            ShowCopyError(dialog);
            return;
        }
        if (saveOps.getFileAttributes(path) != INVALID_FILE_ATTRIBUTES) {
            char question[kQuestionSize];
            BuildOverwriteQuestion(path, question, sizeof question);
            if (saveOps.messageBox(dialog, question, kCaption, MB_ICONQUESTION | MB_YESNO) != IDYES) return;
        }
        if (!saveOps.copyFile(entry->localFile.c_str(), path, FALSE)) {
            ShowCopyError(dialog);
            return;
        }
        marker.MarkCopy(path, entry->sourceUrl);
    }
    saveOps.messageBox(dialog, kAllCopiedText, kCaption, MB_OK);
}
