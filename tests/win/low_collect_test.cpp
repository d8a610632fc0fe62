// The low-integrity collector through its seam: a stand-in started as the
// collector would be (tools/low_standin.exe) writes prepared records; the
// rows, the drops, the bounds of time and memory, the token it is started
// with, and that no process is left.
#include "cache/low_collect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cache/collect.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

DWORD startedId = 0;  // the last collector started
int starts = 0;
std::string tokenFault;  // what the last start's token holds that it should not

// The Administrators group, where the token has it, only to deny; no
// privilege but SeChangeNotifyPrivilege.
std::string FaultOf(HANDLE token) {
    std::vector<BYTE> buffer(64 * 1024);
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenGroups, buffer.data(), buffer.size(), &size)) return "no groups";
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD administratorsSize = sizeof administrators;
    CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &administratorsSize);
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    for (DWORD i = 0; i < groups->GroupCount; ++i)
        if (EqualSid(groups->Groups[i].Sid, administrators) &&
            (groups->Groups[i].Attributes & (SE_GROUP_USE_FOR_DENY_ONLY | SE_GROUP_ENABLED)) != SE_GROUP_USE_FOR_DENY_ONLY)
            return "Administrators usable";
    if (!GetTokenInformation(token, TokenPrivileges, buffer.data(), buffer.size(), &size)) return "no privileges";
    LUID changeNotify{};
    LookupPrivilegeValueW(nullptr, L"SeChangeNotifyPrivilege", &changeNotify);
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID luid = privileges->Privileges[i].Luid;
        if (luid.LowPart != changeNotify.LowPart || luid.HighPart != changeNotify.HighPart)
            return "privilege " + std::to_string(luid.LowPart);
    }
    return "";
}

bool RecordingStart(HANDLE token, const std::wstring& program, std::wstring& commandLine, HANDLE writeEnd, DWORD flags,
                    PROCESS_INFORMATION& info) {
    ++starts;
    tokenFault = FaultOf(token);
    const bool started = realLowCollectorOps.start(token, program, commandLine, writeEnd, flags, info);
    if (started) startedId = info.dwProcessId;
    return started;
}
bool RefusedStart(HANDLE, const std::wstring&, std::wstring&, HANDLE, DWORD, PROCESS_INFORMATION&) {
    ++starts;
    SetLastError(ERROR_ACCESS_DISABLED_BY_POLICY);
    return false;
}
BOOL WINAPI NoHandleList(LPPROC_THREAD_ATTRIBUTE_LIST, DWORD, DWORD_PTR, PVOID, SIZE_T, PVOID, PSIZE_T) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}
// Windows 7, this process already in a job.
BOOL WINAPI SecondJobRefused(HANDLE, HANDLE) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
// An own walk that takes longer than the collector's time limit.
DWORD slowWalkMs = 0;
HANDLE WINAPI SlowFindFirst(LPCSTR pattern, LPINTERNET_CACHE_ENTRY_INFOA info, LPDWORD size) {
    if (info == nullptr) Sleep(slowWalkMs);
    return realCacheEnumOps.findFirst(pattern, info, size);
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
    // The low store's rows in the store's order; each own address is one row.
    Paths CollectLow(const char* scenario) {
        SetEnvironmentVariableA("TESSIWOK_LOW_CASE", scenario);
        store_.Clear();
        store_.Append(CacheEntry{"old", "---", 1, {}, {}, "C:\\old", "http://old/"});
        CollectAllCacheEntries(prefix_.c_str(), store_);
        Paths low;
        int own1 = 0, own2 = 0;
        for (const CacheEntry& entry : store_) {
            own1 += entry.relativePath == "own1.html";
            own2 += entry.relativePath == "img/own2.png";
            if (entry.store == RowStore::Low) low.push_back(entry.relativePath);
        }
        EXPECT_EQ(own1 * 10 + own2, 11) << "the own rows, once each";
        return low;
    }
    EntryStore store_;
    std::string prefix_;
};

