// Starting a Windows program from a test: CreateProcessA, with the starts
// that Wine drops before the new process has run any of its own code tried
// again a bounded number of times.
#pragma once

#include <windows.h>

#include <string>

namespace testkit {

// How often StartProcess tries one program in all.
constexpr int kStartAttempts = 5;

// Whether CreateProcessA's error says that Wine lost the new process while it
// was still being set up: ERROR_INTERNAL_ERROR (1359). Wine reports it when
// the child is gone before its loader told the server that the process is
// initialised, with no exit code of its own; nothing of the program has run
// then. A program that fails while loading its DLLs ends with a status of its
// own (ERROR_DLL_NOT_FOUND, ...) and a program that starts and then ends
// makes CreateProcessA succeed: neither is retried.
bool IsDroppedStart(DWORD error);

// The CreateProcessA that StartProcess calls; a test puts another one in.
using CreateProcessFunction = BOOL(WINAPI*)(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                                            DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION);

// CreateProcessA(program, commandLine, no inheritance, workingFolder ("" for
// this process's own)). A start that Wine dropped (IsDroppedStart) is tried
// again, up to kStartAttempts in all, with one line on stderr for each retry;
// any other failure, and the last dropped start, returns false with
// GetLastError() as CreateProcessA left it. On success the caller owns both
// handles in info.
bool StartProcess(const std::string& program, const std::string& commandLine, const std::string& workingFolder,
                  PROCESS_INFORMATION& info, CreateProcessFunction create = CreateProcessA);

}  // namespace testkit
