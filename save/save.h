// Copying cached files out: one through Save As, several into a chosen folder.
#pragma once

#include <windows.h>
#include <commdlg.h>

class FolderChooser;

// The platform operations the two save commands use, as a table a test can
// swap: to make a copy fail at a chosen row, answer a dialog, or count what
// was asked. Defaults to the real functions.
struct SaveOps {
    BOOL(WINAPI* getSaveFileName)(LPOPENFILENAMEA request);
    BOOL(WINAPI* copyFile)(LPCSTR source, LPCSTR destination, BOOL failIfExists);
    DWORD(WINAPI* getFileAttributes)(LPCSTR path);
    int(WINAPI* messageBox)(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
    DWORD(WINAPI* readProfileString)(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size,
                                     LPCSTR file);
    BOOL(WINAPI* writeProfileString)(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file);
    int (*runFolderChooser)(FolderChooser& chooser);  // FolderChooser::Run by default
};

extern const SaveOps realSaveOps;
extern SaveOps saveOps;

// Copies the entry behind the first selected row through the Save As dialog.
void SaveOneEntry(HWND list, HWND dialog);

// Copies the entries behind every selected row into a folder the user picks.
void SaveSelectedEntries(HWND list, HWND dialog);
