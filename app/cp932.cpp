// Code page 932 aware searches.
#include "app/cp932.h"

size_t LastBackslashCp932(std::string_view text) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (IsCp932LeadByte(byte) && i + 1 < text.size()) {
            ++i;  // the trail byte belongs to this character
        } else if (byte == '\\') {
            found = i;
        }
    }
    return found;
}
