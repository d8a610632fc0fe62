// Which bytes of an ANSI code page start a double-byte character, as data,
// and the searches over such text that know them: a trail byte 0x5C ("\")
// inside a character such as 表 (95 5C in code page 932) is never a
// separator, while in code page 1252 or 65001 every 0x5C is one.
#pragma once

#include <cstddef>
#include <string_view>

class LeadBytes {
public:
    // The CPINFO LeadByte field holds at most this many bytes.
    static constexpr size_t kMaxRangeBytes = 12;

    // From the LeadByte field of CPINFO: pairs of first and last lead byte,
    // ended by a 0,0 pair or after kMaxRangeBytes (at most size bytes are
    // read; an odd last byte is ignored). Trail bytes follow codePage: code
    // page 932's own set (0x40-0x7E, 0x80-0xFC) for 932, otherwise 0x40-0xFE
    // without 0x7F, which holds the trail bytes of every double-byte ANSI code
    // page of Windows (936, 949, 950) and, of the bytes that a file name may
    // not hold, only "\" and "|".
    LeadBytes(unsigned codePage, const unsigned char* ranges, size_t size);

    bool IsLead(unsigned char byte) const { return lead_[byte]; }
    // Whether byte may follow a lead byte as the second byte of one character.
    bool IsTrail(unsigned char byte) const { return trail_[byte]; }

    // How the code page spells the superscript digit 1, 2 or 3 (U+00B9,
    // U+00B2, U+00B3; Windows reserves COM¹ and LPT¹ as devices): B9 in
    // 1252, C2 B9 in UTF-8, nothing in 932 or where the code page lacks it
    // (1250 has a B9 of its own, "ą"). Empty until set; a spelling longer
    // than kMaxSuperscriptBytes, or another digit, is ignored.
    static constexpr size_t kMaxSuperscriptBytes = 4;
    void SetSuperscriptDigit(int digit, std::string_view spelling);
    std::string_view SuperscriptDigit(int digit) const;

private:
    bool lead_[256] = {};
    bool trail_[256] = {};
    char superscript_[3][kMaxSuperscriptBytes] = {};
    size_t superscriptSize_[3] = {};
};

// Code page 932 (lead bytes 0x81-0x9F, 0xE0-0xFC), as GetCPInfo reports it.
const LeadBytes& Cp932LeadBytes();
// No lead bytes: what GetCPInfo reports for 1252 and for 65001 (UTF-8), in
// whose text every 0x5C is a "\".
const LeadBytes& NoLeadBytes();

// Length in bytes of the character that starts at text[at]: 2 for a lead byte
// with a byte after it, otherwise 1 (a lead byte cut off at the end stands alone).
inline size_t CharacterLength(std::string_view text, size_t at, const LeadBytes& leadBytes) {
    return leadBytes.IsLead(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// Position of the last single-byte "\" in the text, or npos. A lead byte as
// the very last byte (a cut character) counts as one byte on its own.
size_t LastBackslash(std::string_view text, const LeadBytes& leadBytes);
