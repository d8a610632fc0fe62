// Starting a program from a test, with the starts that Wine drops retried.
#include "tools/testkit/process_start.h"

#include <cstdio>

namespace testkit {

bool IsDroppedStart(DWORD error) { return error == ERROR_INTERNAL_ERROR; }

bool StartProcess(const std::string& program, const std::string& commandLine, const std::string& workingFolder,
                  PROCESS_INFORMATION& info, CreateProcessFunction create) {
    for (int attempt = 1;; ++attempt) {
        // CreateProcessA may write into the command line: a fresh copy each time.
        std::string command = commandLine;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        info = PROCESS_INFORMATION{};
        if (create(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                   workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info))
            return true;
        const DWORD error = GetLastError();
        if (!IsDroppedStart(error) || attempt >= kStartAttempts) {
            SetLastError(error);
            return false;
        }
        std::fprintf(stderr, "testkit: Wine dropped the start of %s (error %lu), try %d of %d\n", program.c_str(),
                     static_cast<unsigned long>(error), attempt + 1, kStartAttempts);
        std::fflush(stderr);
        // A moment for the machine, then a new start.
        Sleep(100U * static_cast<DWORD>(attempt));
    }
}

}  // namespace testkit
