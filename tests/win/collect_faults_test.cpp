// Collection faults the real cache cannot be made to show, provoked through the
// CacheEnumOps seam around the real functions; handles and blocks are counted.
#include "cache/collect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

std::vector<std::string> Paths(const EntryStore& store, bool sorted = false) {
    std::vector<std::string> paths;
    for (const CacheEntry& e : store) paths.push_back(e.relativePath);
    if (sorted) std::sort(paths.begin(), paths.end());
    return paths;
}

// What the wrapped operations saw; reset by every test.
struct Counts {
    int findFirstCalls = 0;
    int handlesOpen = 0;
    int blocksLive = 0;
    int insufficient = 0;
    int failFindFirstCall = 0;   // make this findFirst call (1-based) fail
    DWORD probeReported = 0;     // the need the real probe reported
    DWORD firstCallOffered = 0;  // the size the first call after the probe was told
    bool starveFirstCall = false;
    DWORD failFindFirstError = 0;
    bool probeSucceeds = false;
    int advances = 0;            // findNext calls that are not a retry
    bool lastInsufficient = false;
    int starveAdvance = 0;       // offer this advance (1-based) too small a buffer
    bool refuseGrowthAfterStarving = false;
    bool refuseNextGrowth = false;
    DWORD probeNeed = 0;         // nonzero: the probe reports this need
    int failAdvance = 0;         // make this advance (1-based) fail
    DWORD failAdvanceError = 0;
    DWORD failRetryError = 0;    // nonzero: the retry after a growth fails so
    bool refuseAllocation = false;
    int allocations = 0;
    int callsAfterEnd = 0;       // enumeration calls after one had failed
    bool ended = false;
} counts;

HANDLE WINAPI CountingFindFirst(LPCSTR pattern, LPINTERNET_CACHE_ENTRY_INFOA info, LPDWORD size) {
    int call = ++counts.findFirstCalls;
    if (call == 1 && counts.probeNeed != 0) {
        *size = counts.probeNeed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nullptr;
    }
    if (call == counts.failFindFirstCall) {
        SetLastError(counts.failFindFirstError);
        return nullptr;
    }
    if (call == 1 && counts.probeSucceeds) {
        // Answer the probe with a real enumeration handle, as a cache might.
        static char big[65536];
        DWORD bigSize = sizeof big;
        HANDLE h = FindFirstUrlCacheEntryA(pattern, reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOA>(big), &bigSize);
        if (h) ++counts.handlesOpen;
        return h;
    }
    if (call == 2) {
        counts.firstCallOffered = *size;
        if (counts.starveFirstCall) *size = 16;  // as if the first record had grown since the probe
    }
    HANDLE h = FindFirstUrlCacheEntryA(pattern, info, size);
    if (h) ++counts.handlesOpen;
    if (call == 1 && h == nullptr) counts.probeReported = *size;
    return h;
}

BOOL WINAPI CountingFindNext(HANDLE find, LPINTERNET_CACHE_ENTRY_INFOA info, LPDWORD size) {
    // The real cache answers a too small buffer with 122 and the real need,
    // without advancing: that puts the growth path at a chosen record.
    bool retry = counts.lastInsufficient;
    if (counts.ended) ++counts.callsAfterEnd;
    if (retry && counts.failRetryError != 0) {
        counts.lastInsufficient = false;
        counts.ended = true;
        SetLastError(counts.failRetryError);
        return FALSE;
    }
    if (!retry && counts.advances + 1 == counts.failAdvance) {
        ++counts.advances;
        counts.ended = true;
        SetLastError(counts.failAdvanceError);
        return FALSE;
    }
    if (!retry && ++counts.advances == counts.starveAdvance) {
        *size = 16;
        counts.refuseNextGrowth = counts.refuseGrowthAfterStarving;
    }
    BOOL ok = FindNextUrlCacheEntryA(find, info, size);
    DWORD error = GetLastError();
    counts.lastInsufficient = !ok && error == ERROR_INSUFFICIENT_BUFFER;
    if (counts.lastInsufficient) ++counts.insufficient;
    SetLastError(error);
    return ok;
}

