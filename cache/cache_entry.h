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

struct CacheEntry {
    std::string relativePath;  // source URL after the prefix, query cut off, escapes shown as a browser shows them
    std::string extension;     // after the last "." of the last segment, or "---"
    uint32_t size = 0;         // low 32 bits; larger files are never stored
    FileTime lastAccess;       // already local time; zero: the cache did not know it
    FileTime lastModified;     // already local time; zero: the cache did not know it
    std::string localFile;     // the cached copy on disk
    std::string sourceUrl;     // the whole address, exactly as the cache gave it
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
