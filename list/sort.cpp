// Column sorting: a stable merge sort, reversed for descending.
//
// The store holds whole entries (three strings each), and moving those is
// what a merge sort spends its time on. So the sort runs over a compact row
// of (key, position) pairs and then moves every entry once into its place.
// When that row cannot be had, the entries themselves are sorted; both paths
// give the same order. std::stable_sort asks for a working buffer of the whole
// length, halves the request on each failure, and merges in place when it
// gets none.
#include "list/sort.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>

namespace {

// Byte string order: std::char_traits<char> compares chars as unsigned char
// (a lead byte 0x81-0xFC sorts after every 7-bit byte), and on an equal
// prefix the shorter string comes first. Embedded NULs count as bytes.
bool BytesLess(std::string_view a, std::string_view b) { return a.compare(b) < 0; }

template <typename Key>
struct KeyedRow {
    Key key;
    uint32_t position;  // where the entry stood before the sort (a list row number)
};

// Moves every entry to its new place: position i receives the entry that
// stood at rows[i].position. Follows each cycle of the permutation once,
// marking placed rows by pointing them at themselves.
template <typename Key>
void Rearrange(EntryStore& store, KeyedRow<Key>* rows, size_t count) {
    for (size_t start = 0; start < count; ++start) {
        if (rows[start].position == start) continue;
        CacheEntry held = std::move(store.At(start));
        size_t at = start;
        for (;;) {
            size_t from = rows[at].position;
            rows[at].position = static_cast<uint32_t>(at);
            if (from == start) {
                store.At(at) = std::move(held);
                break;
            }
            store.At(at) = std::move(store.At(from));
            at = from;
        }
    }
}

template <typename KeyOf, typename Less>
void SortStore(EntryStore& store, bool ascending, KeyOf keyOf, Less less) {
    using Key = decltype(keyOf(store.At(0)));
    const size_t count = store.Size();
    std::unique_ptr<KeyedRow<Key>[]> rows;
    if (count <= UINT32_MAX) rows.reset(new (std::nothrow) KeyedRow<Key>[count]);
    if (rows) {
        size_t i = 0;
        for (const CacheEntry& entry : store) {
            rows[i] = KeyedRow<Key>{keyOf(entry), static_cast<uint32_t>(i)};
            ++i;
        }
        std::stable_sort(rows.get(), rows.get() + count,
                         [&](const KeyedRow<Key>& a, const KeyedRow<Key>& b) { return less(a.key, b.key); });
        // Descending is the mirror image of the ascending result, equal keys included.
        if (!ascending) std::reverse(rows.get(), rows.get() + count);
        Rearrange(store, rows.get(), count);
        return;
    }
    std::stable_sort(store.begin(), store.end(),
                     [&](const CacheEntry& a, const CacheEntry& b) { return less(keyOf(a), keyOf(b)); });
    if (!ascending) std::reverse(store.begin(), store.end());
}

}  // namespace

void SortByColumn(EntryStore& store, SortFlags& flags, int column) {
    if (column < 0 || column > 4) return;
    const bool ascending = flags.ascending[column];
    if (store.Size() > 1) {
        auto numberLess = [](auto a, auto b) { return a < b; };
        switch (column) {
        case 0:
            SortStore(store, ascending, [](const CacheEntry& e) { return std::string_view(e.relativePath); }, BytesLess);
            break;
        case 1:
            SortStore(store, ascending, [](const CacheEntry& e) { return std::string_view(e.extension); }, BytesLess);
            break;
        case 2:
            SortStore(store, ascending, [](const CacheEntry& e) { return e.size; }, numberLess);
            break;
        case 3:
            SortStore(store, ascending, [](const CacheEntry& e) { return e.lastAccess.Value(); }, numberLess);
            break;
        case 4:
            SortStore(store, ascending, [](const CacheEntry& e) { return e.lastModified.Value(); }, numberLess);
            break;
        }
    }
    flags.ascending[column] = !ascending;
}
