// Time from starting Tessiwok.exe to its dialog being shown, when no browser
// answers the request for the page address.
//   bench_startup [ROUNDS] [EXE]   (default 15 rounds, ..\Tessiwok.exe beside bench\)
// Polls for the visible dialog every millisecond; each round closes the
// program and waits for it to end before the next start. Prints the median.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tools/testkit/paths.h"

namespace {

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

struct Search {
    DWORD processId;
    HWND dialog;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window) || GetDlgItem(window, IDC_RESULTS) == nullptr)
        return TRUE;
    search->dialog = window;
    return FALSE;
}

// Seconds until the dialog shows, or a negative number when it did not within 60 s.
double StartOnce(const std::string& exe, HWND* dialog, PROCESS_INFORMATION* info) {
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    const double start = Now();
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, info))
        return -1;
    Search search{info->dwProcessId, nullptr};
    while (Now() - start < 60) {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.dialog != nullptr) {
            *dialog = search.dialog;
            return Now() - start;
        }
        Sleep(1);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc >= 2 ? std::atoi(argv[1]) : 15;
    const std::string exe = argc >= 3 ? argv[2] : testkit::ExecutableDirectory() + "..\\Tessiwok.exe";
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        HWND dialog = nullptr;
        PROCESS_INFORMATION info{};
        const double seconds = StartOnce(exe, &dialog, &info);
        if (seconds < 0) {
            std::fprintf(stderr, "bench_startup: no dialog from %s (error %lu)\n", exe.c_str(), GetLastError());
            if (info.hProcess != nullptr) TerminateProcess(info.hProcess, 1);
            return 1;
        }
        times.push_back(seconds);
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        WaitForSingleObject(info.hProcess, 60000);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    std::printf("start to dialog shown, no browser answering: %d rounds, median %.1f ms (min %.1f, max %.1f)\n", rounds,
                sorted[sorted.size() / 2] * 1e3, sorted.front() * 1e3, sorted.back() * 1e3);
    return 0;
}
