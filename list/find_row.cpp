// Finding a row by the beginning of its relative path.
#include "list/find_row.h"


namespace {

char FoldAsciiLetter(char byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte; }

bool PathMatches(std::string_view path, const RowSearch& search, const LeadBytes& leadBytes) {
    const std::string_view text = search.text;
    size_t at = 0;
    while (at < text.size()) {
        const size_t length = CharacterLength(text, at, leadBytes);
        // Both sides advance a whole character at a time, so their boundaries stay in step.
        if (at >= path.size() || CharacterLength(path, at, leadBytes) != length) return false;
        if (length == 2 ? path.compare(at, 2, text.substr(at, 2)) != 0
                        : FoldAsciiLetter(path[at]) != FoldAsciiLetter(text[at]))
            return false;
        at += length;
    }
    return search.partial || at == path.size();
}

}  // namespace

int FindRowByPath(const EntryStore& store, int start, const RowSearch& search, const LeadBytes& leadBytes) {
    const size_t count = store.Size();
    if (search.text.empty() || count == 0) return -1;
    size_t first = start < 0 ? 0 : static_cast<size_t>(start);
    if (first >= count) {
        if (!search.wrap) return -1;
        first = 0;
    }
    const size_t last = search.wrap ? first + count : count;  // exclusive, counted past the end
    for (size_t position = first; position < last; ++position) {
        const size_t row = position % count;
        if (PathMatches(store.At(row).relativePath, search, leadBytes)) return static_cast<int>(row);
    }
    return -1;
}
