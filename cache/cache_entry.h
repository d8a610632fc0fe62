// One collected cache item and the store that holds the last collection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

// A 64-bit file time (100-ns intervals since 1601-01-01) as its two halves,
// laid out like the platform's FILETIME but usable without windows.h.
struct FileTime {
    uint32_t low = 0;
    uint32_t high = 0;

    uint64_t Value() const { return (static_cast<uint64_t>(high) << 32) | low; }
    static FileTime FromValue(uint64_t v) {
        return FileTime{static_cast<uint32_t>(v), static_cast<uint32_t>(v >> 32)};
    }
};

// Which cache a row was found in, and so where its body is: the local file
// of a URL cache record (the program's own store, or the low-integrity store
// of Protected Mode pages), or an entry of a browser's own disk cache.
enum class RowStore : uint8_t { Own, Low, Browser };

// The entry of a browser's disk cache behind a Browser row: enough to find it
// again at save and to see whether it changed meanwhile.
struct BrowserEntryRef {
    std::string cacheFolder;      // the cache's folder, UTF-8
    std::string key;              // the entry's whole key as the cache holds it
    uint64_t entryId = 0;         // where the entry's record is, in the cache's own terms
    uint32_t headerSize = 0;      // stream 0 (response info) as listed
    uint32_t bodySize = 0;        // stream 1 (the body as the server sent it) as listed
    std::string contentEncoding;  // the response's Content-Encoding, as sent
};

struct CacheEntry {
    std::string relativePath;  // source URL after the prefix, query cut off, escapes shown as a browser shows them
    std::string extension;     // after the last "." of the last segment, or "---"
    uint32_t size = 0;         // low 32 bits; larger files are never stored
    FileTime lastAccess;       // already local time; zero: the cache did not know it
    FileTime lastModified;     // already local time; zero: the cache did not know it
    std::string localFile;     // the cached copy on disk
    std::string sourceUrl;     // the whole address, exactly as the cache gave it
    RowStore store = RowStore::Own;
    BrowserEntryRef browser{};  // only for RowStore::Browser
};

// The program-wide list of entries; a row of the result list is a position here.
class EntryStore {
public:
    using Container = std::deque<CacheEntry>;

    void Clear() { entries_.clear(); }
    void Append(CacheEntry entry) { entries_.push_back(std::move(entry)); }
    size_t Size() const { return entries_.size(); }
    const CacheEntry& At(size_t row) const { return entries_[row]; }
    CacheEntry& At(size_t row) { return entries_[row]; }

    // Random access over the whole range, for reordering in place.
    Container::iterator begin() { return entries_.begin(); }
    Container::iterator end() { return entries_.end(); }
    Container::const_iterator begin() const { return entries_.begin(); }
    Container::const_iterator end() const { return entries_.end(); }

private:
    Container entries_;
};
