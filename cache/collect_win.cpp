// Walks the whole WinINet URL cache and keeps the items under a prefix.
#include "cache/collect.h"

#include <cstdlib>
#include <cstring>

#include "cache/local_file_win.h"
#include "cache/local_time_win.h"
#include "text/url_escapes.h"
#include "text/wide_text_win.h"

const CacheEnumOps realCacheEnumOps = {
    FindFirstUrlCacheEntryA, FindNextUrlCacheEntryA, FindCloseUrlCache,
    std::malloc, std::realloc, std::free,
};
CacheEnumOps cacheEnumOps = realCacheEnumOps;

namespace {

// The keep-tests of a record against whichever form of the prefix its URL
// starts with; that form's length, or npos for a record not kept.
size_t KeptPrefixLength(const INTERNET_CACHE_ENTRY_INFOA& info, const CollectPrefixes& prefixes) {
    CacheRecord record;
    record.sourceUrl = info.lpszSourceUrlName;
    record.localFile = info.lpszLocalFileName;
    record.sizeLow = info.dwSizeLow;
    record.sizeHigh = info.dwSizeHigh;
    const std::string_view prefix = MatchingPrefix(record.sourceUrl, prefixes);
    return IsCollected(record, prefix) ? prefix.size() : std::string_view::npos;
}

// Where an entry's local file comes from: a record of this process's cache
// is asked for again where the ANSI enumeration lost characters; the low
// collector's records were asked for in the low process, whose cache they
// are (this process would find another entry under the same address).
enum class LocalFile { AskOwnCache, AsDelivered };

bool BuildEntry(const INTERNET_CACHE_ENTRY_INFOA& info, const CollectPrefixes& prefixes, LocalFile localFile,
                ZoneRules& rules, CacheEntry& entry) {
    const size_t prefixLength = KeptPrefixLength(info, prefixes);
    if (prefixLength == std::string_view::npos) return false;

    SetPathAndExtension(info.lpszSourceUrlName + prefixLength, entry, AnsiSpellingOf);
    entry.localFile = localFile == LocalFile::AskOwnCache
                          ? ExactLocalFile(info.lpszLocalFileName, info.lpszSourceUrlName)
                          : std::string(info.lpszLocalFileName);
    entry.sourceUrl = info.lpszSourceUrlName;
    entry.size = info.dwSizeLow;
    entry.lastAccess = LocalTime(info.LastAccessTime, rules);
    entry.lastModified = LocalTime(info.LastModifiedTime, rules);
    return true;
}

// After an insufficient-buffer failure that reported needed bytes: the buffer
// grows to needed + 1024, keeping its place where it can. False when it
// cannot; the old block then stays ours to free.
bool Grow(void*& buffer, DWORD& bufferSize, DWORD needed) {
    if (needed > MAXDWORD - 1024) return false;
    const DWORD grown = needed + 1024;
    void* larger = cacheEnumOps.reallocate(buffer, grown);
    if (larger == nullptr) return false;
    buffer = larger;
    bufferSize = grown;
    return true;
}

// Asks for the next record; after an insufficient-buffer failure the buffer
// grows and the same record is asked for once more.
bool Advance(HANDLE find, void*& buffer, DWORD& bufferSize) {
    DWORD available = bufferSize;
    if (cacheEnumOps.findNext(find, static_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer), &available))
        return true;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || !Grow(buffer, bufferSize, available)) return false;
    available = bufferSize;
    return cacheEnumOps.findNext(find, static_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer), &available) != FALSE;
}

// Opens the enumeration at its first record. The cache is told the whole
// buffer: the browser may have rewritten that record since the probe measured
// it, and a record that outgrew the buffer gets a larger one and is asked for
// once more (a failed first call opens no enumeration).
HANDLE OpenEnumeration(void*& buffer, DWORD& bufferSize) {
    DWORD available = bufferSize;
    HANDLE find = cacheEnumOps.findFirst(nullptr, static_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer), &available);
    if (find != nullptr || GetLastError() != ERROR_INSUFFICIENT_BUFFER || !Grow(buffer, bufferSize, available))
        return find;
    available = bufferSize;
    return cacheEnumOps.findFirst(nullptr, static_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer), &available);
}

}  // namespace

std::string SentPrefix(std::string_view typed) {
    std::string utf8;
    if (!Utf8FromAnsi(typed, utf8)) return std::string();
    std::string sent = EscapeNonAscii(utf8);
    return sent == typed ? std::string() : sent;
}

bool IsKeptRecord(const INTERNET_CACHE_ENTRY_INFOA& info, const CollectPrefixes& prefixes) {
    return KeptPrefixLength(info, prefixes) != std::string_view::npos;
}

void VisitCacheRecords(CacheRecordVisitor visit, void* context) {
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

    HANDLE find = OpenEnumeration(buffer, bufferSize);
    if (find == nullptr) {
        cacheEnumOps.release(buffer);
        return;
    }

    do {
        visit(*static_cast<const INTERNET_CACHE_ENTRY_INFOA*>(buffer), context);
    } while (Advance(find, buffer, bufferSize));

    cacheEnumOps.release(buffer);
    cacheEnumOps.findClose(find);
}

namespace {

// What one collection carries from record to record.
struct Collection {
    std::string sent;  // the prefix as the browser sends it, or ""
    CollectPrefixes prefixes;
    ZoneRules rules;
    EntryStore& store;

    Collection(const char* prefix, EntryStore& target) : sent(SentPrefix(prefix)), prefixes{prefix, sent}, store(target) {
        ReadZone(rules);
    }
};

void CollectVisited(const INTERNET_CACHE_ENTRY_INFOA& info, void* context) {
    auto& collection = *static_cast<Collection*>(context);
    CacheEntry entry;
    if (BuildEntry(info, collection.prefixes, LocalFile::AskOwnCache, collection.rules, entry))
        collection.store.Append(std::move(entry));
}

}  // namespace

void CollectCacheEntries(const char* prefix, EntryStore& store) {
    store.Clear();
    Collection collection(prefix, store);
    VisitCacheRecords(CollectVisited, &collection);
}

DeliveredRecords::DeliveredRecords(const char* prefix) : sent_(SentPrefix(prefix)), prefixes_{prefix, sent_} {
    ReadZone(rules_);
}

bool DeliveredRecords::Build(const INTERNET_CACHE_ENTRY_INFOA& info, CacheEntry& entry) {
    return BuildEntry(info, prefixes_, LocalFile::AsDelivered, rules_, entry);
}
