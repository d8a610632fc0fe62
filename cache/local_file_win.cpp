// The cached file's name, exact where the ANSI enumeration lost characters.
#include "cache/local_file_win.h"

#include <cstring>
#include <vector>

#include "text/ansi_path_win.h"
#include "text/wide_text_win.h"

const LocalFileOps realLocalFileOps = {GetUrlCacheEntryInfoW};
LocalFileOps localFileOps = realLocalFileOps;

namespace {

// The record's local file name in UTF-16, or "".
std::wstring WideLocalFile(const std::wstring& url) {
    DWORD size = 0;
    if (localFileOps.getEntryInfo(url.c_str(), nullptr, &size) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
        size < sizeof(INTERNET_CACHE_ENTRY_INFOW))
        return L"";
    // 8-byte aligned for the record's fields; the strings follow it.
    std::vector<unsigned long long> buffer(size / sizeof(unsigned long long) + 1);
    auto* info = reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOW>(buffer.data());
    DWORD available = static_cast<DWORD>(buffer.size() * sizeof(unsigned long long));
    if (!localFileOps.getEntryInfo(url.c_str(), info, &available) || info->lpszLocalFileName == nullptr) return L"";
    return info->lpszLocalFileName;
}

}  // namespace

std::string ExactLocalFile(const char* localFile, const char* sourceUrl) {
    if (std::strchr(localFile, '?') == nullptr) return localFile;
    const std::wstring url = WideFromAnsi(sourceUrl);
    std::string exact;
    if (url.empty() || !AnsiPathFromWide(WideLocalFile(url), exact)) return localFile;
    return exact;
}
