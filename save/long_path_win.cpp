// Paths with a suffix, in the \\?\ form where they pass MAX_PATH.
#include "save/long_path_win.h"

#include <windows.h>

std::wstring PathWithSuffix(const std::wstring& path, const wchar_t* suffix) {
    std::wstring joined = path + suffix;
    if (joined.size() < MAX_PATH) return joined;
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) return {};
    full.resize(length);
    if (full.compare(0, 4, L"\\\\?\\") == 0) return full + suffix;
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2) + suffix;
    return L"\\\\?\\" + full + suffix;
}
