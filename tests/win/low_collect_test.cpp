// The low-integrity collector through its seam: a stand-in started as the
// collector would be (tools/low_standin.exe) writes prepared records; the
// rows, the drops, the time limit, and that no process is left.
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
bool RefusedStart(const std::wstring&, std::wstring&, HANDLE, PROCESS_INFORMATION&) {
    ++starts;
    SetLastError(ERROR_ACCESS_DISABLED_BY_POLICY);
    return false;
}
bool Above() { return true; }
bool NotAbove() { return false; }

bool IsRunning(DWORD id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    const bool running = process != nullptr && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    if (process != nullptr) CloseHandle(process);
    return running;
}

using Paths = std::vector<std::string>;

class LowCollect : public ::testing::Test {
protected:
    void SetUp() override {
        prefix_ = "http://" + testkit::UniqueName("low") + ".test/site/";
        for (const char* path : {"own1.html", "img/own2.png"}) {
            testkit::CachedItem cached;
            cached.url = prefix_ + path;
            ASSERT_TRUE(testkit::CommitCacheEntry(cached));
        }
        const std::string standin = testkit::FindInBuildTree("tools\\low_standin.exe");
        ASSERT_FALSE(standin.empty());
        lowCollectorOps.program.assign(standin.begin(), standin.end());
    }
    void TearDown() override {
        lowCollectorOps = realLowCollectorOps;
        SetEnvironmentVariableA("TESSIWOK_LOW_CASE", nullptr);
        testkit::DeleteCacheEntriesUnder(prefix_);
    }
    // The rows after the own two (which come in the cache's order, so sorted here).
    Paths CollectLow(const char* scenario) {
        SetEnvironmentVariableA("TESSIWOK_LOW_CASE", scenario);
        EntryStore store;
        store.Append(CacheEntry{"old", "---", 1, {}, {}, "C:\\old", "http://old/"});
        CollectAllCacheEntries(prefix_.c_str(), store);
        Paths paths;
        for (const CacheEntry& entry : store) paths.push_back(entry.relativePath);
        if (paths.size() < 2) {
            ADD_FAILURE() << "the own rows are missing";
            return paths;
        }
        std::sort(paths.begin(), paths.begin() + 2);
        EXPECT_EQ(Paths(paths.begin(), paths.begin() + 2), (Paths{"img/own2.png", "own1.html"}));
        return Paths(paths.begin() + 2, paths.end());
    }
    std::string prefix_;
};

TEST_F(LowCollect, SoundRecordsFollowTheOwnRowsOnceAndEveryFailureLeavesTheOwnRows) {
    struct Row {
        const char* scenario;
        bool (*runsAboveLow)();
        decltype(LowCollectorOps::start) start;
        DWORD limitMs;
        Paths low;
        int starts;
    } rows[] = {
        // Copies of the own records and a second a.html are not listed twice;
        // UNC, device, relative, elsewhere, climbing out, a stream name, another
        // site, 4 GiB, the directory itself and the cut record at the end go;
        // a file named by its short (8.3) name stays.
        {"mixed", Above, RecordingStart, 60000, {"low/a.html", "low/case.png", "low/short.png"}, 1},
        {"broken", Above, RecordingStart, 60000, {"first.html"}, 1},  // nothing after the break
        {"nothing", Above, RecordingStart, 60000, {}, 1},
        {"hang", Above, RecordingStart, 1500, {"before-hang.html"}, 1},  // ended at the limit
        {"mixed", NotAbove, RecordingStart, 60000, {}, 0},               // a low process starts none
        {"mixed", Above, RefusedStart, 60000, {}, 1},                    // a policy refuses the start
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario + std::string(row.starts ? "" : ", not above low"));
        lowCollectorOps.runsAboveLow = row.runsAboveLow;
        lowCollectorOps.start = row.start;
        lowCollectorOps.timeLimitMs = row.limitMs;
        starts = 0;
        startedId = 0;
        const ULONGLONG begin = GetTickCount64();
        EXPECT_EQ(CollectLow(row.scenario), row.low);
        const ULONGLONG took = GetTickCount64() - begin;
        EXPECT_EQ(starts, row.starts);
        EXPECT_LT(took, std::min<ULONGLONG>(row.limitMs, 20000) + 8000u);
        if (row.limitMs < 60000) {
            EXPECT_GE(took, row.limitMs);
        }
        EXPECT_FALSE(startedId != 0 && IsRunning(startedId)) << "the collector is ended";
    }
}

TEST_F(LowCollect, ProcessTheCollectorStartsNeitherHoldsUpTheListNorOutlivesIt) {
    lowCollectorOps.runsAboveLow = Above;
    const ULONGLONG begin = GetTickCount64();
    const Paths low = CollectLow("grandchild");
    EXPECT_LT(GetTickCount64() - begin, 20000u) << "not the time limit";
    // Windows refuses the start (one process in the job); Wine lets it run.
    if (!low.empty()) {
        ASSERT_EQ(low[0].rfind("grandchild/", 0), 0u) << low[0];
        EXPECT_FALSE(IsRunning(std::stoul(low[0].substr(11)))) << "ended with the job";
    }
}

}  // namespace
