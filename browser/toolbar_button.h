// The registry, shell and file calls behind the toolbar button, as a table
// that tests can swap to make a call fail that the real registry will not.
// Defaults to the real functions.
#pragma once

#include <windows.h>

struct ToolbarButtonOps {
    LONG(WINAPI* createKey)(HKEY parent, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                            REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition);
    LONG(WINAPI* setValue)(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD bytes);
    LONG(WINAPI* closeKey)(HKEY key);
    DWORD(WINAPI* deleteKeyTree)(HKEY parent, LPCSTR subKey);  // SHDeleteKeyA
    // "Exec" is read back and tested in UTF-16: in the ANSI code page a path
    // it cannot spell would come back with "?" and count as stale.
    DWORD(WINAPI* getValue)(HKEY parent, LPCWSTR subKey, LPCWSTR name, DWORD* type, void* data,
                            DWORD* bytes);                     // SHGetValueW
    DWORD(WINAPI* fileAttributes)(LPCWSTR path);
    int(WINAPI* messageBox)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);  // MessageBoxW
};

extern const ToolbarButtonOps realToolbarButtonOps;
extern ToolbarButtonOps toolbarButtonOps;
