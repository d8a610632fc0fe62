// The result list's rows as tab-separated text, the way Ctrl+C puts them on
// the clipboard for a spreadsheet or an editor.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "cache/cache_entry.h"

// Writes the text of a time cell, as the list shows it, into a buffer of the
// given capacity (the conversion to calendar fields is the platform's).
using TimeCellWriter = void (*)(const FileTime& time, char* buffer, int capacity);

// A first line with the five column titles, then one line per row (store
// positions, in the order given; a position past the store is left out):
// relative path and extension whole, never cut as the list's cells are; the
// size as FormatSizeText shows it; both times through writeTime. Cells are
// separated by a tab and every line ends in CRLF. A tab, CR, LF or NUL inside
// a title or a cell becomes a space, so that each row stays one line of five
// cells (none of them is a trail byte in code page 932). The text grows with
// the rows only: no length limit.
std::string TabSeparatedRows(const EntryStore& store, const std::vector<size_t>& rows, const char* const titles[5],
                             TimeCellWriter writeTime);