TEST_F(LowCollect, SoundRecordsFollowTheOwnRowsOnceAndEveryFailureLeavesTheOwnRows) {
    Paths bulk;
    for (int i = 0; i < 256; ++i) bulk.push_back("bulk/" + std::to_string(i) + ".html");
    const auto realUpdate = realLowCollectorOps.updateAttribute;
    const auto realAssign = realLowCollectorOps.assignToJob;
    struct Row {
        const char* scenario;
        bool (*runsAboveLow)();
        decltype(LowCollectorOps::start) start;
        DWORD limitMs;
        Paths low;
        int starts;
        decltype(LowCollectorOps::updateAttribute) updateAttribute;
        decltype(LowCollectorOps::assignToJob) assignToJob;
        DWORD slowWalkMs;
        size_t mostRowBytes;  // 0: all the low rows fit, listed above
    } rows[] = {
        // Copies of the own records and a second a.html are not listed twice;
        // UNC, device, relative, elsewhere, climbing out, a stream name, another
        // site, 4 GiB, the directory itself and the cut record at the end go;
        // a file named by its short (8.3) name stays.
        {"mixed", Above, RecordingStart, 60000, {"low/a.html", "low/case.png", "low/short.png"}, 1, realUpdate, realAssign, 0, 0},
        // The own addresses in the low store's folder: accessed later, the row
        // becomes the low one in its place; never accessed, the own one stays.
        {"moved", Above, RecordingStart, 60000, {"own1.html"}, 1, realUpdate, realAssign, 0, 0},
        {"broken", Above, RecordingStart, 60000, {"first.html"}, 1, realUpdate, realAssign, 0, 0},  // nothing after the break
        {"nothing", Above, RecordingStart, 60000, {}, 1, realUpdate, realAssign, 0, 0},
        {"hang", Above, RecordingStart, 1500, {"before-hang.html"}, 1, realUpdate, realAssign, 0, 0},  // ended at the limit
        {"hang", Above, RecordingStart, 1500, {"before-hang.html"}, 1, realUpdate, SecondJobRefused, 0, 0},  // ended here
        // The limit counts from the end of an own walk slower than it.
        {"bulk", Above, RecordingStart, 1000, bulk, 1, realUpdate, realAssign, 2000, 0},
        {"endless", Above, RecordingStart, 60000, {}, 1, realUpdate, realAssign, 0, 256 * 1024},  // what fits
        {"mixed", NotAbove, RecordingStart, 60000, {}, 0, realUpdate, realAssign, 0, 0},  // a low process starts none
        {"mixed", Above, RefusedStart, 60000, {}, 1, realUpdate, realAssign, 0, 0},       // a policy refuses the start
        {"mixed", Above, RecordingStart, 60000, {}, 1, NoHandleList, realAssign, 0, 0},  // no inheriting everything instead
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario + std::string(row.starts ? "" : ", not above low"));
        lowCollectorOps.runsAboveLow = row.runsAboveLow;
        lowCollectorOps.start = row.start;
        lowCollectorOps.timeLimitMs = row.limitMs;
        lowCollectorOps.updateAttribute = row.updateAttribute;
        lowCollectorOps.assignToJob = row.assignToJob;
        lowCollectorOps.mostRowBytes = row.mostRowBytes ? row.mostRowBytes : realLowCollectorOps.mostRowBytes;
        slowWalkMs = row.slowWalkMs;
        cacheEnumOps.findFirst = row.slowWalkMs ? SlowFindFirst : realCacheEnumOps.findFirst;
        starts = 0;
        startedId = 0;
        tokenFault.clear();
        const ULONGLONG begin = GetTickCount64();
        const Paths low = CollectLow(row.scenario);
        const ULONGLONG took = GetTickCount64() - begin - row.slowWalkMs;
        cacheEnumOps = realCacheEnumOps;
        EXPECT_EQ(starts, row.starts);
        EXPECT_EQ(tokenFault, "");
        EXPECT_LT(took, std::min<ULONGLONG>(row.limitMs, 20000) + 8000u);
        if (row.limitMs < 60000 && !row.slowWalkMs) {
            EXPECT_GE(took, row.limitMs);
        }
        EXPECT_FALSE(startedId != 0 && IsRunning(startedId)) << "the collector is ended";
        if (row.updateAttribute != realUpdate) {
            EXPECT_EQ(startedId, 0u) << "nothing started";
        }
        if (!row.mostRowBytes) {
            EXPECT_EQ(low, row.low);
            continue;
        }
        size_t held = 0;
        for (const CacheEntry& entry : store_)
            if (entry.store == RowStore::Low) held += LowRowBytes(entry);
        EXPECT_LE(held, row.mostRowBytes);
        EXPECT_GT(held + 2 * sizeof(CacheEntry), row.mostRowBytes) << low.size() << " rows";
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
