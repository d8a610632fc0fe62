// Walks the whole WinINet URL cache and keeps the items under a prefix.
#include "cache/collect.h"

#include <cstdlib>
#include <cstring>

#include "cache/address.h"
#include "text/url_escapes.h"
#include "text/wide_text_win.h"

const CacheEnumOps realCacheEnumOps = {
    FindFirstUrlCacheEntryA, FindNextUrlCacheEntryA, FindCloseUrlCache,
    std::malloc, std::realloc, std::free,
};
CacheEnumOps cacheEnumOps = realCacheEnumOps;

namespace {

// The local zone's rules, read once per collection and once for each year
// the times fall in. A time converts with the offset in force at that time
// (summer or winter time, by that year's rules), as Explorer shows it:
// FileTimeToLocalFileTime applies today's offset to every time, an hour off
// for half of the year in a zone with summer time.
struct ZoneRules {
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    bool known = false;  // false: only the current rules, through a null zone
    struct Year {
        WORD year = 0;  // 0: slot unused
        TIME_ZONE_INFORMATION rules{};
    } years[8];
    size_t nextSlot = 0;
};

void ReadZone(ZoneRules& rules) {
    rules.known = GetDynamicTimeZoneInformation(&rules.zone) != TIME_ZONE_ID_INVALID;
}

// The rules in force in a year; null for the zone's current rules, which
// SystemTimeToTzSpecificLocalTime then reads itself.
const TIME_ZONE_INFORMATION* RulesFor(ZoneRules& rules, WORD year) {
    if (!rules.known) return nullptr;
    for (const ZoneRules::Year& slot : rules.years)
        if (slot.year == year) return &slot.rules;
    ZoneRules::Year& slot = rules.years[rules.nextSlot];
    if (!GetTimeZoneInformationForYear(year, &rules.zone, &slot.rules)) return nullptr;
    slot.year = year;
    rules.nextSlot = (rules.nextSlot + 1) % (sizeof rules.years / sizeof rules.years[0]);
    return &slot.rules;
}

uint64_t ValueOf(const FILETIME& time) { return FileTime{time.dwLowDateTime, time.dwHighDateTime}.Value(); }

// A zero time is the cache's "no time" (the server sent none). It stays zero:
// converted, it would become a date near 1601 east of UTC and a value that no
// calendar can show west of it.
FileTime LocalTime(const FILETIME& utc, ZoneRules& rules) {
    if (utc.dwLowDateTime == 0 && utc.dwHighDateTime == 0) return FileTime{};
    SYSTEMTIME utcFields{};
    SYSTEMTIME localFields{};
    FILETIME utcWhole{};
    FILETIME localWhole{};
    if (FileTimeToSystemTime(&utc, &utcFields) &&
        SystemTimeToTzSpecificLocalTime(RulesFor(rules, utcFields.wYear), &utcFields, &localFields) &&
        SystemTimeToFileTime(&utcFields, &utcWhole) && SystemTimeToFileTime(&localFields, &localWhole)) {
        // The fields hold whole milliseconds: the offset between the two goes
        // onto the full time, which keeps its 100-ns ticks.
        return FileTime::FromValue(ValueOf(utc) + (ValueOf(localWhole) - ValueOf(utcWhole)));
    }
    // A time no calendar holds (2^63 and above, or moved before 1601).
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
    return FileTime{local.dwLowDateTime, local.dwHighDateTime};
}

void CollectOne(const INTERNET_CACHE_ENTRY_INFOA& info, const CollectPrefixes& prefixes, ZoneRules& rules, EntryStore& store) {
    CacheRecord record;
    record.sourceUrl = info.lpszSourceUrlName;
    record.localFile = info.lpszLocalFileName;
    record.sizeLow = info.dwSizeLow;
    record.sizeHigh = info.dwSizeHigh;
    const std::string_view prefix = MatchingPrefix(record.sourceUrl, prefixes);
    if (!IsCollected(record, prefix)) return;

    CacheEntry entry;
    SetPathAndExtension(record.sourceUrl + prefix.size(), entry, AnsiSpellingOf);
    entry.localFile = info.lpszLocalFileName;
    entry.sourceUrl = info.lpszSourceUrlName;
    entry.size = info.dwSizeLow;
    entry.lastAccess = LocalTime(info.LastAccessTime, rules);
    entry.lastModified = LocalTime(info.LastModifiedTime, rules);
    store.Append(std::move(entry));
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

// The prefix in the form the browser sends it: Internet Explorer 7 and later
// send a path's characters outside ASCII as escaped UTF-8 and key the cache
// by that address. Empty when it is the typed prefix itself (all ASCII) or
// the typed bytes are no text of the ANSI code page.
std::string SentPrefix(std::string_view typed) {
    std::string utf8;
    if (!Utf8FromAnsi(typed, utf8)) return std::string();
    std::string sent = EscapeNonAscii(utf8);
    return sent == typed ? std::string() : sent;
}

}  // namespace

void CollectCacheEntries(const char* prefix, EntryStore& store) {
    const std::string sent = SentPrefix(prefix);
    const CollectPrefixes prefixes{prefix, sent};
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

    HANDLE find = OpenEnumeration(buffer, bufferSize);
    if (find == nullptr) {
        cacheEnumOps.release(buffer);
        return;
    }

    ZoneRules rules;
    ReadZone(rules);
    do {
        CollectOne(*static_cast<const INTERNET_CACHE_ENTRY_INFOA*>(buffer), prefixes, rules, store);
    } while (Advance(find, buffer, bufferSize));

    cacheEnumOps.release(buffer);
    cacheEnumOps.findClose(find);
}
