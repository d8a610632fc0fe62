// Collecting the URL cache entries under an address into an EntryStore.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <windows.h>
#include <wininet.h>

#include "cache/address.h"
#include "cache/cache_entry.h"
#include "cache/local_time_win.h"

// The platform calls the collection makes, as a table that tests can swap to
// provoke what the real cache cannot be made to do. Defaults to the real ones.
struct CacheEnumOps {
    HANDLE(WINAPI* findFirst)(LPCSTR pattern, LPINTERNET_CACHE_ENTRY_INFOA info, LPDWORD size);
    BOOL(WINAPI* findNext)(HANDLE find, LPINTERNET_CACHE_ENTRY_INFOA info, LPDWORD size);
    BOOL(WINAPI* findClose)(HANDLE find);
    void* (*allocate)(size_t bytes);
    void* (*reallocate)(void* block, size_t bytes);  // keeps the block where it can
    void (*release)(void* block);
};

extern const CacheEnumOps realCacheEnumOps;
extern CacheEnumOps cacheEnumOps;

// Replaces the store's content with every cached item under the prefix, in
// the cache's enumeration order. Never shows a message; a failure ends the
// enumeration with what was found so far.
void CollectCacheEntries(const char* prefix, EntryStore& store);

// Walks the whole cache once, handing each record to visit in the cache's
// enumeration order; a failure ends the walk with what was visited. The
// collection builds entries from them; the low-integrity collector sends them
// to its parent.
using CacheRecordVisitor = void (*)(const INTERNET_CACHE_ENTRY_INFOA& info, void* context);
void VisitCacheRecords(CacheRecordVisitor visit, void* context);

// The prefix in the form the browser sends it: Internet Explorer 7 and later
// send a path's characters outside ASCII as escaped UTF-8 and key the cache
// by that address. Empty when it is the typed prefix itself (all ASCII) or
// the typed bytes are no text of the ANSI code page.
std::string SentPrefix(std::string_view typed);

// Whether a record passes the keep-tests under the prefix as typed or as sent.
bool IsKeptRecord(const INTERNET_CACHE_ENTRY_INFOA& info, const CollectPrefixes& prefixes);

// Builds the entries of records that another enumeration delivered (the
// low-integrity cache's), one at a time as they arrive, each exactly as the
// collection builds its own but for the local file, taken as delivered: the
// other process asked its own cache for the exact name.
class DeliveredRecords {
public:
    explicit DeliveredRecords(const char* prefix);
    DeliveredRecords(const DeliveredRecords&) = delete;
    DeliveredRecords& operator=(const DeliveredRecords&) = delete;

    // The record's entry; false (entry untouched) for a record the collection
    // does not keep.
    bool Build(const INTERNET_CACHE_ENTRY_INFOA& info, CacheEntry& entry);

private:
    std::string sent_;  // the prefix as the browser sends it, or ""
    CollectPrefixes prefixes_;
    ZoneRules rules_;
};
