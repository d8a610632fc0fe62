// Cell text with arbitrary texts, sizes, times and buffer capacities: never a
// byte past the buffer, always a NUL inside it when it has room for one.
#include <cstring>
#include <memory>

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
    if (capacity >= 2) {
        size_t shown = std::strlen(cut.get());
        Require(shown <= static_cast<size_t>(capacity - 2));
        Require(std::memcmp(cut.get(), text.data(), shown) == 0);
    }

    auto sizeText = Buffer(capacity);
    FormatSizeText(fileSize, sizeText.get(), capacity);
    RequireTerminated(sizeText.get(), capacity);
    if (capacity > 0) Require(std::strlen(sizeText.get()) <= 8);

    auto timeText = Buffer(capacity);
    FormatTimeText(data[12] & 1 ? &time : nullptr, timeText.get(), capacity);
    RequireTerminated(timeText.get(), capacity);
    return 0;
}
