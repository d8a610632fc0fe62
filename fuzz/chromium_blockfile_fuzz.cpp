// The blockfile cache's index, block files and entry records. The files'
// headers are made sound here (magic, numbers, block sizes) so that the
// input's parts reach the records: the index's 64 buckets, the blocks of
// data_0 (rankings) to data_3, and one external file f_000001. Rules out
// reading past a file, following a chain forever, and a listed entry whose
// body cannot be read back whole.
#include <cstring>

#include "fuzz/chromium_parts.h"

namespace {

void Put32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> parts = SplitFiles(data, size);
    MemoryFolder folder;
    std::string& index = folder["index"];
    index.assign(368, '\0');
    Put32(index, 0, 0xC103CAC3);
    Put32(index, 4, 0x30000);
    Put32(index, 28, 64);
    index += parts[0].substr(0, 256);
    index.resize(368 + 256, '\0');

    static const uint32_t kBlockSizes[] = {36, 256, 1024, 4096};
    for (size_t n = 0; n < 4 && n + 1 < parts.size(); ++n) {
        std::string& file = folder["data_" + std::to_string(n)];
        file.assign(8192, '\0');
        Put32(file, 0, 0xC104CAC3);
        Put32(file, 4, 0x30000);
        file[8] = static_cast<char>(n);
        Put32(file, 12, kBlockSizes[n]);
        Put32(file, 20, static_cast<uint32_t>(parts[n + 1].size() / kBlockSizes[n]));
        file += parts[n + 1];
    }
    if (parts.size() > 5) folder["f_000001"] = parts[5];

    CheckedSink sink(folder);
    Require(FormatOf(folder) == CacheFormat::Blockfile);
    ListBrowserCache(folder, sink);
    return 0;
}
