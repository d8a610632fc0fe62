// Clock, median, cache filling and the bare enumeration shared by the benchmark programs.
#pragma once

#include <windows.h>
#include <wininet.h>

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

// The benchmarks fill and read the URL cache of the Wine prefix they run in,
// so they run only in the one that tools/bench.sh or their smoke test gives
// them (it sets TESSIWOK_PREFIX); started otherwise (plain wine, the user's
// own prefix, Windows) they say so in one line and the caller ends.
inline bool HasOwnPrefix(const char* program) {
    char value[8];
    if (GetEnvironmentVariableA("TESSIWOK_PREFIX", value, sizeof value) > 0) return true;
    std::fprintf(stderr, "%s: TESSIWOK_PREFIX is not set: run it through tools/bench.sh, which gives the"
                 " benchmarks a Wine prefix of their own (it fills that prefix's URL cache)\n", program);
    return false;
}

// Whether this process can make a window: under Wine with no X display
// answering, CreateWindowExA fails at once and a program started to show its
// dialog would never show it. Says so in one line when not.
inline bool CanShowWindows(const char* program) {
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe != nullptr) {
        DestroyWindow(probe);
        return true;
    }
    std::fprintf(stderr, "%s: no window can be made: no display to show the program on\n", program);
    return false;
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

// The collection benchmarks' baseline: probe, one buffer, FindNext until the
// end, touching each URL.
inline size_t BareEnumeration() {
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

}  // namespace bench