BOOL WINAPI CountingFindClose(HANDLE find) {
    --counts.handlesOpen;
    return FindCloseUrlCache(find);
}

void* CountingAllocate(size_t n) {
    ++counts.allocations;
    if (counts.refuseAllocation) return nullptr;
    void* p = std::malloc(n);
    if (p) ++counts.blocksLive;
    return p;
}

void* CountingReallocate(void* p, size_t n) {
    if (counts.refuseNextGrowth) {
        counts.refuseNextGrowth = false;
        return nullptr;
    }
    return std::realloc(p, n);
}

void CountingRelease(void* p) {
    if (p) --counts.blocksLive;
    std::free(p);
}

class CollectFaults : public ::testing::Test {
protected:
    void SetUp() override {
        counts = Counts{};
        cacheEnumOps = {CountingFindFirst, CountingFindNext, CountingFindClose,
                        CountingAllocate, CountingReallocate, CountingRelease};
        host_ = "http://" + testkit::UniqueName("faults") + ".test/";
        for (int i = 0; i < 4; ++i) Commit("f" + std::to_string(i) + ".gif");
        store_.Append(CacheEntry{"old", "---", 1, {}, {}, "C:\\old", "http://old/"});
    }
    void TearDown() override {
        cacheEnumOps = realCacheEnumOps;
        testkit::DeleteCacheEntriesUnder(host_);
        EXPECT_EQ(counts.handlesOpen, 0) << "every enumeration handle is closed";
        EXPECT_EQ(counts.blocksLive, 0) << "every buffer is freed";
    }
    void Commit(const std::string& path) {
        testkit::CachedItem cached;
        cached.url = host_ + path;
        cached.content = "data";
        ASSERT_TRUE(testkit::CommitCacheEntry(cached));
        committed_.push_back(path);
    }
    // What a collection under host_ must hold: the paths this test committed.
    std::vector<std::string> CommittedPaths() const {
        std::vector<std::string> paths = committed_;
        std::sort(paths.begin(), paths.end());
        return paths;
    }
    // What a collection under "" that ends early must hold: the first records
    // in the order the cache enumerates them, read with the platform's
    // functions directly. The test runs in a prefix of its own (see
    // tests/win/CMakeLists.txt), so nothing else changes the cache meanwhile.
    std::vector<std::string> FirstRecords(size_t count) const {
        std::vector<std::string> urls = testkit::CachedUrlsUnder("");
        for (const std::string& path : committed_)
            EXPECT_NE(std::find(urls.begin(), urls.end(), host_ + path), urls.end()) << path << " is enumerated";
        urls.resize(std::min(count, urls.size()));
        return urls;
    }
    std::string host_;
    std::vector<std::string> committed_;
    EntryStore store_;
};

TEST_F(CollectFaults, ProbeThatSucceedsIsClosedAndLeavesTheStoreEmpty) {
    counts.probeSucceeds = true;
    CollectCacheEntries(host_.c_str(), store_);
    EXPECT_EQ(store_.Size(), 0u);
    EXPECT_EQ(counts.findFirstCalls, 1);
}

TEST_F(CollectFaults, ProbeFailingWithAnotherErrorStops) {
    counts.failFindFirstCall = 1;
    counts.failFindFirstError = ERROR_NO_MORE_ITEMS;  // what an empty cache answers
    CollectCacheEntries(host_.c_str(), store_);
    EXPECT_EQ(store_.Size(), 0u);
    EXPECT_EQ(counts.findFirstCalls, 1);
}

TEST_F(CollectFaults, FirstCallFailingFreesTheBuffer) {
    counts.failFindFirstCall = 2;
    counts.failFindFirstError = ERROR_FILE_NOT_FOUND;
    CollectCacheEntries(host_.c_str(), store_);
    EXPECT_EQ(store_.Size(), 0u);
    EXPECT_EQ(counts.findFirstCalls, 2);
}

