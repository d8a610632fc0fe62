// The browser's window-information reply, as any bytes a DDE server may send.
#include <cstring>
#include <vector>

#include "browser/window_info.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The reply block: zero-filled, at most 4999 bytes copied in.
    std::vector<char> block(kReplyBlockSize, '\0');
    size_t copied = size < kReplyMaxBytes ? size : kReplyMaxBytes;
    std::memcpy(block.data(), data, copied);
    const std::string original(block.data());

    char* address = ParseWindowInfoReply(block.data());
    Require(address == block.data() || (address == block.data() + 1 && original[0] == '"'));
    std::string parsed(address);
    Require(parsed.find(',') == std::string::npos);
    Require(parsed.find('"') == std::string::npos);
    size_t start = static_cast<size_t>(address - block.data());
    Require(original.compare(start, parsed.size(), parsed) == 0);
    // The address runs up to the first comma or quote after the start, or to the end.
    size_t end = original.find_first_of(",\"", start);
    Require(parsed.size() == (end == std::string::npos ? original.size() : end) - start);
    return 0;
}
