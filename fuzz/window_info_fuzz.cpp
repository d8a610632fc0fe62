// The browser's window-information reply, as any bytes a DDE server may send,
// against a reference: the address starts after one opening double quote (if
// the reply starts with one) and runs to the first comma or double quote after
// that, or to the end. Rules out a parser that never skips the opening quote
// (it answers "" for every quoted reply), one that skips every leading quote,
// and one that stops at the comma only.
#include <cstring>
#include <string>
#include <vector>

#include "browser/window_info.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The reply block: zero-filled, at most 4999 bytes copied in.
    std::vector<char> block(kReplyBlockSize, '\0');
    size_t copied = size < kReplyMaxBytes ? size : kReplyMaxBytes;
    std::memcpy(block.data(), data, copied);
    const std::string original(block.data());

    const size_t start = !original.empty() && original[0] == '"' ? 1 : 0;
    const size_t stop = original.find_first_of(",\"", start);
    const std::string expected = original.substr(start, stop == std::string::npos ? std::string::npos : stop - start);

    char* address = ParseWindowInfoReply(block.data());
    Require(address == block.data() + start);
    Require(std::string(address) == expected);
    return 0;
}
