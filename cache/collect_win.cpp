// Walks the whole WinINet URL cache and keeps the items under a prefix.
#include "cache/collect.h"

#include <cstdlib>
#include <cstring>

#include "cache/address.h"

const CacheEnumOps realCacheEnumOps = {
    FindFirstUrlCacheEntryA, FindNextUrlCacheEntryA, FindCloseUrlCache,
    std::malloc, std::realloc, std::free,
};
CacheEnumOps cacheEnumOps = realCacheEnumOps;

namespace {

// A zero time is the cache's "no time" (the server sent none). It stays zero:
// converted, it would become a date near 1601 east of UTC and a value that no
// calendar can show west of it.
FileTime LocalTime(const FILETIME& utc) {
    if (utc.dwLowDateTime == 0 && utc.dwHighDateTime == 0) return FileTime{};
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
    return FileTime{local.dwLowDateTime, local.dwHighDateTime};
}

void CollectOne(const INTERNET_CACHE_ENTRY_INFOA& info, std::string_view prefix, EntryStore& store) {
    CacheRecord record;
    record.sourceUrl = info.lpszSourceUrlName;
    record.localFile = info.lpszLocalFileName;
    record.sizeLow = info.dwSizeLow;
    record.sizeHigh = info.dwSizeHigh;
    if (!IsCollected(record, prefix)) return;

    CacheEntry entry;
    SetPathAndExtension(record.sourceUrl + prefix.size(), entry);
    entry.localFile = info.lpszLocalFileName;
    entry.size = info.dwSizeLow;
    entry.lastAccess = LocalTime(info.LastAccessTime);
    entry.lastModified = LocalTime(info.LastModifiedTime);
    store.Append(std::move(entry));
}

// Asks for the next record; after an insufficient-buffer failure the buffer
// grows to the reported need + 1024 and the same record is asked for once more.
bool Advance(HANDLE find, void*& buffer, DWORD& bufferSize) {
    DWORD available = bufferSize;
    if (cacheEnumOps.findNext(find, static_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer), &available))
        return true;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    if (available > MAXDWORD - 1024) return false;

    DWORD grown = available + 1024;
    void* larger = cacheEnumOps.reallocate(buffer, grown);
    if (larger == nullptr) return false;  // the old block stays ours to free
    buffer = larger;
    bufferSize = grown;
    available = bufferSize;
    return cacheEnumOps.findNext(find, static_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer), &available) != FALSE;
}

}  // namespace

void CollectCacheEntries(const char* prefix, EntryStore& store) {
    const std::string_view prefixView(prefix);
    store.Clear();

    DWORD needed = 0;
    HANDLE probe = cacheEnumOps.findFirst(nullptr, nullptr, &needed);
    if (probe != nullptr) {
        cacheEnumOps.findClose(probe);
        return;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return;
    if (needed > MAXDWORD - 1024) return;

    DWORD bufferSize = needed + 1024;
    void* buffer = cacheEnumOps.allocate(bufferSize);
    if (buffer == nullptr) return;

    DWORD available = needed;  // the probe's need, not the larger buffer size
    HANDLE find = cacheEnumOps.findFirst(nullptr, static_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer), &available);
    if (find == nullptr) {
        cacheEnumOps.release(buffer);
        return;
    }

    do {
        CollectOne(*static_cast<const INTERNET_CACHE_ENTRY_INFOA*>(buffer), prefixView, store);
    } while (Advance(find, buffer, bufferSize));

    cacheEnumOps.release(buffer);
    cacheEnumOps.findClose(find);
}
