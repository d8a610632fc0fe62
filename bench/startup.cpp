// Time from starting Tessiwok.exe to its dialog being shown, when no browser
// answers the request for the page address.
//   bench_startup [ROUNDS] [EXE] [EARLIER_EXE]
//   (default 15 rounds, ..\Tessiwok.exe beside bench\; EARLIER_EXE, another
//   build such as the last release's, takes its turn in every round too)
// Polls for the visible dialog every millisecond; each round closes the
// program and waits for it to end before the next start. Prints the median.
// A program that cannot start or shows no dialog ends the run (exit 1).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common.h"
#include "res/resource.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/pe_image.h"
#include "tools/testkit/process_start.h"

namespace {

using bench::Median;
using bench::Now;

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

// Whether the file is a 32-bit Windows program.
bool Is32Bit(const std::string& exe) {
    testkit::PeImage image;
    return testkit::ReadPeImage(testkit::ReadWholeFile(exe), image).empty() && image.machine == testkit::kMachineI386;
}

// Seconds until the dialog shows, or a negative number when it did not within
// 60 s or did not start (one line on stderr says which).
double StartOnce(const std::string& exe, const std::string& arguments, HWND* dialog, PROCESS_INFORMATION* info) {
    const double start = Now();
    // A start that Wine drops is tried again (its time counts): one lost start
    // must not end a run of many.
    if (!testkit::StartProcess(exe, "\"" + exe + "\"" + arguments, "", *info)) {
        const DWORD error = GetLastError();
        std::fprintf(stderr, "bench_startup: cannot start %s (error %lu)%s\n", exe.c_str(), error,
                     Is32Bit(exe) ? ": a 32-bit program, which Wine without 32-bit support cannot run" : "");
        return -1;
    }
    Search search{info->dwProcessId, nullptr};
    while (Now() - start < 60) {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.dialog != nullptr) {
            *dialog = search.dialog;
            return Now() - start;
        }
        Sleep(1);
    }
    std::fprintf(stderr, "bench_startup: %s showed no dialog within 60 s\n", exe.c_str());
    return -1;
}

// Starts the program, waits for its dialog, closes it; seconds to the dialog
// or a negative number on failure.
double Round(const std::string& exe, const std::string& arguments) {
    HWND dialog = nullptr;
    PROCESS_INFORMATION info{};
    const double seconds = StartOnce(exe, arguments, &dialog, &info);
    if (seconds < 0) {
        if (info.hProcess != nullptr) TerminateProcess(info.hProcess, 1);
    } else {
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        WaitForSingleObject(info.hProcess, 60000);
    }
    if (info.hProcess != nullptr) CloseHandle(info.hProcess);
    if (info.hThread != nullptr) CloseHandle(info.hThread);
    return seconds;
}

}  // namespace

// Alternates Tessiwok.exe with the baseline (the same dialog template shown by
// a program that does nothing else) and prints both medians and their ratio.
int main(int argc, char** argv) {
    if (!bench::HasOwnPrefix("bench_startup") || !bench::CanShowWindows("bench_startup")) return 1;
    const int rounds = argc >= 2 ? std::atoi(argv[1]) : 15;
    if (rounds < 1) {
        std::fprintf(stderr, "bench_startup: ROUNDS must be 1 or more, not \"%s\"\n", argv[1]);
        return 2;
    }
    const std::string exe = argc >= 3 ? argv[2] : testkit::ExecutableDirectory() + "..\\Tessiwok.exe";
    const std::string bare = testkit::ExecutableDirectory() + "bench_bare_dialog.exe";
    const std::string earlier = argc >= 4 ? argv[3] : "";
    std::vector<double> times, bareTimes, ratios, earlierTimes, earlierRatios;
    for (int round = 0; round < rounds; ++round) {
        const double seconds = Round(exe, "");
        const double bareSeconds = Round(bare, " --show \"" + exe + "\"");
        if (seconds < 0 || bareSeconds < 0) return 1;
        times.push_back(seconds);
        bareTimes.push_back(bareSeconds);
        ratios.push_back(seconds / bareSeconds);
        if (earlier.empty()) continue;
        const double earlierSeconds = Round(earlier, "");
        if (earlierSeconds < 0) return 1;
        earlierTimes.push_back(earlierSeconds);
        earlierRatios.push_back(earlierSeconds / bareSeconds);
    }
    std::printf("start to dialog shown, no browser answering: %d rounds, median %.1f ms (min %.1f, max %.1f)\n", rounds,
                Median(times) * 1e3, *std::min_element(times.begin(), times.end()) * 1e3,
                *std::max_element(times.begin(), times.end()) * 1e3);
    std::printf("baseline (the same template, no program logic): median %.1f ms; ratio median %.2f\n",
                Median(bareTimes) * 1e3, Median(ratios));
    if (!earlier.empty())
        std::printf("earlier build %s: median %.1f ms; ratio median %.2f\n", earlier.c_str(), Median(earlierTimes) * 1e3,
                    Median(earlierRatios));
    return 0;
}
