// The low-integrity collector through its seam: a stand-in started as the
// collector would be writes prepared records; the rows, the drops, the time
// limit, and that no process is left.
#include "cache/low_collect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

DWORD startedId = 0;  // the last collector started
int starts = 0;

bool RecordingStart(const std::wstring& program, std::wstring& commandLine, HANDLE writeEnd, PROCESS_INFORMATION& info) {
    ++starts;
    const bool started = realLowCollectorOps.start(program, commandLine, writeEnd, info);
    if (started) startedId = info.dwProcessId;
    return started;
}

bool FailingStart(const std::wstring&, std::wstring&, HANDLE, PROCESS_INFORMATION&) {
    ++starts;
    SetLastError(ERROR_ACCESS_DISABLED_BY_POLICY);
    return false;
}

bool Above() { return true; }
bool NotAbove() { return false; }

bool IsRunning(DWORD id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) return false;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

class LowCollect : public ::testing::Test {
protected:
    void SetUp() override {
        starts = 0;
        startedId = 0;
        prefix_ = "http://" + testkit::UniqueName("low") + ".test/site/";
        for (const char* path : {"img/own2.png", "own1.html"}) {
            testkit::CachedItem cached;
            cached.url = prefix_ + path;
            cached.content = "own";
            ASSERT_TRUE(testkit::CommitCacheEntry(cached));
        }
        const std::string standin = testkit::FindInBuildTree("tools\\low_standin.exe");
        ASSERT_FALSE(standin.empty());
        lowCollectorOps.program.assign(standin.begin(), standin.end());
        lowCollectorOps.runsAboveLow = Above;
        lowCollectorOps.start = RecordingStart;
    }
    void TearDown() override {
        lowCollectorOps = realLowCollectorOps;
        SetEnvironmentVariableA("TESSIWOK_LOW_CASE", nullptr);
        testkit::DeleteCacheEntriesUnder(prefix_);
    }
    std::vector<std::string> Collect(const char* scenario) {
        SetEnvironmentVariableA("TESSIWOK_LOW_CASE", scenario);
        EntryStore store;
        store.Append(CacheEntry{"old", "---", 1, {}, {}, "C:\\old", "http://old/"});
        CollectAllCacheEntries(prefix_.c_str(), store);
        std::vector<std::string> paths;
        for (const CacheEntry& entry : store) paths.push_back(entry.relativePath);
        // The own two rows come in the cache's order; the low ones follow in the collector's.
        if (paths.size() >= 2) std::sort(paths.begin(), paths.begin() + 2);
        return paths;
    }
    std::string prefix_;
};

using Paths = std::vector<std::string>;

TEST_F(LowCollect, SoundRecordsFollowTheOwnRowsOnceAndEveryBadOneIsDropped) {
    struct Row {
        const char* scenario;
        Paths low;  // after the own rows
    } rows[] = {
        // Copies of the own records and a second a.html are not listed twice;
        // UNC, device, relative, elsewhere, climbing out, a stream name,
        // another site, 4 GiB, the directory itself and the cut record go.
        {"mixed", {"low/a.html", "low/case.png"}},
        {"broken", {"first.html"}},  // the stream ends where it breaks
        {"nothing", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        Paths expected = {"img/own2.png", "own1.html"};
        expected.insert(expected.end(), row.low.begin(), row.low.end());
        EXPECT_EQ(Collect(row.scenario), expected);
        EXPECT_EQ(starts, 1);
        EXPECT_FALSE(IsRunning(startedId));
        starts = 0;
    }
}

TEST_F(LowCollect, CollectorPastTheTimeLimitIsEndedAndItsRowsStay) {
    lowCollectorOps.timeLimitMs = 1500;
    const ULONGLONG begin = GetTickCount64();
    EXPECT_EQ(Collect("hang"), (Paths{"img/own2.png", "own1.html", "before-hang.html"}));
    const ULONGLONG took = GetTickCount64() - begin;
    EXPECT_GE(took, 1500u);
    EXPECT_LT(took, 1500u + 8000u);
    EXPECT_FALSE(IsRunning(startedId)) << "the hanging collector is ended";
}

TEST_F(LowCollect, ProcessTheCollectorStartsNeitherHoldsUpTheListNorOutlivesIt) {
    const ULONGLONG begin = GetTickCount64();
    const Paths paths = Collect("grandchild");
    EXPECT_LT(GetTickCount64() - begin, 20000u) << "not the time limit";
    ASSERT_GE(paths.size(), 2u);
    // Windows refuses the start (one process in the job); Wine lets it run.
    if (paths.size() == 3) {
        const std::string& last = paths.back();
        ASSERT_EQ(last.rfind("grandchild/", 0), 0u) << last;
        EXPECT_FALSE(IsRunning(std::stoul(last.substr(11)))) << "ended with the job";
    }
}

TEST_F(LowCollect, NoCollectorStartsAtLowIntegrityAndAFailedStartLeavesTheOwnRows) {
    lowCollectorOps.runsAboveLow = NotAbove;
    EXPECT_EQ(Collect("mixed"), (Paths{"img/own2.png", "own1.html"}));
    EXPECT_EQ(starts, 0);
    lowCollectorOps.runsAboveLow = Above;
    lowCollectorOps.start = FailingStart;
    EXPECT_EQ(Collect("mixed"), (Paths{"img/own2.png", "own1.html"}));
    EXPECT_EQ(starts, 1);
}

}  // namespace
