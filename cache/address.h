// Address cutting and the keep-tests that turn a cache record into an entry.
// Plain byte work: "/", "?" and "." never occur as a trail byte of any
// double-byte ANSI code page (trail bytes start at 0x40), nor inside UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cache/cache_entry.h"
#include "text/url_escapes.h"

// Ends the NUL-terminated address directly after its last "/" at position 1 or
// later (the first byte is never looked at); without one it stays as it is.
void CutToDirectory(char* address);

// What the keep-tests read from one URL cache record.
struct CacheRecord {
    const char* sourceUrl = nullptr;
    const char* localFile = nullptr;
    uint32_t sizeLow = 0;
    uint32_t sizeHigh = 0;
};

// The five keep-tests in their order: the URL starts with the prefix
// (case-sensitive), there is a local file, the size fits 32 bits, and the rest
// after the prefix is neither empty nor ends in "/".
bool IsCollected(const CacheRecord& record, std::string_view prefix);

// The address in the box as it stands, and the form the browser sends it in
// (EscapeNonAscii of its UTF-8; empty when that is the same or unknown).
struct CollectPrefixes {
    std::string_view typed;
    std::string_view sent;
};

// The prefix that the URL starts with, the typed one first; the typed one
// when neither does (IsCollected then refuses the record).
std::string_view MatchingPrefix(const char* sourceUrl, const CollectPrefixes& prefixes);

// Fills relative path and extension from the rest of a kept URL after the
// prefix: the query (from the first "?") is cut off first, then the path's
// escapes of UTF-8 are decoded as a browser shows them when spell is given
// (DecodeUtf8Escapes), and the extension is taken from the decoded path.
void SetPathAndExtension(std::string_view rest, CacheEntry& entry, SpellCodePoint spell = nullptr);
