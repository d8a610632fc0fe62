// Large caches through the real Tessiwok.exe: collect, sort by every column and
// draw at growing cache sizes, then save 1,000 selected rows into a folder
// against three baselines over the same files. Prints time and the program's
// peak memory.
//   bench_large_cache [--header BYTES] [--rounds N] [TIER ...]   tiers grow one
//   cache; "max" fills until the cache refuses (default 1000 10000 30000 max);
//   N rounds of the save (default 5). Smallest: --rounds 1 5
// A program that does not start, or a save that copies less than it should,
// ends the run (exit 1).
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

bool MeasureTier(long tier) {
    e2e::Tessiwok app;
    if (!app.Start()) {
        std::fprintf(stderr, "bench_large_cache: tier %ld: cannot start Tessiwok: %s\n", tier, app.LastError().c_str());
        return false;
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
    return true;
}

// Removes every file in a folder (the folder stays); under Wine that takes
// the zone marks too, which are files of their own there.
void EmptyFolder(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + "\\" + data.cFileName).c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

// The files in a folder, zone marks left out: under Wine a mark is a file of
// its own named "<file>:Zone.Identifier", and no copied name holds a ':'.
int CopiesIn(const std::string& folder) {
    int copies = 0;
    for (const std::string& name : testkit::FilesIn(folder)) copies += name.find(':') == std::string::npos;
    return copies;
}

// What a marked save writes after each copy: the stream
// <destination>:Zone.Identifier (NTFS; under Wine a file of that literal
// name beside the copy) saying the file came from the Internet zone.
bool WriteZoneMark(const std::string& destination, const std::string& url) {
    const std::string text = "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=" + url + "\r\n";
    HANDLE mark = CreateFileA((destination + ":Zone.Identifier").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL wrote = WriteFile(mark, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(mark);
    return wrote && written == text.size();
}

// What each baseline does per file.
enum class Baseline { kCopy, kTestAndCopy, kTestCopyAndMark };

struct Copy {
    std::string source;  // the cached file
    std::string name;    // its name in the folder
    std::string url;
};

// Saves rows 0..count-1 through the folder chooser into an empty folder,
// several rounds, alternating with three baselines over the same files into
// another empty folder: CopyFileA alone; GetFileAttributesA + CopyFileA (the
// existence test the save makes before every copy); and that plus the zone
// mark after each copy (the least a save that marks its files can cost).
// False when anything did not copy every file.
bool MeasureSave(int count, int rounds) {
    std::string target = testkit::MakeScratchDirectory("bench-save");
    std::string baseline = testkit::MakeScratchDirectory("bench-copy");
    e2e::StartOptions options;
    options.writeSettings = true;
    options.settings = "[Tessiwok]\r\nSaveFolder=" + target + "\r\n";
    e2e::Tessiwok app;
    if (!app.Start(options)) {
        std::fprintf(stderr, "bench_large_cache: save: cannot start Tessiwok: %s\n", app.LastError().c_str());
        return false;
    }
    app.SetAddress(kPrefix);
    app.Click(IDC_COLLECT, kLongWait);
    count = std::min(count, app.RowCount());
    std::vector<int> rows;
    for (int i = 0; i < count; ++i) rows.push_back(i);
    app.SelectRows(rows);

    if (count < 1) {
        std::fprintf(stderr, "bench_large_cache: save: no rows listed under %s\n", kPrefix);
        return false;
    }
    std::vector<Copy> copies;
    for (int i = 0; i < count; ++i) {
        std::string path = app.CellText(i, 0);
        std::string url = std::string(kPrefix) + path;
        copies.push_back({testkit::LocalFileOf(url), path.substr(path.rfind('/') + 1), url});
    }
    bool complete = true;
    auto runBaseline = [&](Baseline baselineKind) {
        EmptyFolder(baseline);
        int copied = 0;
        double b0 = Now();
        for (const Copy& copy : copies) {
            std::string destination = baseline + "\\" + copy.name;
            if (baselineKind != Baseline::kCopy) GetFileAttributesA(destination.c_str());
            if (!CopyFileA(copy.source.c_str(), destination.c_str(), FALSE)) continue;
            if (baselineKind == Baseline::kTestCopyAndMark && !WriteZoneMark(destination, copy.url)) continue;
            ++copied;
        }
        double seconds = Now() - b0;
        if (copied != count || CopiesIn(baseline) != count) {
            std::fprintf(stderr, "bench_large_cache: a baseline copied %d of %d files\n", copied, count);
            complete = false;
        }
        return seconds;
    };

    std::vector<double> saves, alone, tested, marked, ratios, ratiosTested, ratiosMarked;
    for (int round = 0; round < rounds && complete; ++round) {
        double plain = runBaseline(Baseline::kCopy);
        EmptyFolder(target);
        // Wine's chooser finds the folder to select by its item-id list, which
        // holds directory times that Linux moves on the first read after a change.
        testkit::SettleDirectoryTimes(target);
        app.Click(IDC_SAVE);
        HWND chooser = app.WaitForOtherWindow("#32770");
        if (chooser == nullptr) {
            std::fprintf(stderr, "bench_large_cache: the save opened no folder chooser\n");
            complete = false;
            break;
        }
        e2e::PostClick(GetDlgItem(chooser, IDOK));  // no settling: that would wait for the whole save
        // The copying starts when the first file appears; before that the
        // chooser closes, which under Xvfb without a window manager takes Wine
        // about 2 s and is left out.
        const std::string firstCopy = target + "\\" + copies.front().name;
        if (!e2e::WaitUntil([&] { return GetFileAttributesA(firstCopy.c_str()) != INVALID_FILE_ATTRIBUTES; })) {
            std::fprintf(stderr, "bench_large_cache: the save wrote no %s\n", firstCopy.c_str());
            complete = false;
            break;
        }
        double t0 = Now();
        HWND done = nullptr;
        e2e::WaitUntil([&] {
            for (HWND w : app.OtherWindows())
                if (w != chooser && !e2e::MessageBoxText(w).empty()) done = w;
            return done != nullptr;
        }, kLongWait);
        double save = Now() - t0;
        if (done) app.PressDialogButton(done, IDOK);
        // The program's own zone marks, once it writes them, are not copies.
        const int saved = CopiesIn(target);
        if (done == nullptr || saved != count) {
            std::fprintf(stderr, "bench_large_cache: the save %s and copied %d of %d files\n",
                         done ? "ended" : "did not end in time", saved, count);
            complete = false;
            break;
        }
        double withTest = runBaseline(Baseline::kTestAndCopy);
        double withMark = runBaseline(Baseline::kTestCopyAndMark);
        saves.push_back(save);
        alone.push_back(plain);
        tested.push_back(withTest);
        marked.push_back(withMark);
        ratios.push_back(save / plain);
        ratiosTested.push_back(save / withTest);
        ratiosMarked.push_back(save / withMark);
    }
    if (complete)
        std::printf("save of %d rows (after the first file), %d rounds, medians: %.3f s; CopyFileA alone %.3f s, ratio"
                    " %.3f; existence test + CopyFileA %.3f s, ratio %.3f; existence test + CopyFileA + zone mark"
                    " %.3f s, ratio %.3f\n",
                    count, rounds, Median(saves), Median(alone), Median(ratios), Median(tested), Median(ratiosTested),
                    Median(marked), Median(ratiosMarked));
    app.PressKey(VK_ESCAPE);
    app.WaitForExit();
    return complete;
}

}  // namespace

int main(int argc, char** argv) {
    if (!bench::HasOwnPrefix("bench_large_cache") || !bench::CanShowWindows("bench_large_cache")) return 1;
    long headerBytes = 0;
    int rounds = 5;
    std::vector<std::string> tiers;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--header" && i + 1 < argc) headerBytes = std::strtol(argv[++i], nullptr, 10);
        else if (arg == "--rounds" && i + 1 < argc) rounds = std::atoi(argv[++i]);
        else tiers.push_back(arg);
    }
    if (rounds < 1) {
        std::fprintf(stderr, "bench_large_cache: --rounds must be 1 or more\n");
        return 2;
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
        if (!MeasureTier(filled)) return 1;
        if (filled < target) break;
    }
    return MeasureSave(1000, rounds) ? 0 : 1;
}
