// Collection faults the real cache cannot be made to show, provoked through the
// CacheEnumOps seam around the real functions; handles and blocks are counted.
#include "cache/collect.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

// What the wrapped operations saw; reset by every test.
struct Counts {
    int findFirstCalls = 0;
    int handlesOpen = 0;
    int blocksLive = 0;
    int insufficient = 0;
    int failFindFirstCall = 0;   // make this findFirst call (1-based) fail
    DWORD failFindFirstError = 0;
    bool probeSucceeds = false;
    int advances = 0;            // findNext calls that are not a retry
    bool lastInsufficient = false;
    int starveAdvance = 0;       // offer this advance (1-based) too small a buffer
    bool refuseGrowthAfterStarving = false;
    bool refuseNextGrowth = false;
} counts;

HANDLE WINAPI CountingFindFirst(LPCSTR pattern, LPINTERNET_CACHE_ENTRY_INFOA info, LPDWORD size) {
    int call = ++counts.findFirstCalls;
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
    HANDLE h = FindFirstUrlCacheEntryA(pattern, info, size);
    if (h) ++counts.handlesOpen;
    return h;
}

BOOL WINAPI CountingFindNext(HANDLE find, LPINTERNET_CACHE_ENTRY_INFOA info, LPDWORD size) {
    // The real cache answers a too small buffer with 122 and the real need,
    // without advancing: that puts the growth path at a chosen record.
    bool retry = counts.lastInsufficient;
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
        store_.Append(CacheEntry{"old", "---", 1, {}, {}, "C:\\old"});
    }
    void TearDown() override {
        cacheEnumOps = realCacheEnumOps;
        testkit::DeleteCacheEntriesUnder(host_);
        EXPECT_EQ(counts.handlesOpen, 0) << "every enumeration handle is closed";
        EXPECT_EQ(counts.blocksLive, 0) << "every buffer is freed";
    }
    void Commit(const std::string& path) {
        testkit::CommitSpec spec;
        spec.url = host_ + path;
        spec.content = "data";
        ASSERT_TRUE(testkit::CommitCacheEntry(spec));
    }
    std::string host_;
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
    EntryStore everything;
    CollectCacheEntries("", everything);
    ASSERT_GE(everything.Size(), 4u);

    counts = Counts{};
    counts.starveAdvance = 2;
    counts.refuseGrowthAfterStarving = true;
    CollectCacheEntries("", store_);
    EXPECT_EQ(counts.insufficient, 1);
    ASSERT_EQ(store_.Size(), 2u) << "the first record and the one after it";
    for (size_t i = 0; i < store_.Size(); ++i) EXPECT_EQ(store_.At(i).relativePath, everything.At(i).relativePath);
}

TEST_F(CollectFaults, GrowingAfterAnInsufficientBufferRetriesTheSameRecord) {
    for (int i = 0; i < 4; ++i) Commit("long" + std::to_string(i) + "/" + std::string(4000 + 2000 * i, 'q') + ".gif");
    EntryStore everything;
    CollectCacheEntries("", everything);

    counts = Counts{};
    counts.starveAdvance = 2;
    CollectCacheEntries("", store_);
    EXPECT_GE(counts.insufficient, 1) << "the growth path was taken";
    ASSERT_EQ(store_.Size(), everything.Size()) << "no record lost or repeated";
    for (size_t i = 0; i < store_.Size(); ++i) EXPECT_EQ(store_.At(i).relativePath, everything.At(i).relativePath);
}

}  // namespace
