// Collection against a bare enumeration of the same URL cache, alternating in
// one run; the same collection with the browsers' caches looked for after it
// (this prefix has no Edge or Chrome profile: what their search costs); also
// the memory the store holds per entry.
//   bench_collect [TIER ...]   (default 1000 10000); tiers grow the same cache
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/common.h"
#include "cache/collect.h"
#include "chromium/browser_caches_win.h"
#include "save/body_decode.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

using bench::Median;
using bench::Now;

const char kPrefix[] = "http://bench.tessiwok.test/site/";
const int kRounds = 7;

// Bytes in busy blocks of every heap of the process (the C runtime's included),
// so that what the store holds is counted exactly, allocator overhead aside.
size_t HeapBusyBytes() {
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    size_t busy = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        PROCESS_HEAP_ENTRY entry{};
        HeapLock(heaps[i]);
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return busy;
}

}  // namespace

int main(int argc, char** argv) {
    if (!bench::HasOwnPrefix("bench_collect")) return 1;
    std::vector<long> tiers;
    for (int i = 1; i < argc; ++i) tiers.push_back(std::strtol(argv[i], nullptr, 10));
    if (tiers.empty()) tiers = {1000, 10000};

    long filled = static_cast<long>(testkit::CachedUrlsUnder(kPrefix).size());
    std::printf("%-8s %-8s %12s %12s %8s %12s %8s %14s %14s\n", "tier", "entries", "bare ms", "collect ms", "ratio",
                "+browsers ms", "ratio", "bytes/entry", "string bytes");
    for (long tier : tiers) {
        filled = bench::FillCache(kPrefix, filled, tier);
        if (filled < tier) break;
        std::vector<double> bare, collect, ratios, both, bothRatios;
        EntryStore store;
        for (int round = 0; round < kRounds; ++round) {
            double t0 = Now();
            bench::BareEnumeration();
            double t1 = Now();
            CollectCacheEntries(kPrefix, store);
            double t2 = Now();
            bare.push_back((t1 - t0) * 1000);
            collect.push_back((t2 - t1) * 1000);
            ratios.push_back(collect.back() / bare.back());
            double t3 = Now();
            CollectCacheEntries(kPrefix, store);
            AppendBrowserCacheEntries(kPrefix, store, IsDecodableEncoding);
            both.push_back((Now() - t3) * 1000);
            bothRatios.push_back(both.back() / collect.back());
        }
        // Memory: a fresh store filled once, measured as the heap bytes it adds.
        store = EntryStore();
        size_t before = HeapBusyBytes();
        CollectCacheEntries(kPrefix, store);
        size_t after = HeapBusyBytes();
        size_t strings = 0;
        for (const CacheEntry& e : store)
            strings += e.relativePath.size() + e.extension.size() + e.localFile.size() + e.sourceUrl.size() + 4;
        double n = store.Size() ? double(store.Size()) : 1.0;
        std::printf("%-8ld %-8zu %12.1f %12.1f %8.3f %12.1f %8.3f %14.1f %14.1f\n", tier, store.Size(), Median(bare),
                    Median(collect), Median(ratios), Median(both), Median(bothRatios), double(after - before) / n,
                    double(strings) / n);
    }
    return 0;
}
