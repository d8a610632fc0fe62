// Tab-separated text of the result list's rows.
#include "list/copy_text.h"

#include <cstring>

#include "list/cell_text.h"

namespace {

// Room for a size or time cell: 8 and 17 characters at most, and the NUL.
constexpr int kShortCellCapacity = 32;

void AppendCell(std::string& text, const char* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const char c = bytes[i];
        text.push_back(c == '\t' || c == '\r' || c == '\n' || c == '\0' ? ' ' : c);
    }
}

void AppendCell(std::string& text, const std::string& cell) { AppendCell(text, cell.data(), cell.size()); }

void AppendShortCell(std::string& text, const char* buffer) {
    AppendCell(text, buffer, strnlen(buffer, kShortCellCapacity));
}

}  // namespace

std::string TabSeparatedRows(const EntryStore& store, const std::vector<size_t>& rows, const char* const titles[5],
                             TimeCellWriter writeTime) {
    std::string text;
    for (int column = 0; column < 5; ++column) {
        if (column > 0) text.push_back('\t');
        if (titles[column] != nullptr) AppendCell(text, titles[column], std::strlen(titles[column]));
    }
    text += "\r\n";

    for (size_t row : rows) {
        if (row >= store.Size()) continue;
        const CacheEntry& entry = store.At(row);
        char cell[kShortCellCapacity];

        AppendCell(text, entry.relativePath);
        text.push_back('\t');
        AppendCell(text, entry.extension);
        text.push_back('\t');
        cell[0] = '\0';
        FormatSizeText(entry.size, cell, sizeof cell);
        AppendShortCell(text, cell);
        text.push_back('\t');
        cell[0] = '\0';
        writeTime(entry.lastAccess, cell, sizeof cell);
        AppendShortCell(text, cell);
        text.push_back('\t');
        cell[0] = '\0';
        writeTime(entry.lastModified, cell, sizeof cell);
        AppendShortCell(text, cell);
        text += "\r\n";
    }
    return text;
}
