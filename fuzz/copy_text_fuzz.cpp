// Tab-separated copy text from arbitrary entries and row lists: one line per
// row inside the store plus the titles, five cells a line, CRLF after each,
// no NUL, and every path kept whole.
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "list/copy_text.h"

namespace {

// A time cell that writes a NUL-terminated text of any bytes that fits the buffer.
void AnyTime(const FileTime& time, char* buffer, int capacity) {
    int length = static_cast<int>(time.low % 40);
    if (length >= capacity) length = capacity - 1;
    for (int i = 0; i < length; ++i) buffer[i] = static_cast<char>((time.high >> (i % 4 * 8)) + i);
    buffer[length] = '\0';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    // Entries: NUL-separated paths; the bytes after the first 8 feed sizes and times.
    EntryStore store;
    std::string all(reinterpret_cast<const char*>(data + 8), size - 8);
    size_t start = 0;
    while (start <= all.size() && store.Size() < 64) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        CacheEntry entry;
        entry.relativePath = all.substr(start, end - start);
        entry.extension = entry.relativePath.substr(entry.relativePath.size() / 2);
        uint32_t word = 0;
        std::memcpy(&word, data + (store.Size() % 2) * 4, 4);
        entry.size = word ^ static_cast<uint32_t>(start);
        entry.lastAccess = FileTime{word + static_cast<uint32_t>(end), word};
        entry.lastModified = FileTime{static_cast<uint32_t>(end), ~word};
        store.Append(entry);
        start = end + 1;
    }
    std::vector<size_t> rows;
    std::vector<size_t> inside;  // the rows that get a line
    for (size_t i = 0; i < 8; ++i) {
        rows.push_back(data[i] % 80);
        if (rows.back() < store.Size()) inside.push_back(rows.back());
    }
    const char* const titles[5] = {"a\tb", "", nullptr, "\r\n", "e"};

    std::string text = TabSeparatedRows(store, rows, titles, AnyTime);
    Require(text.find('\0') == std::string::npos);
    size_t lines = 0;
    size_t lineStart = 0;
    for (size_t crlf; (crlf = text.find("\r\n", lineStart)) != std::string::npos; lineStart = crlf + 2) {
        std::string line = text.substr(lineStart, crlf - lineStart);
        Require(line.find_first_of("\r\n") == std::string::npos);
        size_t tabs = 0;
        for (char c : line) tabs += c == '\t';
        Require(tabs == 4);
        if (lines > 0) Require(line.find('\t') == store.At(inside[lines - 1]).relativePath.size());  // whole path
        ++lines;
    }
    Require(lineStart == text.size());
    Require(lines == inside.size() + 1);
    return 0;
}
