// testkit::StartProcess, which every test that starts a program goes
// through: which failed starts it tries again, how often, and what it says.
#include "tools/testkit/process_start.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A CreateProcessA that fails its first `failures` calls with `error`, then succeeds.
int calls = 0;
int failures = 0;
DWORD error = 0;

BOOL WINAPI FailingCreate(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                          LPSTARTUPINFOA, LPPROCESS_INFORMATION info) {
    if (++calls <= failures) {
        SetLastError(error);
        return FALSE;
    }
    info->dwProcessId = 1234;
    return TRUE;
}

TEST(ProcessStart, OnlyStartsThatWineDroppedAreTriedAgainAndNoMoreThanTheBound) {
    struct Row {
        DWORD error;
        int failures;
        bool started;
        int calls;
        int retryLines;
    } rows[] = {
        {ERROR_INTERNAL_ERROR, 2, true, 3, 2},                                               // dropped twice
        {ERROR_INTERNAL_ERROR, 99, false, testkit::kStartAttempts, testkit::kStartAttempts - 1},  // every time
        {ERROR_FILE_NOT_FOUND, 1, false, 1, 0},                                              // no such program
        {ERROR_DLL_NOT_FOUND, 1, false, 1, 0},                                               // the program's own fault
        {ERROR_ACCESS_DENIED, 1, false, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("error " + std::to_string(row.error) + ", failing " + std::to_string(row.failures));
        calls = 0;
        failures = row.failures;
        error = row.error;
        PROCESS_INFORMATION info{};
        ::testing::internal::CaptureStderr();
        const bool started = testkit::StartProcess("C:\\x\\p.exe", "\"C:\\x\\p.exe\"", "", info, FailingCreate);
        const DWORD last = GetLastError();
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(started, row.started);
        EXPECT_EQ(calls, row.calls);
        if (row.started) {
            EXPECT_EQ(info.dwProcessId, 1234u);
        } else {
            EXPECT_EQ(last, row.error) << "the caller reports CreateProcessA's own error";
        }
        int lines = 0;
        for (size_t at = said.find("C:\\x\\p.exe"); at != std::string::npos; at = said.find("C:\\x\\p.exe", at + 1))
            ++lines;
        EXPECT_EQ(lines, row.retryLines) << said;
    }
}

TEST(ProcessStart, MissingProgramFailsAtOnceWithItsError) {
    PROCESS_INFORMATION info{};
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(testkit::StartProcess("C:\\no-such-folder\\none.exe", "none.exe", "", info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

}  // namespace
