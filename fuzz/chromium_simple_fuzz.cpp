// The simple cache's entry files and its index: an entry file, the index, and
// a second entry file from the input's parts. Rules out reading past a file,
// a listed entry whose body cannot be read back whole, and a crash on any
// length or end record.
#include "fuzz/chromium_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts = SplitFiles(data, size);
    MemoryFolder folder;
    const char* const names[] = {"425ff4c553f771c8_0", "index-dir/the-real-index", "0eed7ac2ce85aa95_0",
                                 "0eed7ac2ce85aa95_s"};
    for (size_t i = 0; i < parts.size() && i < 4; ++i) folder[names[i]] = parts[i];
    CheckedSink sink(folder);
    Require(FormatOf(folder) == CacheFormat::Simple);
    ListBrowserCache(folder, sink);
    return 0;
}
