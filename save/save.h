// Copying cached files out: one through Save As, several into a chosen folder.
#pragma once

#include <windows.h>
#include <commdlg.h>

class FolderChooser;

// The platform operations the two save commands use, as a table a test can
// swap: to make a copy fail at a chosen row, answer a dialog, or count what
// was asked. Defaults to the real functions.
// The dialogs and message boxes are the Unicode ones (the program's texts
// are code page 932 whatever the ANSI code page is); files and settings are
// named by ANSI paths.
struct SaveOps {
    BOOL(WINAPI* getSaveFileName)(LPOPENFILENAMEW request);
    BOOL(WINAPI* copyFile)(LPCSTR source, LPCSTR destination, BOOL failIfExists);
    DWORD(WINAPI* getFileAttributes)(LPCSTR path);
    BOOL(WINAPI* setFileAttributes)(LPCSTR path, DWORD attributes);
    int(WINAPI* messageBox)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style);
    DWORD(WINAPI* readProfileString)(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size,
                                     LPCSTR file);
    BOOL(WINAPI* writeProfileString)(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file);
    int (*runFolderChooser)(FolderChooser& chooser);  // FolderChooser::Run by default
    DWORD(WINAPI* commDlgExtendedError)();            // why getSaveFileName gave 0
};

extern const SaveOps realSaveOps;
extern SaveOps saveOps;

// Copies the entry behind the first selected row through the Save As dialog.
// A chosen path that the ANSI code page cannot spell exactly, or that is
// longer than 259 bytes there or than the dialog's buffer, is refused with
// the copy error: nothing is copied or remembered. A chosen name ending in
// dots or spaces is copied and marked under the name Windows makes of it.
void SaveOneEntry(HWND list, HWND dialog);

// Copies the entries behind every selected row into a folder the user picks;
// a folder refused as in SaveOneEntry copies and remembers nothing.
void SaveSelectedEntries(HWND list, HWND dialog);

// Both replace a read-only, hidden or system file the user agreed to replace (the
// Save As dialog's question, or the program's own); a folder of that name is
// a failed copy, never asked about.
