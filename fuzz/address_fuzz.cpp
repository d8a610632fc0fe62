// Address cutting and entry building from arbitrary URLs and prefixes, against
// references written here. Rules out a CutToDirectory that does nothing or
// that also looks at the first byte, a keep-test that ignores the size's high
// half or keeps a directory index, and an extension taken from the query or
// from a folder name.
#include <cstring>
#include <vector>

#include "cache/address.h"
#include "fuzz/fuzz_input.h"

namespace {

// Up to and including the last "/" at position 1 or later; else the whole text.
std::string ReferenceCut(const std::string& address) {
    const size_t slash = address.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return address;
    return address.substr(0, slash + 1);
}

bool ReferenceKeeps(const std::string& url, const std::string& prefix, uint32_t sizeHigh) {
    if (url.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string rest = url.substr(prefix.size());
    return sizeHigh == 0 && !rest.empty() && rest.back() != '/';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto [url, prefix] = SplitAtNul(data, size);
    prefix = prefix.substr(0, prefix.find('\0'));

    // Cutting works in place on an exactly sized buffer: no byte past the NUL.
    std::vector<char> address(url.begin(), url.end());
    address.push_back('\0');
    CutToDirectory(address.data());
    Require(std::string(address.data()) == ReferenceCut(url));

    CutToDirectory(prefix.data());  // the dialog always collects under a cut address
    prefix.resize(std::strlen(prefix.c_str()));
    CacheRecord record;
    record.sourceUrl = url.c_str();
    record.localFile = "C:\\cache\\file";
    record.sizeHigh = size % 7 == 0 ? 1 : 0;
    const bool kept = IsCollected(record, prefix);
    Require(kept == ReferenceKeeps(url, prefix, record.sizeHigh));
    if (!kept) return 0;

    CacheEntry entry;
    SetPathAndExtension(url.c_str() + prefix.size(), entry);
    const std::string rest = url.substr(prefix.size());
    const std::string path = rest.substr(0, rest.find('?'));
    const std::string segment = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
    const size_t dot = segment.find_last_of('.');
    const std::string extension = dot == std::string::npos || dot + 1 == segment.size() ? "---" : segment.substr(dot + 1);
    Require(entry.relativePath == path);
    Require(entry.extension == extension);
    return 0;
}
