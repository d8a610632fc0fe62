// Paths from the system in the ANSI code page: exact, or their short name.
#include "text/ansi_path_win.h"

#include <new>

#include "text/wide_text_win.h"

bool AnsiPathFromWide(const std::wstring& path, std::string& ansi) {
    ansi.clear();
    if (path.empty()) return false;
    if (AnsiFromWide(path, ansi)) return true;
    // GetShortPathNameW answers the size with the NUL when the buffer is too
    // small, the length without it on success, and 0 on failure. A path whose
    // volume keeps no short names comes back long, and is refused below.
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return false;
    std::wstring shortPath;
    try {
        shortPath.assign(needed, L'\0');
    } catch (const std::bad_alloc&) {
        return false;
    }
    const DWORD length = GetShortPathNameW(path.c_str(), &shortPath[0], needed);
    if (length == 0 || length >= needed) return false;
    shortPath.resize(length);
    return AnsiFromWide(shortPath, ansi);
}
