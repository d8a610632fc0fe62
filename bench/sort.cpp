// Sorting a store of 100,000 entries by each column, against std::stable_sort
// of the bare keys alone (the same keys in a plain vector, no entries moved).
//   bench_sort [ENTRIES] [ROUNDS]    (default 100000 entries, 11 rounds)
// Every round starts from the same shuffled order; the figures are medians,
// the ratio is store sort / bare keys, both measured in the same round.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/common.h"
#include "list/sort.h"

namespace {

using bench::Median;
using bench::Now;

// Entries that look like a collected site: folders and names, a handful of
// extensions (many equal keys), sizes mostly small, times over a few years.
EntryStore MakeStore(size_t count) {
    static const char* const kExtensions[] = {"gif", "jpg", "png", "css", "js", "html", "---", "pdf"};
    std::mt19937_64 random(20021231);
    EntryStore store;
    for (size_t i = 0; i < count; ++i) {
        CacheEntry e;
        char path[96];
        const char* extension = kExtensions[random() % 8];
        std::snprintf(path, sizeof path, "d%02u/sub%03u/file%07u.%s", unsigned(random() % 40), unsigned(random() % 500),
                      unsigned(random() % 10000000), extension);
        e.relativePath = path;
        e.extension = extension;
        e.size = static_cast<uint32_t>(random() % 4 == 0 ? random() : random() % 200000);
        const uint64_t base = 126858527980000000ull;  // 2002-12-31
        e.lastAccess = FileTime::FromValue(base + random() % (3ull * 365 * 86400 * 10000000ull));
        e.lastModified = FileTime::FromValue(base - random() % (3ull * 365 * 86400 * 10000000ull));
        e.localFile = std::string("C:\\cache\\ABCD1234\\file") + std::to_string(i) + "[1]." + extension;
        store.Append(std::move(e));
    }
    return store;
}

template <typename Key>
double TimeBareKeys(const EntryStore& store, Key key) {
    using Value = decltype(key(store.At(0)));
    std::vector<Value> keys;
    keys.reserve(store.Size());
    for (const CacheEntry& e : store) keys.push_back(key(e));
    const double start = Now();
    std::stable_sort(keys.begin(), keys.end());
    return Now() - start;
}

double TimeBareKeys(const EntryStore& store, int column) {
    switch (column) {
    case 0: return TimeBareKeys(store, [](const CacheEntry& e) { return e.relativePath; });
    case 1: return TimeBareKeys(store, [](const CacheEntry& e) { return e.extension; });
    case 2: return TimeBareKeys(store, [](const CacheEntry& e) { return e.size; });
    case 3: return TimeBareKeys(store, [](const CacheEntry& e) { return e.lastAccess.Value(); });
    default: return TimeBareKeys(store, [](const CacheEntry& e) { return e.lastModified.Value(); });
    }
}

}  // namespace

int main(int argc, char** argv) {
    const size_t count = argc >= 2 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int rounds = argc >= 3 ? std::atoi(argv[2]) : 11;
    const EntryStore original = MakeStore(count);
    static const char* const kNames[] = {"relative path", "extension", "size", "last access", "last modified"};

    std::printf("sorting %zu entries, %d rounds, medians\n", count, rounds);
    std::printf("%-14s %12s %12s %12s %10s %10s\n", "column", "descending", "ascending", "bare keys", "desc/bare",
                "asc/bare");
    for (int column = 0; column < 5; ++column) {
        std::vector<double> descending, ascending, bare, descRatio, ascRatio;
        for (int round = 0; round < rounds; ++round) {
            // Both directions from the same starting order; which one runs
            // first alternates, so that neither always gets the fresher heap.
            double down = 0, up = 0;
            for (int pass = 0; pass < 2; ++pass) {
                const bool ascendingPass = (pass == 0) == (round % 2 == 1);
                EntryStore store = original;
                SortFlags flags;
                flags.ascending[column] = ascendingPass;
                const double start = Now();
                SortByColumn(store, flags, column);
                (ascendingPass ? up : down) = Now() - start;
            }

            const double keys = TimeBareKeys(original, column);
            descending.push_back(down);
            ascending.push_back(up);
            bare.push_back(keys);
            descRatio.push_back(down / keys);
            ascRatio.push_back(up / keys);
        }
        std::printf("%-14s %10.2fms %10.2fms %10.2fms %10.2f %10.2f\n", kNames[column], Median(descending) * 1e3,
                    Median(ascending) * 1e3, Median(bare) * 1e3, Median(descRatio), Median(ascRatio));
    }
    return 0;
}
