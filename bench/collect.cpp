// Collection against a bare enumeration of the same URL cache, alternating in
// one run; also the memory the store holds per entry.
//   bench_collect [TIER ...]   (default 1000 10000); tiers grow the same cache
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "cache/collect.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

const char kPrefix[] = "http://bench.tessiwok.test/site/";
const int kRounds = 7;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// The baseline: probe, one buffer, FindNext until the end, touching each URL.
size_t BareEnumeration() {
    DWORD needed = 0;
    FindFirstUrlCacheEntryA(nullptr, nullptr, &needed);
    std::vector<char> buffer(needed + 1024);
    DWORD available = needed;
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    HANDLE find = FindFirstUrlCacheEntryA(nullptr, info, &available);
    if (find == nullptr) return 0;
    size_t seen = 0;
    for (;;) {
        seen += info->lpszSourceUrlName[0] != 0;
        available = static_cast<DWORD>(buffer.size());
        if (FindNextUrlCacheEntryA(find, info, &available)) continue;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        buffer.resize(available + 1024);
        info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
        available = static_cast<DWORD>(buffer.size());
        if (!FindNextUrlCacheEntryA(find, info, &available)) break;
    }
    FindCloseUrlCache(find);
    return seen;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

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

bool FillTo(long target, long& filled) {
    for (; filled < target; ++filled) {
        testkit::CommitSpec spec;
        char name[64];
        std::snprintf(name, sizeof name, "d%ld/img%06ld.gif", filled % 20, filled);
        spec.url = std::string(kPrefix) + name;
        spec.content = std::string(static_cast<size_t>(64 + filled % 512), 'x');
        spec.lastModified = testkit::UtcFileTime(2003, 1 + filled % 12, 1 + filled % 28, filled % 24, filled % 60, 0);
        if (!testkit::CommitCacheEntry(spec)) {
            std::printf("commit %ld refused (error %lu)\n", filled, GetLastError());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<long> tiers;
    for (int i = 1; i < argc; ++i) tiers.push_back(std::strtol(argv[i], nullptr, 10));
    if (tiers.empty()) tiers = {1000, 10000};

    long filled = static_cast<long>(testkit::CachedUrlsUnder(kPrefix).size());
    std::printf("%-8s %-8s %12s %12s %8s %14s %14s\n", "tier", "entries", "bare ms", "collect ms", "ratio",
                "bytes/entry", "string bytes");
    for (long tier : tiers) {
        if (!FillTo(tier, filled)) break;
        std::vector<double> bare, collect, ratios;
        EntryStore store;
        for (int round = 0; round < kRounds; ++round) {
            LARGE_INTEGER t0, t1, t2;
            QueryPerformanceCounter(&t0);
            BareEnumeration();
            QueryPerformanceCounter(&t1);
            CollectCacheEntries(kPrefix, store);
            QueryPerformanceCounter(&t2);
            bare.push_back(Seconds(t0, t1) * 1000);
            collect.push_back(Seconds(t1, t2) * 1000);
            ratios.push_back(collect.back() / bare.back());
        }
        // Memory: a fresh store filled once, measured as the heap bytes it adds.
        store = EntryStore();
        size_t before = HeapBusyBytes();
        CollectCacheEntries(kPrefix, store);
        size_t after = HeapBusyBytes();
        size_t strings = 0;
        for (const CacheEntry& e : store)
            strings += e.relativePath.size() + e.extension.size() + e.localFile.size() + 3;
        double n = store.Size() ? double(store.Size()) : 1.0;
        std::printf("%-8ld %-8zu %12.1f %12.1f %8.3f %14.1f %14.1f\n", tier, store.Size(), Median(bare),
                    Median(collect), Median(ratios), double(after - before) / n, double(strings) / n);
    }
    return 0;
}
