// The real Tessiwok.exe in its low-integrity collector role, started as a
// collection starts it (the pipe as its standard output): the records it
// writes are the cache's own records under the prefix, times in UTC, and
// every local file lies in the Internet cache folder that the parent checks.
// A command line of the role that is not sound opens no dialog and writes nothing.
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cache/low_collect.h"
#include "cache/low_record.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

struct RoleRun {
    DWORD exitCode = 0;
    std::string output;
};

// Starts the program with arguments after its path and the write end of a
// pipe as standard output; reads until it ends (bounded).
RoleRun RunRole(const std::wstring& arguments) {
    RoleRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const std::string exe = e2e::BuiltExePath();
    std::wstring line = L"\"" + std::wstring(exe.begin(), exe.end()) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    CloseHandle(writeEnd);
    EXPECT_TRUE(started);
    if (!started) return run;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) run.output.append(chunk, got);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, e2e::kDefaultTimeoutMs), WAIT_OBJECT_0);
    GetExitCodeProcess(info.hProcess, &run.exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    CloseHandle(readEnd);
    return run;
}

TEST(LowRole, WritesTheCachesOwnRecordsUnderThePrefix) {
    const std::string prefix = "http://" + testkit::UniqueName("role") + ".test/site/";
    for (const char* path : {"a.html", "img/b.png", "c.cgi?x=1"}) {
        testkit::CachedItem cached;
        cached.url = prefix + path;
        cached.content = path;
        cached.lastModified = testkit::UtcFileTime(2003, 4, 5, 6, 7, 8);
        ASSERT_TRUE(testkit::CommitCacheEntry(cached));
    }
    const std::string hex = HexOfBytes(prefix);
    const RoleRun run = RunRole(std::wstring(kLowCollectorRole) + L" " + std::wstring(hex.begin(), hex.end()));
    EXPECT_EQ(run.exitCode, 0u);

    std::vector<LowRecord> written;
    LowRecordReader reader;
    reader.Feed(run.output.data(), run.output.size());
    LowRecord record;
    while (reader.Next(record) == LowRecordReader::Step::Record) written.push_back(record);
    EXPECT_EQ(reader.Pending(), 0u);

    std::vector<testkit::CacheRecordCopy> cached;
    for (const testkit::CacheRecordCopy& own : testkit::CacheRecords())
        if (own.url.compare(0, prefix.size(), prefix) == 0) cached.push_back(own);
    ASSERT_EQ(cached.size(), 3u);
    ASSERT_EQ(written.size(), cached.size());
    const std::string folder = testkit::InternetCacheFolder();
    for (size_t i = 0; i < cached.size(); ++i) {
        SCOPED_TRACE(cached[i].url);
        EXPECT_EQ(written[i].sourceUrl, cached[i].url);
        EXPECT_EQ(written[i].localFile, cached[i].localFile);
        EXPECT_EQ(written[i].sizeLow, cached[i].sizeLow);
        EXPECT_EQ(written[i].lastModified.low, cached[i].lastModified.dwLowDateTime);
        EXPECT_EQ(written[i].lastModified.high, cached[i].lastModified.dwHighDateTime);
        EXPECT_EQ(written[i].lastAccess.Value(), FileTime({cached[i].lastAccess.dwLowDateTime,
                                                           cached[i].lastAccess.dwHighDateTime}).Value());
        // The parent keeps only files in the cache folder: so under Wine, where
        // the child sees the parent's own cache, the dialog gets each row twice
        // and must list it once (main_dialog_test).
        EXPECT_EQ(_strnicmp(written[i].localFile.c_str(), folder.c_str(), folder.size()), 0) << folder;
    }
    testkit::DeleteCacheEntriesUnder(prefix);
}

TEST(LowRole, CommandLineOfTheRoleThatIsNotSoundWritesNothingAndOpensNoDialog) {
    const std::wstring role = kLowCollectorRole;
    for (const std::wstring& arguments : {role, role + L" 6", role + L" 68zz", role + L" 6874 extra"}) {
        const RoleRun run = RunRole(arguments);  // a dialog would keep it from ending
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(run.output.empty());
    }
}

}  // namespace
