// Reading and writing the settings of "Setting.ini".
#pragma once

#include <windows.h>

#include "app/settings_file.h"

using ReadProfileFunction = DWORD(WINAPI*)(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size,
                                           LPCSTR file);
using WriteProfileFunction = BOOL(WINAPI*)(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file);

// Reads key of the section "Tessiwok" into buffer (size bytes with the NUL),
// fallback when it is absent; returns the length read. Through read and the
// ANSI path when there is one; otherwise through GetPrivateProfileStringW and
// the exact path, the value taken back into the ANSI code page exactly (a
// value that does not fit or that the code page cannot spell reads as the
// fallback: a cut folder would be another one).
DWORD ReadSetting(const char* key, const char* fallback, char* buffer, DWORD size,
                  ReadProfileFunction read = GetPrivateProfileStringA);

// Writes key of the section "Tessiwok" (an ANSI code page value), through
// write and the ANSI path when there is one, else WritePrivateProfileStringW,
// which keeps an existing ANSI file ANSI and creates a new one ANSI.
bool WriteSetting(const char* key, const char* value, WriteProfileFunction write = WritePrivateProfileStringA);
