// Type-to-find in the result list: the next row whose relative path begins
// with what the user typed, aware of the lead bytes of the ANSI code page.
#pragma once

#include <string_view>

#include "cache/cache_entry.h"
#include "text/lead_bytes.h"

// What to look for, as the list asks it (its LVFI_* flags, without windows.h).
struct RowSearch {
    std::string_view text;  // bytes of the paths' code page
    bool partial = true;    // the path begins with the text; false: the whole path is the text
    bool wrap = false;      // past the last row, go on from row 0 up to the start
};

// The first row from start on (start itself included) whose relative path
// matches, or -1. ASCII letters match either case; any other single byte
// only itself; a double-byte character (a lead byte of leadBytes and the
// byte after it) only the same two bytes, so a trail byte is never
// case-folded and half a character never matches a whole one. A negative
// start is row 0; a start past the last row finds nothing unless the search
// wraps. An empty text finds nothing.
int FindRowByPath(const EntryStore& store, int start, const RowSearch& search, const LeadBytes& leadBytes);