TEST_F(CollectFaults, BufferThatCannotGrowKeepsTheEntriesFoundSoFar) {
    counts.starveAdvance = 2;
    counts.refuseGrowthAfterStarving = true;
    CollectCacheEntries("", store_);
    EXPECT_EQ(counts.insufficient, 1);
    EXPECT_EQ(Paths(store_), FirstRecords(2)) << "the first record and the one after it";
}

TEST_F(CollectFaults, GrowingAfterAnInsufficientBufferRetriesTheSameRecord) {
    for (int i = 0; i < 4; ++i)
        ASSERT_NO_FATAL_FAILURE(Commit("long" + std::to_string(i) + "/" + std::string(4000 + 2000 * i, 'q') + ".gif"));
    for (int starve = 1; starve < static_cast<int>(committed_.size()); ++starve) {
        counts = Counts{};
        counts.starveAdvance = starve;
        CollectCacheEntries(host_.c_str(), store_);
        EXPECT_GE(counts.insufficient, 1) << "the growth path was taken at advance " << starve;
        EXPECT_EQ(Paths(store_, true), CommittedPaths()) << "no record lost or repeated, starved at advance " << starve;
    }
}

// The browser may rewrite the first record between the probe and the first
// call: the cache is told the whole buffer, and a record that outgrew it is
// asked for once more in a larger one.
TEST_F(CollectFaults, FirstRecordThatOutgrewTheProbeIsAskedForAgain) {
    CollectCacheEntries(host_.c_str(), store_);
    EXPECT_EQ(counts.firstCallOffered, counts.probeReported + 1024);

    counts = Counts{};
    counts.starveFirstCall = true;
    CollectCacheEntries(host_.c_str(), store_);
    EXPECT_EQ(counts.findFirstCalls, 3);
    EXPECT_EQ(Paths(store_, true), CommittedPaths());
}

// Failures after the enumeration is open end it with what was found so far;
// failures before it leave the store empty. Prefix "" keeps every record, so
// the store must be the first records of a clean run, and no enumeration call
// may follow the one that failed.
TEST_F(CollectFaults, EveryFailureEndsWithTheEntriesFoundBeforeIt) {
    struct Row {
        const char* what;
        std::function<void()> arrange;
        size_t entries;
        int findFirstCalls;
        int allocations;
    } rows[] = {
        {"first advance fails with another error than 122",
         [] { counts.failAdvance = 1, counts.failAdvanceError = ERROR_INVALID_HANDLE; }, 1, 2, 1},
        {"third advance fails with another error than 122",
         [] { counts.failAdvance = 3, counts.failAdvanceError = ERROR_FILE_NOT_FOUND; }, 3, 2, 1},
        {"retry after growth fails",
         [] { counts.starveAdvance = 2, counts.failRetryError = ERROR_INVALID_PARAMETER; }, 2, 2, 1},
        {"retry after growth finds the end",
         [] { counts.starveAdvance = 1, counts.failRetryError = ERROR_NO_MORE_ITEMS; }, 1, 2, 1},
        {"buffer cannot be allocated", [] { counts.refuseAllocation = true; }, 0, 1, 1},
        {"first record outgrew the buffer, which cannot grow",
         [] { counts.starveFirstCall = true, counts.refuseNextGrowth = true; }, 0, 2, 1},
        {"probe reports a need too large for the margin", [] { counts.probeNeed = MAXDWORD - 1023; }, 0, 1, 0},
        {"probe reports the largest need that fits and the block is refused",
         [] { counts.probeNeed = MAXDWORD - 1024, counts.refuseAllocation = true; }, 0, 1, 1},
    };
    for (const Row& row : rows) {
        counts = Counts{};
        row.arrange();
        store_.Append(CacheEntry{"stale", "---", 1, {}, {}, "C:\\stale", "http://stale/"});
        CollectCacheEntries("", store_);
        EXPECT_EQ(Paths(store_), FirstRecords(row.entries)) << row.what;
        EXPECT_EQ(counts.findFirstCalls, row.findFirstCalls) << row.what;
        EXPECT_EQ(counts.allocations, row.allocations) << row.what;
        EXPECT_EQ(counts.callsAfterEnd, 0) << row.what << ": nothing after the failure";
        EXPECT_EQ(counts.handlesOpen, 0) << row.what << ": the handle is closed";
        EXPECT_EQ(counts.blocksLive, 0) << row.what << ": the buffer is freed";
    }
}

