// Fills the URL cache of the Wine prefix it runs in, for the demo and benchmarks.
//   cachefill demo                       download the sample site; print its address
//   cachefill bulk PREFIX COUNT [HDR]    commit COUNT small items under PREFIX, each
//                                        with HDR bytes of stored headers
//   cachefill commit URL [BYTES]         commit one item of BYTES bytes
//   cachefill count PREFIX               print how many items lie under PREFIX
//   cachefill clear PREFIX               remove every item under PREFIX
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/testkit/demo_site.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: cachefill demo | bulk PREFIX COUNT [HDR] | commit URL [BYTES] | count PREFIX | clear PREFIX\n");
    return 2;
}

// Bulk items get distinct names in a few folders with a mix of extensions.
int Bulk(const std::string& prefix, long count, long headerBytes) {
    static const char* const kExtensions[] = {"gif", "jpg", "png", "css", "js", "html"};
    long committed = 0;
    for (long i = 0; i < count; ++i) {
        testkit::CachedItem cached;
        char name[64];
        std::snprintf(name, sizeof name, "d%ld/f%07ld.%s", i % 17, i, kExtensions[i % 6]);
        cached.url = prefix + name;
        cached.content = std::string(static_cast<size_t>(16 + (i * 37) % 200), 'b');
        cached.lastModified = testkit::UtcFileTime(2003, 1 + i % 12, 1 + i % 28, i % 24, i % 60, i % 60);
        if (headerBytes > 0) cached.headers = "X-Pad: " + std::string(static_cast<size_t>(headerBytes), 'h') + "\r\n";
        if (!testkit::CommitCacheEntry(cached)) {
            std::fprintf(stderr, "cachefill: commit %ld refused (error %lu)\n", i, GetLastError());
            break;
        }
        ++committed;
    }
    std::printf("committed %ld\n", committed);
    return committed == count ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string verb = argv[1];
    if (verb == "demo") {
        std::string address = testkit::DownloadDemoSite();
        if (address.empty()) {
            std::fprintf(stderr, "cachefill: the sample site could not be downloaded\n");
            return 1;
        }
        std::printf("%s\n", address.c_str());
        return 0;
    }
    if (verb == "bulk" && argc >= 4)
        return Bulk(argv[2], std::strtol(argv[3], nullptr, 10), argc >= 5 ? std::strtol(argv[4], nullptr, 10) : 0);
    if (verb == "commit" && argc >= 3) {
        testkit::CachedItem cached;
        cached.url = argv[2];
        cached.content = std::string(argc >= 4 ? std::strtoul(argv[3], nullptr, 10) : 1, 'c');
        return testkit::CommitCacheEntry(cached) ? 0 : 1;
    }
    if (verb == "count" && argc >= 3) {
        std::printf("%zu\n", testkit::CachedUrlsUnder(argv[2]).size());
        return 0;
    }
    if (verb == "clear" && argc >= 3) {
        std::printf("removed %d\n", testkit::DeleteCacheEntriesUnder(argv[2]));
        return 0;
    }
    return Usage();
}
