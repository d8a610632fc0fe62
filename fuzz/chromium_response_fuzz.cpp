// Stream 0 (the response info record), HTTP dates and keys from any bytes.
// Rules out reading past the record, a status outside three digits, a date
// that is no whole second, and an address that is not the key's end.
#include <string_view>

#include "chromium/browser_cache.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ResponseInfo info;
    if (ParseResponseInfo(bytes, info)) Require(info.status >= 100 && info.status <= 999);
    if (info.lastModified != 0) Require(info.lastModified % 10000000 == 0);
    uint64_t fileTime = 0;
    if (ParseHttpDate(bytes, fileTime)) Require(fileTime % 10000000 == 0 && fileTime > 0);
    const std::string_view address = AddressOfKey(bytes);
    Require(address.size() <= bytes.size() && bytes.substr(bytes.size() - address.size()) == address);
    if (address.size() < bytes.size()) Require(address.find(' ') == std::string_view::npos);
    (void)IsListedResponse(info, static_cast<uint32_t>(size));
    return 0;
}
