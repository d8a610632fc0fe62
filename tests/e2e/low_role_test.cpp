// The real Tessiwok.exe in its low-integrity collector role, started as a
// collection starts it (a pipe as its standard output): it writes the cache's
// own records under the prefix, times in UTC, each local file in the Internet
// cache folder that the parent checks. A role command line that is not sound
// opens no dialog and writes nothing. Literals are code page 932 bytes.
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cache/low_collect.h"
#include "cache/low_record.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

// What the program wrote with these arguments after its path, read to its end.
std::string RunRole(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    EXPECT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const std::string exe = e2e::BuiltExePath();
    std::wstring line = L"\"" + std::wstring(exe.begin(), exe.end()) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    PROCESS_INFORMATION info{};
    EXPECT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info));
    CloseHandle(writeEnd);
    std::string output;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0) output.append(chunk, got);
    DWORD exitCode = 1;
    EXPECT_EQ(WaitForSingleObject(info.hProcess, e2e::kDefaultTimeoutMs), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &exitCode) && exitCode == 0);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    CloseHandle(readEnd);
    return output;
}

TEST(LowRole, WritesTheCachesOwnRecordsUnderThePrefixAndNothingForABrokenCommandLine) {
    const std::string prefix = "http://" + testkit::UniqueName("role") + ".test/site/";
    for (const char* path : {"a.html", "img/b.png", "c.cgi?x=1"}) {
        testkit::CachedItem cached;
        cached.url = prefix + path;
        cached.lastModified = testkit::UtcFileTime(2003, 4, 5, 6, 7, 8);
        ASSERT_TRUE(testkit::CommitCacheEntry(cached));
    }
    const std::string hex = HexOfBytes(prefix);
    const std::string output = RunRole(std::wstring(kLowCollectorRole) + L" " + std::wstring(hex.begin(), hex.end()));
    std::vector<std::string> written, cached;
    LowRecordReader reader;
    reader.Feed(output.data(), output.size());
    for (LowRecord r; reader.Next(r) == LowRecordReader::Step::Record;) {
        written.push_back(r.sourceUrl + " " + r.localFile + " " + std::to_string(r.sizeLow) + " " +
                          std::to_string(r.lastAccess.Value()) + " " + std::to_string(r.lastModified.Value()));
        // The parent keeps only files in the cache folder; under Wine, where the
        // collector sees the parent's own cache, main_dialog_test then sees each row once.
        const std::string folder = testkit::InternetCacheFolder();
        EXPECT_EQ(_strnicmp(r.localFile.c_str(), folder.c_str(), folder.size()), 0) << folder;
    }
    EXPECT_EQ(reader.Pending(), 0u);
    for (const testkit::CacheRecordCopy& own : testkit::CacheRecords()) {
        if (own.url.compare(0, prefix.size(), prefix) != 0) continue;
        auto value = [](FILETIME t) { return std::to_string(FileTime{t.dwLowDateTime, t.dwHighDateTime}.Value()); };
        cached.push_back(own.url + " " + own.localFile + " " + std::to_string(own.sizeLow) + " " + value(own.lastAccess) +
                         " " + value(own.lastModified));
    }
    EXPECT_EQ(cached.size(), 3u);
    EXPECT_EQ(written, cached);
    testkit::DeleteCacheEntriesUnder(prefix);

    const std::wstring role = kLowCollectorRole;  // a dialog would keep the program from ending

    // A prefix typed in Japanese (code page 932 bytes) also finds what the
    // browser keyed by the escaped UTF-8 it sent.
    const std::string host = "http://" + testkit::UniqueName("role-ja") + ".test/";
    testkit::CachedItem escaped;
    escaped.url = host + "%E5%86%99%E7%9C%9F/a.png";
    ASSERT_TRUE(testkit::CommitCacheEntry(escaped));
    const std::string typedHex = HexOfBytes(host + "写真/");
    const std::string found = RunRole(role + L" " + std::wstring(typedHex.begin(), typedHex.end()));
    LowRecordReader escapedReader;
    escapedReader.Feed(found.data(), found.size());
    LowRecord record;
    ASSERT_EQ(escapedReader.Next(record), LowRecordReader::Step::Record);
    EXPECT_EQ(record.sourceUrl, escaped.url);
    testkit::DeleteCacheEntriesUnder(host);

    for (const std::wstring& arguments : {role, role + L" 6", role + L" 68zz", role + L" 6874 extra"})
        EXPECT_TRUE(RunRole(arguments).empty());
}

}  // namespace
