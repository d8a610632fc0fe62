// Test fixtures on the real WinINet URL cache: commit items, find them, remove them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testkit {

struct CachedItem {
    std::string url;
    std::string content;            // the cached file's bytes
    bool withLocalFile = true;      // false: an item without a local file
    FILETIME lastModified{0, 0};    // {0,0} is the cache's "no time"
    std::string headers;            // optional HTTP headers stored with the item
    std::string extension = "bin";  // extension of the cached file
};

// Adds one item to the cache the way a browser would; returns false and
// leaves GetLastError set when the cache refuses it.
bool CommitCacheEntry(const CachedItem& cached);

// Every source URL in the cache that starts with the prefix.
std::vector<std::string> CachedUrlsUnder(const std::string& prefix);

// Removes every item under the prefix; returns how many were removed.
int DeleteCacheEntriesUnder(const std::string& prefix);

// One record as the cache's enumeration delivers it.
struct CacheRecordCopy {
    std::string url;
    bool hasLocalFile = false;
    std::string localFile;
    DWORD sizeLow = 0;
    DWORD sizeHigh = 0;
    FILETIME lastAccess{0, 0};  // UTC, as the cache holds them
    FILETIME lastModified{0, 0};
};

// Every record of the cache, in the enumeration's order. Reads only.
std::vector<CacheRecordCopy> CacheRecords();

// The cached file's path for a URL, or "" when the cache has none.
std::string LocalFileOf(const std::string& url);

// A FILETIME from calendar fields in UTC.
FILETIME UtcFileTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace testkit
