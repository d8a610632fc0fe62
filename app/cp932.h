// Code page 932's lead bytes as a fixed test, for text that is code page 932
// whatever the system's ANSI code page. Paths, which are ANSI bytes, are
// searched with the ANSI code page's own table (app/lead_bytes.h).
#pragma once

// True for the bytes that start a double-byte character (0x81-0x9F, 0xE0-0xFC).
inline bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
