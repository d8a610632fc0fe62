// Test fixtures on the real WinINet URL cache.
#include "tools/testkit/url_cache_fixture.h"

#include <wininet.h>

#include <cstdlib>
#include <memory>

namespace testkit {

bool CommitCacheEntry(const CachedItem& cached) {
    const char* headers = cached.headers.empty() ? nullptr : cached.headers.c_str();
    DWORD headerSize = static_cast<DWORD>(cached.headers.size());
    FILETIME noExpiry{0, 0};

    if (!cached.withLocalFile) {
        return CommitUrlCacheEntryA(cached.url.c_str(), nullptr, noExpiry, cached.lastModified,
                                    NORMAL_CACHE_ENTRY, reinterpret_cast<BYTE*>(const_cast<char*>(headers)),
                                    headerSize, nullptr, nullptr) != FALSE;
    }

    char localFile[MAX_PATH] = {};
    if (!CreateUrlCacheEntryA(cached.url.c_str(), static_cast<DWORD>(cached.content.size()),
                              cached.extension.c_str(), localFile, 0))
        return false;
    HANDLE file = CreateFileA(localFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = cached.content.empty() ||
              WriteFile(file, cached.content.data(), static_cast<DWORD>(cached.content.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok) return false;
    return CommitUrlCacheEntryA(cached.url.c_str(), localFile, noExpiry, cached.lastModified, NORMAL_CACHE_ENTRY,
                                reinterpret_cast<BYTE*>(const_cast<char*>(headers)), headerSize,
                                nullptr, nullptr) != FALSE;
}

namespace {

// Calls visit(info) for every record in the cache.
template <typename Visit>
void ForEachCacheRecord(Visit visit) {
    DWORD size = 0;
    FindFirstUrlCacheEntryA(nullptr, nullptr, &size);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return;
    std::vector<char> buffer(size + 1024);
    DWORD available = static_cast<DWORD>(buffer.size());
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    HANDLE find = FindFirstUrlCacheEntryA(nullptr, info, &available);
    if (find == nullptr) return;
    for (;;) {
        visit(*info);
        available = static_cast<DWORD>(buffer.size());
        if (FindNextUrlCacheEntryA(find, info, &available)) continue;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        buffer.resize(available + 1024);
        info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
        available = static_cast<DWORD>(buffer.size());
        if (!FindNextUrlCacheEntryA(find, info, &available)) break;
    }
    FindCloseUrlCache(find);
}

}  // namespace

std::vector<CacheRecordCopy> CacheRecords() {
    std::vector<CacheRecordCopy> records;
    ForEachCacheRecord([&](const INTERNET_CACHE_ENTRY_INFOA& info) {
        CacheRecordCopy record;
        record.url = info.lpszSourceUrlName ? info.lpszSourceUrlName : "";
        record.hasLocalFile = info.lpszLocalFileName != nullptr;
        record.localFile = info.lpszLocalFileName ? info.lpszLocalFileName : "";
        record.sizeLow = info.dwSizeLow;
        record.sizeHigh = info.dwSizeHigh;
        record.lastAccess = info.LastAccessTime;
        record.lastModified = info.LastModifiedTime;
        records.push_back(record);
    });
    return records;
}

std::vector<std::string> CachedUrlsUnder(const std::string& prefix) {
    std::vector<std::string> urls;
    ForEachCacheRecord([&](const INTERNET_CACHE_ENTRY_INFOA& info) {
        if (info.lpszSourceUrlName && std::string(info.lpszSourceUrlName).rfind(prefix, 0) == 0)
            urls.push_back(info.lpszSourceUrlName);
    });
    return urls;
}

int DeleteCacheEntriesUnder(const std::string& prefix) {
    int removed = 0;
    for (const std::string& url : CachedUrlsUnder(prefix))
        if (DeleteUrlCacheEntryA(url.c_str())) ++removed;
    return removed;
}

std::string LocalFileOf(const std::string& url) {
    DWORD size = 0;
    GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size);
    if (size == 0) return "";
    std::vector<char> buffer(size);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    if (!GetUrlCacheEntryInfoA(url.c_str(), info, &size)) return "";
    return info->lpszLocalFileName ? info->lpszLocalFileName : "";
}

FILETIME UtcFileTime(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

}  // namespace testkit
