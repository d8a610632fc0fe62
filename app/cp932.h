// Searches over code page 932 text that know double-byte characters: a trail
// byte 0x5C ("\") inside a character such as 表 (95 5C) is never a separator.
#pragma once

#include <cstddef>
#include <string_view>

// True for the bytes that start a double-byte character (0x81-0x9F, 0xE0-0xFC).
inline bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Length in bytes of the character that starts at text[at]: 2 for a lead byte
// with a byte after it, otherwise 1 (a lead byte cut off at the end stands alone).
inline size_t Cp932CharacterLength(std::string_view text, size_t at) {
    return IsCp932LeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// Position of the last single-byte "\" in the text, or npos. A lead byte as
// the very last byte (a cut character) counts as one byte on its own.
size_t LastBackslashCp932(std::string_view text);