// One record of the cache as the enumeration shows it, every field that a
// write would change.
std::string Describe(const INTERNET_CACHE_ENTRY_INFOA& info) {
    auto time = [](const FILETIME& t) { return std::to_string(t.dwHighDateTime) + ":" + std::to_string(t.dwLowDateTime); };
    return std::string(info.lpszSourceUrlName) + "|" + (info.lpszLocalFileName ? info.lpszLocalFileName : "(none)") +
           "|" + std::to_string(info.dwSizeHigh) + ":" + std::to_string(info.dwSizeLow) + "|" +
           std::to_string(info.CacheEntryType) + "|" + std::to_string(info.dwUseCount) + "|" +
           std::to_string(info.dwHitRate) + "|" + time(info.LastModifiedTime) + "|" + time(info.ExpireTime) + "|" +
           time(info.LastAccessTime) + "|" + time(info.LastSyncTime) + "|" + std::to_string(info.dwHeaderInfoSize);
}

// Every record of the cache, enumerated with the real functions.
std::multiset<std::string> CacheSnapshot() {
    std::multiset<std::string> records;
    std::vector<char> buffer(65536);
    DWORD size = static_cast<DWORD>(buffer.size());
    auto info = [&] { return reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer.data()); };
    HANDLE find = FindFirstUrlCacheEntryA(nullptr, info(), &size);
    if (find == nullptr) return records;
    for (;;) {
        records.insert(Describe(*info()));
        size = static_cast<DWORD>(buffer.size());
        if (FindNextUrlCacheEntryA(find, info(), &size)) continue;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        buffer.resize(size + 1024);
        size = static_cast<DWORD>(buffer.size());
        if (!FindNextUrlCacheEntryA(find, info(), &size)) break;
        records.insert(Describe(*info()));
        size = static_cast<DWORD>(buffer.size());
        if (!FindNextUrlCacheEntryA(find, info(), &size)) break;
    }
    FindCloseUrlCache(find);
    return records;
}

// The collection only reads: on every way out, the cache holds the same
// records with the same files, sizes, counters and times as before.
TEST_F(CollectFaults, NoWayOutWritesTheCache) {
    ASSERT_NO_FATAL_FAILURE(Commit("deep/" + std::string(9000, 'w') + ".gif"));  // brings the growth path on a clean run
    const std::multiset<std::string> before = CacheSnapshot();
    ASSERT_FALSE(before.empty());

    std::function<void()> ways[] = {
        [] {},
        [] { counts.probeSucceeds = true; },
        [] { counts.failFindFirstCall = 1, counts.failFindFirstError = ERROR_NO_MORE_ITEMS; },
        [] { counts.failFindFirstCall = 2, counts.failFindFirstError = ERROR_FILE_NOT_FOUND; },
        [] { counts.starveAdvance = 2; },
        [] { counts.starveAdvance = 2, counts.refuseGrowthAfterStarving = true; },
        [] { counts.starveAdvance = 2, counts.failRetryError = ERROR_INVALID_PARAMETER; },
        [] { counts.failAdvance = 2, counts.failAdvanceError = ERROR_INVALID_HANDLE; },
        [] { counts.refuseAllocation = true; },
    };
    int way = 0;
    for (const auto& arrange : ways) {
        counts = Counts{};
        arrange();
        CollectCacheEntries("", store_);
        CollectCacheEntries(host_.c_str(), store_);
        EXPECT_EQ(counts.handlesOpen, 0) << "way " << way;
        EXPECT_EQ(counts.blocksLive, 0) << "way " << way;
        EXPECT_TRUE(CacheSnapshot() == before) << "way " << way << " changed the cache";
        ++way;
    }
}

}  // namespace
