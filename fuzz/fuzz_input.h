// Helpers that turn a fuzzer's bytes into the program's inputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

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
