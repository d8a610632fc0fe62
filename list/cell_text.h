// The text of one result list cell, written into the list's text buffer.
// Every writer takes the buffer's capacity in bytes (NUL included) and never
// writes past it; a capacity of 0 (or no buffer) writes nothing at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cache/cache_entry.h"

// Writes the first (capacity - 2) bytes of text, or all of it when shorter,
// and a NUL. The cut is by bytes and may split a double-byte character. A
// capacity of 1 gives the empty text.
void WriteCutText(std::string_view text, char* buffer, int capacity);

// The size of a file as the list shows it: "%dB" up to 1024 bytes, then
// "%.1fKB", "%.1fMB", "%.1fGB" above 2^10, 2^20, 2^30 bytes (strict
// thresholds, printf rounding). Longest text: 8 characters ("1024.0KB").
// A number is never shown cut: when the whole text does not fit the
// capacity, the empty text is written instead.
void FormatSizeText(uint32_t size, char* buffer, int capacity);

// Calendar fields of a local time, as the platform's conversion gives them.
struct CalendarTime {
    unsigned year;
    unsigned month;
    unsigned day;
    unsigned hour;
    unsigned minute;
};

// "%04d/%02d/%02d %02d:%02d": year, month, day, hour, minute (16 characters,
// 17 for a five-digit year). A time that could not be converted (null) shows
// as the empty text, and so does a text that would not fit whole.
void FormatTimeText(const CalendarTime* time, char* buffer, int capacity);

// The platform's split of a stored file time into calendar fields; false
// when the time cannot be split.
using SplitFileTime = bool (*)(FileTime time, CalendarTime& fields);

// The text of a time cell. A stored zero is a time that the cache did not
// know (the server sent none): it shows as the empty text in every time zone
// and is never handed to split. Any other time is split and written as
// FormatTimeText writes it.
void FormatTimeCell(FileTime time, SplitFileTime split, char* buffer, int capacity);
