// The cached file's name in the ANSI code page that opens it, also where the
// ANSI enumeration could not spell the profile folder.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

// The cache call behind the exact name, as a table a test can swap. Defaults
// to the real function.
struct LocalFileOps {
    BOOL(WINAPI* getEntryInfo)(LPCWSTR url, LPINTERNET_CACHE_ENTRY_INFOW info, LPDWORD size);
};

extern const LocalFileOps realLocalFileOps;
extern LocalFileOps localFileOps;

// The ANSI enumeration puts "?" for every character of the local file name
// that the ANSI code page lacks (a Japanese user name on a Western Windows),
// and no Windows file name holds a "?": such a name is asked for again in
// UTF-16 (GetUrlCacheEntryInfoW for the same address) and spelled exactly or
// by its short name. Otherwise, and when that fails, the name as it came;
// opening it fails, and the copy says so.
std::string ExactLocalFile(const char* localFile, const char* sourceUrl);
