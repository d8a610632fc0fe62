// Large caches through the real Tessiwok.exe: collect, sort by every column and
// draw at growing cache sizes, then save 1,000 selected rows into a folder
// against CopyFileA alone. Prints time and the program's peak memory.
//   bench_large_cache [--header BYTES] [TIER ...]   tiers grow one cache;
//   "max" fills until the cache refuses (default 1000 10000 30000 max)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common.h"
#include "tests/e2e/driver.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

using bench::Median;
using bench::Now;

const char kPrefix[] = "http://large.tessiwok.test/site/";
const DWORD kLongWait = 30 * 60 * 1000;

double PeakMiB(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return -1;
    return double(counters.PeakPagefileUsage) / (1024.0 * 1024.0);
}

// Commits until the cache holds target items (or refuses one); returns the count.
// Redraws the list now (a synchronous WM_PAINT in the program's thread).
void Draw(e2e::Tessiwok& app) { RedrawWindow(app.List(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

void MeasureTier(long tier) {
    e2e::Tessiwok app;
    if (!app.Start()) {
        std::printf("%-8ld cannot start Tessiwok: %s\n", tier, app.LastError().c_str());
        return;
    }
    app.SetAddress(std::string(kPrefix) + "index.html");
    double t0 = Now();
    app.Click(IDC_COLLECT, kLongWait);
    Draw(app);
    double collect = Now() - t0;
    int rows = app.RowCount();

    double sorts[5];
    for (int column = 0; column < 5; ++column) {
        double s = Now();
        app.ClickColumnHeader(column);
        Draw(app);
        sorts[column] = Now() - s;
    }
    std::printf("%-8ld %8d %10.2f %8.3f %8.3f %8.3f %8.3f %8.3f %10.1f\n", tier, rows, collect, sorts[0], sorts[1],
                sorts[2], sorts[3], sorts[4], PeakMiB(app.Process()));
    std::fflush(stdout);
    app.PressKey(VK_ESCAPE);
    app.WaitForExit();
}

// Removes every file in a folder (the folder stays).
void EmptyFolder(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + "\\" + data.cFileName).c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

// Saves rows 0..count-1 through the folder chooser into an empty folder,
// several rounds, alternating with two baselines over the same files into
// another empty folder: CopyFileA alone, and GetFileAttributesA + CopyFileA
// (the existence test the save makes before every copy).
void MeasureSave(int count, int rounds) {
    std::string target = testkit::MakeScratchDirectory("bench-save");
    std::string baseline = testkit::MakeScratchDirectory("bench-copy");
    e2e::StartOptions options;
    options.writeSettings = true;
    options.settings = "[Tessiwok]\r\nSaveFolder=" + target + "\r\n";
    e2e::Tessiwok app;
    if (!app.Start(options)) {
        std::printf("cannot start Tessiwok: %s\n", app.LastError().c_str());
        return;
    }
    app.SetAddress(kPrefix);
    app.Click(IDC_COLLECT, kLongWait);
    count = std::min(count, app.RowCount());
    std::vector<int> rows;
    for (int i = 0; i < count; ++i) rows.push_back(i);
    app.SelectRows(rows);

    std::vector<std::pair<std::string, std::string>> copies;  // source, name
    for (int i = 0; i < count; ++i) {
        std::string path = app.CellText(i, 0);
        copies.emplace_back(testkit::LocalFileOf(std::string(kPrefix) + path), path.substr(path.rfind('/') + 1));
    }
    auto copyAlone = [&](bool testFirst) {
        EmptyFolder(baseline);
        double b0 = Now();
        for (const auto& [source, name] : copies) {
            std::string destination = baseline + "\\" + name;
            if (testFirst) GetFileAttributesA(destination.c_str());
            CopyFileA(source.c_str(), destination.c_str(), FALSE);
        }
        return Now() - b0;
    };

    std::vector<double> saves, alone, tested, ratios, ratiosTested;
    for (int round = 0; round < rounds; ++round) {
        double plain = copyAlone(false);
        EmptyFolder(target);
        // Wine's chooser finds the folder to select by its item-id list, which
        // holds directory times that Linux moves on the first read after a change.
        testkit::SettleDirectoryTimes(target);
        app.Click(IDC_SAVE);
        HWND chooser = app.WaitForOtherWindow("#32770");
        e2e::PostClick(GetDlgItem(chooser, IDOK));  // no settling: that would wait for the whole save
        // The copying starts when the first file appears; before that the
        // chooser closes, which under Xvfb without a window manager takes Wine
        // about 2 s and is left out.
        const std::string firstCopy = target + "\\" + copies.front().second;
        e2e::WaitUntil([&] { return GetFileAttributesA(firstCopy.c_str()) != INVALID_FILE_ATTRIBUTES; }, kLongWait);
        double t0 = Now();
        HWND done = nullptr;
        e2e::WaitUntil([&] {
            for (HWND w : app.OtherWindows())
                if (w != chooser && !e2e::MessageBoxText(w).empty()) done = w;
            return done != nullptr;
        }, kLongWait);
        double save = Now() - t0;
        if (done) app.PressDialogButton(done, IDOK);
        double withTest = copyAlone(true);
        saves.push_back(save);
        alone.push_back(plain);
        tested.push_back(withTest);
        ratios.push_back(save / plain);
        ratiosTested.push_back(save / withTest);
    }
    std::printf("save of %d rows (after the first file), %d rounds, medians: %.3f s; CopyFileA alone %.3f s, ratio %.3f;"
                " existence test + CopyFileA %.3f s, ratio %.3f\n",
                count, rounds, Median(saves), Median(alone), Median(ratios), Median(tested), Median(ratiosTested));
    app.PressKey(VK_ESCAPE);
    app.WaitForExit();
}

}  // namespace

int main(int argc, char** argv) {
    long headerBytes = 0;
    std::vector<std::string> tiers;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--header" && i + 1 < argc) headerBytes = std::strtol(argv[++i], nullptr, 10);
        else tiers.push_back(arg);
    }
    if (tiers.empty()) tiers = {"1000", "10000", "30000", "max"};

    long filled = static_cast<long>(testkit::CachedUrlsUnder(kPrefix).size());
    std::printf("%-8s %8s %10s %8s %8s %8s %8s %8s %10s\n", "tier", "rows", "collect s", "path s", "ext s", "size s",
                "access s", "modif s", "peak MiB");
    for (const std::string& tier : tiers) {
        long target = tier == "max" ? 1000000 : std::strtol(tier.c_str(), nullptr, 10);
        double f0 = Now();
        long now = bench::FillCache(kPrefix, filled, target, headerBytes);
        if (now > filled) std::printf("# filled %ld items in %.1f s\n", now - filled, Now() - f0);
        filled = now;
        MeasureTier(filled);
        if (filled < target) break;
    }
    MeasureSave(1000, 5);
    return 0;
}
