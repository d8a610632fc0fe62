// Lead-byte tables and the searches that use them.
#include "text/lead_bytes.h"

namespace {

// The LeadByte ranges GetCPInfo gives for code page 932.
const unsigned char kCp932Ranges[] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0};

}  // namespace

LeadBytes::LeadBytes(unsigned codePage, const unsigned char* ranges, size_t size) {
    if (size > kMaxRangeBytes) size = kMaxRangeBytes;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const unsigned first = ranges[i];
        const unsigned last = ranges[i + 1];
        if (first == 0 && last == 0) break;
        for (unsigned byte = first; byte <= last; ++byte) lead_[byte] = true;
    }
    for (unsigned byte = 0x40; byte <= 0xFE; ++byte)
        trail_[byte] = byte != 0x7F && (codePage != 932 || byte <= 0xFC);
}

void LeadBytes::SetSuperscriptDigit(int digit, std::string_view spelling) {
    if (digit < 1 || digit > 3 || spelling.size() > kMaxSuperscriptBytes) return;
    spelling.copy(superscript_[digit - 1], spelling.size());
    superscriptSize_[digit - 1] = spelling.size();
}

std::string_view LeadBytes::SuperscriptDigit(int digit) const {
    if (digit < 1 || digit > 3) return {};
    return std::string_view(superscript_[digit - 1], superscriptSize_[digit - 1]);
}

const LeadBytes& Cp932LeadBytes() {
    static const LeadBytes table(932, kCp932Ranges, sizeof kCp932Ranges);
    return table;
}

const LeadBytes& NoLeadBytes() {
    static const LeadBytes table(0, nullptr, 0);
    return table;
}

size_t LastBackslash(std::string_view text, const LeadBytes& leadBytes) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        if (leadBytes.IsLead(byte) && i + 1 < text.size()) {
            ++i;  // the trail byte belongs to this character
        } else if (byte == '\\') {
            found = i;
        }
    }
    return found;
}
