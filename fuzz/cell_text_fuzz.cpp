// Cell text with arbitrary texts, sizes, times and buffer capacities: never a
// byte past the buffer, and exactly the text of the references written here.
// Rules out a cut one byte short or long, size thresholds that are not strict
// (1024 bytes shown as "1.0KB"), a unit chosen one step off, and a number
// shown cut when the whole text does not fit.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/fuzz_input.h"
#include "list/cell_text.h"

namespace {

// A heap buffer of exactly the capacity, so ASan sees any write past it.
std::unique_ptr<char[]> Buffer(int capacity) {
    auto buffer = std::make_unique<char[]>(capacity > 0 ? capacity : 1);
    std::memset(buffer.get(), 'Z', capacity > 0 ? capacity : 1);
    return buffer;
}

void RequireTerminated(const char* buffer, int capacity) {
    if (capacity > 0) Require(std::memchr(buffer, '\0', static_cast<size_t>(capacity)) != nullptr);
}

// The size text by its rule: the largest unit 2^(10u) that the size is
// strictly above, one decimal from printf; bytes as a whole number.
std::string ReferenceSize(uint32_t size) {
    static const char* const units[] = {"B", "KB", "MB", "GB"};
    int unit = 0;
    while (unit < 3 && uint64_t{size} > (uint64_t{1} << (10 * (unit + 1)))) ++unit;
    char text[32];
    if (unit == 0)
        std::snprintf(text, sizeof text, "%uB", size);
    else
        std::snprintf(text, sizeof text, "%.1f%s", size / double(uint64_t{1} << (10 * unit)), units[unit]);
    return text;
}

// A whole text, or the empty text when it does not fit with its NUL.
std::string WholeOrNothing(const std::string& text, int capacity) {
    return text.size() + 1 <= static_cast<size_t>(capacity) ? text : "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 16) return 0;
    int capacity = static_cast<int>(data[0] | (data[1] << 8)) % 600 - 2;  // -2 .. 597
    uint32_t fileSize;
    std::memcpy(&fileSize, data + 2, 4);
    CalendarTime time{static_cast<unsigned>(data[6] | (data[7] << 8)), data[8], data[9], data[10], data[11]};
    std::string_view text(reinterpret_cast<const char*>(data + 16), size - 16);

    auto cut = Buffer(capacity);
    WriteCutText(text, cut.get(), capacity);
    RequireTerminated(cut.get(), capacity);
    if (capacity >= 1) {
        const size_t room = static_cast<size_t>(capacity >= 2 ? capacity - 2 : 0);
        const std::string_view expected = text.substr(0, room);  // NUL bytes in the text are copied too
        Require(std::memcmp(cut.get(), expected.data(), expected.size()) == 0 && cut[expected.size()] == '\0');
    }

    auto sizeText = Buffer(capacity);
    FormatSizeText(fileSize, sizeText.get(), capacity);
    RequireTerminated(sizeText.get(), capacity);
    if (capacity > 0) Require(std::string(sizeText.get()) == WholeOrNothing(ReferenceSize(fileSize), capacity));

    auto timeText = Buffer(capacity);
    FormatTimeText(data[12] & 1 ? &time : nullptr, timeText.get(), capacity);
    RequireTerminated(timeText.get(), capacity);
    if (capacity > 0) {
        std::string expected;
        if (data[12] & 1) {
            char whole[64];
            std::snprintf(whole, sizeof whole, "%04u/%02u/%02u %02u:%02u", time.year, time.month, time.day, time.hour,
                          time.minute);
            expected = WholeOrNothing(whole, capacity);
        }
        Require(std::string(timeText.get()) == expected);
    }
    return 0;
}
