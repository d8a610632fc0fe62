// Clock, median and cache filling shared by the benchmark programs.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/testkit/url_cache_fixture.h"

namespace bench {

// Seconds on the performance counter.
inline double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Commits items filled..target-1 under prefix (names, sizes and times vary
// with the number), each with headerBytes of stored headers; returns the
// count reached, which is less than target when the cache refused an item.
inline long FillCache(const std::string& prefix, long filled, long target, long headerBytes = 0) {
    for (; filled < target; ++filled) {
        testkit::CachedItem cached;
        char name[64];
        std::snprintf(name, sizeof name, "d%ld/img%06ld.gif", filled % 20, filled);
        cached.url = prefix + name;
        cached.content = std::string(static_cast<size_t>(64 + filled % 512), 'x');
        cached.lastModified = testkit::UtcFileTime(2003, 1 + filled % 12, 1 + filled % 28, filled % 24, filled % 60, 0);
        if (headerBytes > 0) cached.headers = "X-Pad: " + std::string(static_cast<size_t>(headerBytes), 'h') + "\r\n";
        if (!testkit::CommitCacheEntry(cached)) {
            std::printf("# the cache refused item %ld (error %lu): full\n", filled, GetLastError());
            break;
        }
    }
    return filled;
}

}  // namespace bench
