// The double-byte aware backslash search over arbitrary bytes.

#include "app/cp932.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t found = LastBackslashCp932(text);
    if (found == std::string_view::npos) return 0;
    Require(found < text.size());
    Require(text[found] == '\\');
    // Whatever follows holds no single-byte backslash of its own.
    Require(LastBackslashCp932(text.substr(found + 1)) == std::string_view::npos);
    return 0;
}
