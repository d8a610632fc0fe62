// The ANSI code page's lead bytes.
#include "text/ansi_code_page_win.h"

#include <string>

#include "text/wide_text_win.h"

namespace {

LeadBytes ReadLeadBytes() {
    const UINT codePage = GetACP();
    CPINFO info{};
    if (GetCPInfo(CP_ACP, &info)) return LeadBytes(codePage, info.LeadByte, sizeof info.LeadByte);
    // The same answer byte by byte, gathered into ranges as CPINFO holds them.
    unsigned char ranges[MAX_LEADBYTES] = {};
    size_t used = 0;
    for (unsigned byte = 1; byte <= 0xFF; ++byte) {
        if (!IsDBCSLeadByte(static_cast<BYTE>(byte))) continue;
        if (used > 0 && ranges[used - 1] + 1u == byte) {
            ranges[used - 1] = static_cast<unsigned char>(byte);
        } else if (used + 2 <= sizeof ranges) {
            ranges[used++] = static_cast<unsigned char>(byte);
            ranges[used++] = static_cast<unsigned char>(byte);
        }
        // More ranges than CPINFO can hold are never reported: the rest stay single bytes.
    }
    return LeadBytes(codePage, ranges, used);
}

// The lead bytes, and the superscript digits as the code page spells them
// exactly (no best fit: 932 would give a plain "1", which is no device).
LeadBytes ReadAnsiLeadBytes() {
    LeadBytes table = ReadLeadBytes();
    const wchar_t superscripts[] = {L'\u00B9', L'\u00B2', L'\u00B3'};
    for (int digit = 1; digit <= 3; ++digit) {
        std::string spelling;
        if (AnsiFromWide(std::wstring_view(&superscripts[digit - 1], 1), spelling))
            table.SetSuperscriptDigit(digit, spelling);
    }
    return table;
}

}  // namespace

const LeadBytes& AnsiLeadBytes() {
    static const LeadBytes table = ReadAnsiLeadBytes();
    return table;
}
