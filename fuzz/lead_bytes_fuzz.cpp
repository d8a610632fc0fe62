// The double-byte aware backslash search over arbitrary bytes, in a code page
// that the first byte picks, against a reference that first splits the text
// into characters and then looks for the last one-byte "\". Rules out a plain search for the last 0x5C, which takes
// the trail byte of a character such as 表 (95 5C) for a separator, and a
// search that skips a lead byte cut off at the very end together with nothing.
#include <vector>

#include "fuzz/fuzz_input.h"
#include "text/lead_bytes.h"

namespace {

size_t ReferenceLastBackslash(std::string_view text, const LeadBytes& leadBytes) {
    struct Character {
        size_t start;
        size_t length;
    };
    std::vector<Character> characters;
    for (size_t i = 0; i < text.size();) {
        const bool lead = leadBytes.IsLead(static_cast<unsigned char>(text[i]));
        const size_t length = lead && i + 1 < text.size() ? 2 : 1;
        characters.push_back({i, length});
        i += length;
    }
    for (size_t k = characters.size(); k-- > 0;)
        if (characters[k].length == 1 && text[characters[k].start] == '\\') return characters[k].start;
    return std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const LeadBytes& leadBytes = TakeLeadBytes(data, size);
    std::string_view text(reinterpret_cast<const char*>(data), size);
    Require(LastBackslash(text, leadBytes) == ReferenceLastBackslash(text, leadBytes));
    return 0;
}
