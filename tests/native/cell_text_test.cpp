// The text of the result list's cells: sizes, times, cut paths, narrow buffers.
#include "list/cell_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Size(uint32_t size, int capacity = 260) {
    std::string buffer(static_cast<size_t>(capacity), '#');
    FormatSizeText(size, &buffer[0], capacity);
    return buffer.substr(0, buffer.find('\0'));
}

std::string Time(const CalendarTime* time, int capacity = 260) {
    std::string buffer(static_cast<size_t>(capacity), '#');
    FormatTimeText(time, &buffer[0], capacity);
    return buffer.substr(0, buffer.find('\0'));
}

std::string Cut(const std::string& text, int capacity) {
    std::string buffer(static_cast<size_t>(capacity), '#');
    WriteCutText(text, &buffer[0], capacity);
    return buffer.substr(0, buffer.find('\0'));
}

TEST(FormatSizeText, StrictThresholdsAndPrintfRounding) {
    struct Case { uint32_t size; const char* text; } cases[] = {
        {0, "0B"},
        {1, "1B"},
        {1024, "1024B"},            // the thresholds are strict
        {1025, "1.0KB"},
        {1280, "1.2KB"},            // 1.25 exactly: printf rounds the tie to even
        {1536, "1.5KB"},
        {1048575, "1024.0KB"},      // just under 2^20, rounded up
        {1048576, "1024.0KB"},
        {1048577, "1.0MB"},
        {1572871, "1.5MB"},
        {1073741824, "1024.0MB"},
        {1073741825, "1.0GB"},
        {3221225472u, "3.0GB"},
        {2147483648u, "2.0GB"},     // above INT_MAX: never printed as a negative number
        {4294967295u, "4.0GB"},     // the largest size
    };
    for (const Case& c : cases) EXPECT_EQ(Size(c.size), c.text) << "size " << c.size;
}

TEST(FormatSizeText, WritesTheWholeTextOrNothing) {
    EXPECT_EQ(Size(1048576, 9), "1024.0KB");  // 8 characters and the NUL
    EXPECT_EQ(Size(1048576, 8), "");          // a cut "1024.0K" would misread
    EXPECT_EQ(Size(5, 3), "5B");
    EXPECT_EQ(Size(5, 2), "");
    EXPECT_EQ(Size(5, 1), "");
    char untouched = '#';
    FormatSizeText(5, &untouched, 0);
    EXPECT_EQ(untouched, '#');
    FormatSizeText(5, nullptr, 10);  // no buffer: nothing to write
}

TEST(FormatTimeText, MinutesOfTheLocalTime) {
    CalendarTime newYearsEve{2002, 12, 31, 23, 59};  // 23:59:58: seconds are not shown
    EXPECT_EQ(Time(&newYearsEve), "2002/12/31 23:59");
    CalendarTime early{1601, 1, 1, 0, 0};
    EXPECT_EQ(Time(&early), "1601/01/01 00:00");
    CalendarTime fiveDigits{30827, 12, 31, 23, 59};  // the platform's last year
    EXPECT_EQ(Time(&fiveDigits), "30827/12/31 23:59");
    EXPECT_EQ(Time(&fiveDigits, 18), "30827/12/31 23:59");
    EXPECT_EQ(Time(&fiveDigits, 17), "");
}

TEST(FormatTimeText, UnconvertibleOrNotFittingShowsEmpty) {
    EXPECT_EQ(Time(nullptr), "");
    CalendarTime t{2002, 12, 31, 23, 59};
    EXPECT_EQ(Time(&t, 17), "2002/12/31 23:59");
    EXPECT_EQ(Time(&t, 16), "");
    EXPECT_EQ(Time(&t, 1), "");
    char untouched = '#';
    FormatTimeText(&t, &untouched, 0);
    FormatTimeText(nullptr, &untouched, 0);
    EXPECT_EQ(untouched, '#');
}

// A split that records the times it was handed and answers from a table.
struct SplitLog {
    std::vector<uint64_t> asked;
} splitLog;

bool RecordingSplit(FileTime time, CalendarTime& fields) {
    splitLog.asked.push_back(time.Value());
    if (time.Value() == 1) return false;  // stands for a time the platform cannot split
    fields = CalendarTime{2002, 12, 31, 23, 59};
    return true;
}

TEST(FormatTimeCell, ZeroIsATimeTheCacheDidNotKnowAndShowsEmpty) {
    struct Case { FileTime time; const char* text; std::vector<uint64_t> asked; } cases[] = {
        {FileTime{0, 0}, "", {}},                           // never split, so no 1601 date in any zone
        {FileTime{1, 0}, "", {1}},                          // the split fails
        {FileTime{0, 1}, "2002/12/31 23:59", {1ull << 32}}, // a zero low half alone is a time
        {FileTime{0xFFFFFFFF, 0xFFFFFFFF}, "2002/12/31 23:59", {~0ull}},
    };
    for (const Case& c : cases) {
        splitLog = SplitLog{};
        std::string buffer(260, '#');
        FormatTimeCell(c.time, RecordingSplit, &buffer[0], 260);
        EXPECT_EQ(buffer.substr(0, buffer.find('\0')), c.text) << c.time.Value();
        EXPECT_EQ(splitLog.asked, c.asked) << c.time.Value();
    }
    char untouched = '#';
    FormatTimeCell(FileTime{0, 0}, RecordingSplit, &untouched, 0);
    EXPECT_EQ(untouched, '#');
}

TEST(WriteCutText, KeepsCapacityLessTwoBytes) {
    struct Case { const char* text; int capacity; const char* shown; } cases[] = {
        {"img/logo.gif", 260, "img/logo.gif"},
        {"img/logo.gif", 14, "img/logo.gif"},  // 12 bytes fit in 14 - 2
        {"img/logo.gif", 13, "img/logo.gi"},
        {"img/logo.gif", 3, "i"},
        {"img/logo.gif", 2, ""},
        {"img/logo.gif", 1, ""},
        {"", 5, ""},
        {"\x95\x5c\x8e\xa6.gif", 5, "\x95\x5c\x8e"},  // a double-byte character may be split
    };
    for (const Case& c : cases) EXPECT_EQ(Cut(c.text, c.capacity), c.shown) << c.text << " in " << c.capacity;
    char untouched = '#';
    WriteCutText("abc", &untouched, 0);
    WriteCutText("abc", &untouched, -5);
    EXPECT_EQ(untouched, '#');
}

TEST(WriteCutText, NeverWritesPastTheCapacity) {
    std::string buffer(16, '#');
    WriteCutText(std::string(100, 'x'), &buffer[0], 10);
    EXPECT_EQ(buffer, std::string(8, 'x') + '\0' + std::string(7, '#'));
}

}  // namespace
