// Where Tessiwok's start-up time goes: each step of the program's start timed
// at its first call in a fresh process, as the program makes it, with no
// browser answering and no page window on screen.
//   bench_startup_steps [ROUNDS]   (default 15 fresh processes; prints medians)
// The steps that a bare dialog makes too (process start, DLL loading, the
// dialog template) are bench_startup's; this one times the program's own.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/module_path_win.h"
#include "app/program.h"
#include "app/settings_file_win.h"
#include "bench/common.h"
#include "browser/browser.h"
#include "browser/dde_fetch.h"
#include "browser/page_window.h"
#include "list/result_list.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/process_start.h"

namespace {

const char* const kSteps[] = {
    "settings path (before WinMain)", "module directory",    "common controls", "COM",
    "toolbar registry check",         "list columns",        "DDE instance alone", "DDE request",
    "page window search",
};
constexpr int kStepCount = sizeof kSteps / sizeof kSteps[0];

// One start's steps, in the program's order; appends one line of
// microseconds to the file.
int Once(const char* path) {
    double at[kStepCount + 1];
    at[0] = bench::Now();
    SettingsFile settings;  // what the program-wide object does before WinMain
    at[1] = bench::Now();
    char directory[260];
    ComputeModuleDirectory(directory, sizeof directory);
    at[2] = bench::Now();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    at[3] = bench::Now();
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    at[4] = bench::Now();
    IsToolbarButtonRegistered();
    at[5] = bench::Now();
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT | LVS_OWNERDATA, 0, 0, 600, 300, nullptr,
                                nullptr, nullptr, nullptr);
    const double listMade = bench::Now();
    SetupListColumns(list);
    at[6] = bench::Now() - (listMade - at[5]);
    HWND box = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 300, 20, nullptr, nullptr, nullptr, nullptr);
    const double boxMade = bench::Now();
    // A client instance made and ended alone: what the request costs before
    // it asks anybody.
    DWORD instance = 0;
    if (DdeInitializeA(&instance, [](UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) -> HDDEDATA {
            return nullptr;
        }, kDdeClientFlags, 0) == DMLERR_NO_ERROR)
        DdeUninitialize(instance);
    at[7] = bench::Now() - (boxMade - at[6]);
    FetchBrowserUrl(box);
    at[8] = bench::Now() - (boxMade - at[6]);
    FindPageWindowAddress();
    at[9] = bench::Now() - (boxMade - at[6]);
    FILE* out = std::fopen(path, "a");
    if (out == nullptr) return 1;
    for (int i = 0; i < kStepCount; ++i) std::fprintf(out, "%s%.0f", i ? " " : "", (at[i + 1] - at[i]) * 1e6);
    std::fprintf(out, "\n");
    std::fclose(out);
    DestroyWindow(box);
    DestroyWindow(list);
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--once") return Once(argv[2]);
    if (!bench::HasOwnPrefix("bench_startup_steps") || !bench::CanShowWindows("bench_startup_steps")) return 1;
    const int rounds = argc >= 2 ? std::atoi(argv[1]) : 15;
    if (rounds < 1) return 2;
    const std::string self = testkit::ExecutableDirectory() + "bench_startup_steps.exe";
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string lines = std::string(temp) + testkit::UniqueName("startup-steps") + ".txt";
    for (int round = 0; round < rounds; ++round) {
        PROCESS_INFORMATION info{};
        if (!testkit::StartProcess(self, "\"" + self + "\" --once \"" + lines + "\"", "", info)) return 1;
        WaitForSingleObject(info.hProcess, 60000);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    std::vector<std::vector<double>> times(kStepCount);
    const std::string output = testkit::ReadWholeFile(lines);
    DeleteFileA(lines.c_str());
    const char* at = output.c_str();
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < kStepCount; ++i) {
            char* end = nullptr;
            const double value = std::strtod(at, &end);
            if (end == at) {
                std::fprintf(stderr, "bench_startup_steps: round %d gave no figures\n", round);
                return 1;
            }
            at = end;
            times[i].push_back(value);
        }
    }
    std::printf("first call of each start-up step in a fresh process, %d rounds, median microseconds:\n", rounds);
    double total = 0;
    for (int i = 0; i < kStepCount; ++i) {
        const double median = bench::Median(times[i]);
        total += median;
        std::printf("  %-32s %8.0f\n", kSteps[i], median);
    }
    std::printf("  %-32s %8.0f\n", "sum", total);
    return 0;
}
