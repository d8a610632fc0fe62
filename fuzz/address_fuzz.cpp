// Address cutting and entry building from arbitrary URLs and prefixes.
#include <cstring>
#include <vector>

#include "cache/address.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto [url, prefix] = SplitAtNul(data, size);
    prefix = prefix.substr(0, prefix.find('\0'));

    // Cutting works in place on an exactly sized buffer: no byte past the NUL.
    std::vector<char> address(url.begin(), url.end());
    address.push_back('\0');
    CutToDirectory(address.data());
    size_t cut = std::strlen(address.data());
    Require(cut <= url.size());
    Require(std::memcmp(address.data(), url.data(), cut) == 0);
    Require(cut == url.size() || (cut >= 2 && address[cut - 1] == '/'));

    CutToDirectory(prefix.data());  // the dialog always collects under a cut address
    prefix.resize(std::strlen(prefix.c_str()));
    CacheRecord record;
    record.sourceUrl = url.c_str();
    record.localFile = "C:\\cache\\file";
    if (!IsCollected(record, prefix)) return 0;
    CacheEntry entry;
    SetPathAndExtension(url.c_str() + prefix.size(), entry);
    Require(entry.relativePath.find('?') == std::string::npos);
    Require(url.compare(prefix.size(), entry.relativePath.size(), entry.relativePath) == 0);
    Require(!entry.extension.empty());
    Require(entry.extension.find('/') == std::string::npos);
    return 0;
}
