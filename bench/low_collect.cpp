// The collection the dialog runs, with the low-integrity collector (the real
// Tessiwok.exe in its role, started as the dialog starts it), against the two
// enumerations it stands for done bare one after the other. Under Wine both
// processes see the one cache, so the collector walks the same records the
// parent does and every row comes twice before the duplicates go.
//   bench_low_collect [--rounds N] [TIER ...]   tiers grow one cache under the
//   large-cache benchmark's address; "max" fills until the cache refuses
//   (default 1000 10000; N rounds, default 5). Smallest: --rounds 1 5
//   bench_low_collect --endless    one collection from a collector that writes
//   sound records without end (tools/low_standin.exe): the rows it gives and
//   the peak memory of this process before and after
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/common.h"
#include "cache/low_collect.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

using bench::Median;
using bench::Now;

const char kPrefix[] = "http://large.tessiwok.test/site/";

double PeakMiB(SIZE_T PROCESS_MEMORY_COUNTERS::*field) {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
    return counters.*field / (1024.0 * 1024.0);
}

int Endless() {
    const std::string standin = testkit::FindInBuildTree("tools\\low_standin.exe");
    if (standin.empty()) {
        std::fprintf(stderr, "bench_low_collect: no tools\\low_standin.exe in the build tree\n");
        return 1;
    }
    lowCollectorOps.program.assign(standin.begin(), standin.end());
    SetEnvironmentVariableA("TESSIWOK_LOW_CASE", "endless");
    const double workingSet = PeakMiB(&PROCESS_MEMORY_COUNTERS::PeakWorkingSetSize);
    const double pagefile = PeakMiB(&PROCESS_MEMORY_COUNTERS::PeakPagefileUsage);
    EntryStore store;
    const double t0 = Now();
    CollectAllCacheEntries(kPrefix, store);
    const double t1 = Now();
    std::printf("endless collector: %zu rows in %.1f ms; peak working set %.1f -> %.1f MiB, peak pagefile %.1f -> %.1f MiB\n",
                store.Size(), (t1 - t0) * 1000, workingSet, PeakMiB(&PROCESS_MEMORY_COUNTERS::PeakWorkingSetSize),
                pagefile, PeakMiB(&PROCESS_MEMORY_COUNTERS::PeakPagefileUsage));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!bench::HasOwnPrefix("bench_low_collect")) return 1;
    if (argc == 2 && std::strcmp(argv[1], "--endless") == 0) return Endless();
    int rounds = 5;
    std::vector<long> tiers;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else {
            tiers.push_back(std::strcmp(argv[i], "max") == 0 ? 1L << 30 : std::strtol(argv[i], nullptr, 10));
        }
    }
    if (tiers.empty()) tiers = {1000, 10000};
    const std::string program = testkit::FindInBuildTree("Tessiwok.exe");
    if (program.empty()) {
        std::fprintf(stderr, "bench_low_collect: no Tessiwok.exe in the build tree\n");
        return 1;
    }
    lowCollectorOps.program.assign(program.begin(), program.end());

    long filled = static_cast<long>(testkit::CachedUrlsUnder(kPrefix).size());
    std::printf("%-8s %-8s %8s %14s %14s %8s\n", "tier", "entries", "rows", "2x bare ms", "with low ms", "ratio");
    for (long tier : tiers) {
        const long reached = bench::FillCache(kPrefix, filled, tier);
        const bool full = reached < tier;
        filled = reached;
        std::vector<double> bare, collect, ratios;
        EntryStore store;
        for (int round = 0; round < rounds; ++round) {
            const double t0 = Now();
            bench::BareEnumeration();
            bench::BareEnumeration();
            const double t1 = Now();
            CollectAllCacheEntries(kPrefix, store);
            const double t2 = Now();
            bare.push_back((t1 - t0) * 1000);
            collect.push_back((t2 - t1) * 1000);
            ratios.push_back(collect.back() / bare.back());
        }
        std::printf("%-8ld %-8ld %8zu %14.1f %14.1f %8.3f\n", full ? filled : tier, filled, store.Size(), Median(bare),
                    Median(collect), Median(ratios));
        std::fflush(stdout);
        if (full) break;
    }
    return 0;
}
