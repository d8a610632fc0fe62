// Helpers that turn a fuzzer's bytes into the program's inputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "text/lead_bytes.h"

// Splits the input at its first NUL into two byte strings (the second may be
// empty); the first stays free of NUL bytes like a C string would be.
inline std::pair<std::string, std::string> SplitAtNul(const uint8_t* data, size_t size) {
    std::string all(reinterpret_cast<const char*>(data), size);
    size_t nul = all.find('\0');
    if (nul == std::string::npos) return {all, ""};
    return {all.substr(0, nul), all.substr(nul + 1)};
}

// The bytes up to the first NUL, as a C string would see them.
inline std::string AsCString(const uint8_t* data, size_t size) { return SplitAtNul(data, size).first; }

// A property that must hold; stops the fuzzer with a crash report when not
// (assert would vanish under NDEBUG in the optimised fuzz build).
inline void Require(bool holds) {
    if (!holds) __builtin_trap();
}

// The lead-byte table that an input's first byte picks, taken off the input:
// code page 932's, none (1252, 65001), or the one range 0x81-0xFE of a
// double-byte code page with the general trail bytes (936), or 1252 with its
// superscript digits. An empty input
// gets 932's.
inline const LeadBytes& TakeLeadBytes(const uint8_t*& data, size_t& size) {
    static const unsigned char kDoubleByteRanges[] = {0x81, 0xFE, 0, 0};
    static const LeadBytes doubleByte(936, kDoubleByteRanges, sizeof kDoubleByteRanges);
    static const LeadBytes withSuperscripts = [] {
        LeadBytes table(1252, nullptr, 0);  // 1252: superscripts 1-3 are B9, B2, B3
        table.SetSuperscriptDigit(1, "\xB9");
        table.SetSuperscriptDigit(2, "\xB2");
        table.SetSuperscriptDigit(3, "\xB3");
        return table;
    }();
    if (size == 0) return Cp932LeadBytes();
    const uint8_t pick = data[0] % 4;
    ++data;
    --size;
    if (pick == 3) return withSuperscripts;
    return pick == 0 ? Cp932LeadBytes() : pick == 1 ? NoLeadBytes() : doubleByte;
}
