// Cell text of the result list.
#include "list/cell_text.h"

#include <cstdio>
#include <cstring>

namespace {

// snprintf into the buffer, keeping the text only when all of it fit.
template <typename... Args>
void WriteWhole(char* buffer, int capacity, const char* format, Args... args) {
    if (buffer == nullptr || capacity <= 0) return;
    int length = std::snprintf(buffer, static_cast<size_t>(capacity), format, args...);
    if (length < 0 || length >= capacity) buffer[0] = '\0';
}

}  // namespace

void WriteCutText(std::string_view text, char* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) return;
    size_t room = capacity >= 2 ? static_cast<size_t>(capacity - 2) : 0;
    size_t length = text.size() < room ? text.size() : room;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

void FormatSizeText(uint32_t size, char* buffer, int capacity) {
    const double bytes = size;
    if (size > 1073741824u) {
        WriteWhole(buffer, capacity, "%.1fGB", bytes / 1073741824.0);
    } else if (size > 1048576u) {
        WriteWhole(buffer, capacity, "%.1fMB", bytes / 1048576.0);
    } else if (size > 1024u) {
        WriteWhole(buffer, capacity, "%.1fKB", bytes / 1024.0);
    } else {
        WriteWhole(buffer, capacity, "%dB", static_cast<int>(size));
    }
}

void FormatTimeText(const CalendarTime* time, char* buffer, int capacity) {
    if (time == nullptr) {
        if (buffer != nullptr && capacity > 0) buffer[0] = '\0';
        return;
    }
    WriteWhole(buffer, capacity, "%04u/%02u/%02u %02u:%02u", time->year, time->month, time->day, time->hour,
               time->minute);
}

void FormatTimeCell(FileTime time, SplitFileTime split, char* buffer, int capacity) {
    CalendarTime fields{};
    const bool known = time.Value() != 0 && split(time, fields);
    FormatTimeText(known ? &fields : nullptr, buffer, capacity);
}
