// The tab-separated text that Ctrl+C copies: titles, rows in the order asked,
// whole paths, the list's size text, clean line structure.
#include "list/copy_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

const char* const kTitles[5] = {"path", "ext", "size", "access", "modified"};

// Stands in for the platform's time conversion: the raw value, or nothing for 0.
void RawTime(const FileTime& time, char* buffer, int capacity) {
    if (time.Value() == 0) return;
    std::snprintf(buffer, static_cast<size_t>(capacity), "t%llu", static_cast<unsigned long long>(time.Value()));
}

CacheEntry Entry(const std::string& path, const std::string& extension, uint32_t size, uint64_t access,
                 uint64_t modified) {
    CacheEntry entry;
    entry.relativePath = path;
    entry.extension = extension;
    entry.size = size;
    entry.lastAccess = FileTime::FromValue(access);
    entry.lastModified = FileTime::FromValue(modified);
    return entry;
}

class CopyText : public ::testing::Test {
protected:
    void SetUp() override {
        store_.Append(Entry("index.html", "html", 1280, 11, 12));
        store_.Append(Entry("img/\x95\x5c.gif", "gif", 1048577, 21, 0));  // img/表.gif
        store_.Append(Entry(std::string(300, 'p') + ".txt", "txt", 0, 31, 32));
        store_.Append(Entry("a\tb\r\nc", "x\ty", 1024, 41, 42));
    }
    std::string Copy(const std::vector<size_t>& rows) { return TabSeparatedRows(store_, rows, kTitles, RawTime); }
    EntryStore store_;
};

TEST_F(CopyText, TitlesThenRowsInTheOrderGivenWithTheListsCellTexts) {
    EXPECT_EQ(Copy({2, 0, 1}),
              "path\text\tsize\taccess\tmodified\r\n" +
                  std::string(300, 'p') + ".txt\ttxt\t0B\tt31\tt32\r\n"  // a path the list would cut, whole
                  "index.html\thtml\t1.2KB\tt11\tt12\r\n"
                  "img/\x95\x5c.gif\tgif\t1.0MB\tt21\t\r\n");  // a time shown as nothing stays an empty cell
}

TEST_F(CopyText, EachRowStaysOneLineOfFiveCells) {
    EXPECT_EQ(Copy({3}), "path\text\tsize\taccess\tmodified\r\na b  c\tx y\t1024B\tt41\tt42\r\n");
    CacheEntry withNul = Entry(std::string("n\0ul", 4), "e", 1, 1, 1);
    store_.Append(withNul);
    EXPECT_EQ(Copy({4}).substr(31), "n ul\te\t1B\tt1\tt1\r\n") << "a NUL would end CF_TEXT early";
}

TEST_F(CopyText, RowsOutsideTheStoreAndNoRows) {
    EXPECT_EQ(Copy({}), "path\text\tsize\taccess\tmodified\r\n");
    EXPECT_EQ(Copy({9, 0, 4}), "path\text\tsize\taccess\tmodified\r\nindex.html\thtml\t1.2KB\tt11\tt12\r\n");
}

}  // namespace
