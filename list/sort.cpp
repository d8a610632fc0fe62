// Column sorting: a stable merge sort of the store, reversed for descending.
#include "list/sort.h"

#include <algorithm>
#include <string_view>

namespace {

// Byte string order: std::char_traits<char> compares chars as unsigned char
// (a lead byte 0x81-0xFC sorts after every 7-bit byte), and on an equal
// prefix the shorter string comes first. Embedded NULs count as bytes.
bool BytesLess(const std::string& a, const std::string& b) {
    return std::string_view(a).compare(std::string_view(b)) < 0;
}

template <typename Less>
void SortStore(EntryStore& store, bool ascending, Less less) {
    // std::stable_sort asks for a working buffer of the whole length, halves
    // the request on each failure, and merges in place when it gets none.
    std::stable_sort(store.begin(), store.end(), less);
    // Descending is the mirror image of the ascending result, equal keys included.
    if (!ascending) std::reverse(store.begin(), store.end());
}

}  // namespace

void SortByColumn(EntryStore& store, SortFlags& flags, int column) {
    if (column < 0 || column > 4) return;
    const bool ascending = flags.ascending[column];
    switch (column) {
    case 0:
        SortStore(store, ascending, [](const CacheEntry& a, const CacheEntry& b) {
            return BytesLess(a.relativePath, b.relativePath);
        });
        break;
    case 1:
        SortStore(store, ascending, [](const CacheEntry& a, const CacheEntry& b) {
            return BytesLess(a.extension, b.extension);
        });
        break;
    case 2:
        SortStore(store, ascending, [](const CacheEntry& a, const CacheEntry& b) { return a.size < b.size; });
        break;
    case 3:
        SortStore(store, ascending, [](const CacheEntry& a, const CacheEntry& b) {
            return a.lastAccess.Value() < b.lastAccess.Value();
        });
        break;
    case 4:
        SortStore(store, ascending, [](const CacheEntry& a, const CacheEntry& b) {
            return a.lastModified.Value() < b.lastModified.Value();
        });
        break;
    }
    flags.ascending[column] = !ascending;
}
