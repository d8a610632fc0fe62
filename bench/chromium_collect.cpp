// Collecting the rows of a browser's blockfile cache that Debian's chromium
// wrote (build/chromium-bench, made once by tools/bench.sh), against a bare
// pass that reads the index, each entry record and each stream 0 once with
// plain file calls; and the peak memory the collection adds.
//   bench_chromium_collect [--rounds N] [FOLDER]   default: 5 rounds over
//   the cache beside the build tree
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/common.h"
#include "chromium/browser_caches_win.h"
#include "save/body_decode.h"
#include "tools/testkit/paths.h"

namespace {

using bench::Median;
using bench::Now;

uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

HANDLE OpenShared(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD count) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    return ReadFile(file, buffer, count, &got, &where) && got == count;
}

// The bare pass: every chain of the index, each record once, each stream 0
// once, with no checks beyond what keeps it inside the buffers. The number
// of records read.
size_t BarePass(const std::string& folder) {
    HANDLE index = OpenShared(folder + "\\index");
    std::vector<HANDLE> data(4);
    for (int n = 0; n < 4; ++n) data[n] = OpenShared(folder + "\\data_" + std::to_string(n));
    unsigned char header[368];
    size_t records = 0;
    if (index != INVALID_HANDLE_VALUE && ReadAt(index, 0, header, sizeof header)) {
        const uint32_t length = Le32(header + 28) == 0 ? 0x10000 : Le32(header + 28);
        std::vector<unsigned char> table(4 * length);
        std::vector<unsigned char> stream(64 * 1024);
        unsigned char entry[256];
        ReadAt(index, 368, table.data(), static_cast<DWORD>(table.size()));
        const uint32_t sizes[] = {0, 36, 256, 1024, 4096};
        for (uint32_t bucket = 0; bucket < length; ++bucket) {
            for (uint32_t address = Le32(&table[4 * bucket]), steps = 0; address != 0 && steps < 64; ++steps) {
                const uint32_t file = (address >> 16) & 0xFF;
                if (file >= data.size() || !ReadAt(data[file], 8192 + 256ull * (address & 0xFFFF), entry, 256)) break;
                ++records;
                const uint32_t headerAddress = Le32(entry + 56), headerSize = Le32(entry + 40);
                const uint32_t type = (headerAddress >> 28) & 7, headerFile = (headerAddress >> 16) & 0xFF;
                if (type >= 2 && type <= 4 && headerFile < data.size() && headerSize <= stream.size())
                    ReadAt(data[headerFile], 8192 + uint64_t(sizes[type]) * (headerAddress & 0xFFFF), stream.data(),
                           headerSize);
                address = Le32(entry + 4);
            }
        }
    }
    for (HANDLE h : data)
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (index != INVALID_HANDLE_VALUE) CloseHandle(index);
    return records;
}

double Megabytes(SIZE_T PROCESS_MEMORY_COUNTERS::*field) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return double(counters.*field) / (1024 * 1024);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    std::string folder = testkit::ExecutableDirectory() + "..\\..\\chromium-bench\\blockfile";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) rounds = std::atoi(argv[++i]);
        else folder = argv[i];
    }
    const std::string port = testkit::ReadWholeFile(folder + "\\..\\port");
    if (port.empty()) {
        std::fprintf(stderr, "bench_chromium_collect: no cache in %s (tools/bench.sh makes it)\n", folder.c_str());
        return 1;
    }
    const std::string prefix = "http://127.0.0.1:" + port + "/many/";
    const std::vector<std::wstring> folders = {std::wstring(folder.begin(), folder.end())};

    const double before = Megabytes(&PROCESS_MEMORY_COUNTERS::PagefileUsage);
    const double beforeSet = Megabytes(&PROCESS_MEMORY_COUNTERS::WorkingSetSize);
    std::vector<double> bare, collect, ratios;
    size_t records = 0, rows = 0;
    for (int round = 0; round < rounds; ++round) {
        EntryStore store;
        const double t0 = Now();
        records = BarePass(folder);
        const double t1 = Now();
        AppendBrowserCacheRows(folders, prefix.c_str(), store, IsDecodableEncoding);
        const double t2 = Now();
        rows = store.Size();
        bare.push_back((t1 - t0) * 1000);
        collect.push_back((t2 - t1) * 1000);
        ratios.push_back(collect.back() / bare.back());
    }
    const double peak = Megabytes(&PROCESS_MEMORY_COUNTERS::PeakPagefileUsage);
    const double peakSet = Megabytes(&PROCESS_MEMORY_COUNTERS::PeakWorkingSetSize);
    std::printf("%-8s %8s %12s %12s %8s %18s %18s\n", "records", "rows", "bare ms", "collect ms", "ratio",
                "peak private MB", "peak working MB");
    std::printf("%-8zu %8zu %12.1f %12.1f %8.3f %10.1f (+%.1f) %10.1f (+%.1f)\n", records, rows, Median(bare),
                Median(collect), Median(ratios), peak, peak - before, peakSet, peakSet - beforeSet);
    return 0;
}
