// The low collector's record stream: what the reader gives back from a stream
// cut anywhere, where it stops, and which local files pass the first check.
#include "cache/low_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

LowRecord Make(const std::string& url, const std::string& file, uint32_t sizeHigh = 0) {
    LowRecord record;
    record.sourceUrl = url;
    record.localFile = file;
    record.sizeLow = 0x01020304;
    record.sizeHigh = sizeHigh;
    record.lastAccess = FileTime{0xA1B2C3D4, 0x01D00000};
    record.lastModified = FileTime{5, 0xFFFFFFFF};
    return record;
}

// Feeds the stream in pieces of `piece` bytes; the addresses of the records
// given back, then "broken" or "cut" when the stream ended so.
std::vector<std::string> Read(const std::string& stream, size_t piece) {
    LowRecordReader reader;
    std::vector<std::string> got;
    for (size_t at = 0; at < stream.size(); at += piece) {
        reader.Feed(stream.data() + at, std::min(piece, stream.size() - at));
        LowRecord record;
        LowRecordReader::Step step;
        while ((step = reader.Next(record)) == LowRecordReader::Step::Record) got.push_back(record.sourceUrl);
        if (step == LowRecordReader::Step::Broken) {
            got.push_back("broken");
            return got;
        }
    }
    if (reader.Pending() != 0) got.push_back("cut");
    return got;
}

TEST(LowRecord, ComesBackWholeWhateverPiecesTheStreamArrivesIn) {
    std::string stream;
    ASSERT_TRUE(AppendLowRecord(Make("http://h/a", "C:\\c\\a"), stream));
    ASSERT_TRUE(AppendLowRecord(Make(std::string(kLowRecordMaxAddress, 'u'), std::string(kLowRecordMaxLocalFile, 'f'), 1),
                                stream));
    for (size_t piece : {size_t{1}, size_t{7}, kLowRecordHead, stream.size()}) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(Read(stream, piece), (std::vector<std::string>{"http://h/a", std::string(kLowRecordMaxAddress, 'u')}));
    }
    LowRecordReader reader;
    reader.Feed(stream.data(), stream.size());
    LowRecord first;
    ASSERT_EQ(reader.Next(first), LowRecordReader::Step::Record);
    const LowRecord expected = Make("http://h/a", "C:\\c\\a");
    EXPECT_EQ(first.localFile, expected.localFile);
    EXPECT_EQ(first.sizeLow, expected.sizeLow);
    EXPECT_EQ(first.lastAccess.Value(), expected.lastAccess.Value());
    EXPECT_EQ(first.lastModified.Value(), expected.lastModified.Value());
    LowRecord second;
    ASSERT_EQ(reader.Next(second), LowRecordReader::Step::Record);
    EXPECT_EQ(second.sizeHigh, 1u) << "the size check is the collection's, not the stream's";
}

TEST(LowRecord, StreamThatBreaksTheFormatEndsWithTheRecordsBefore) {
    std::string sound;
    AppendLowRecord(Make("http://h/a", "C:\\c\\a"), sound);
    auto head = [](uint32_t addressLength, uint32_t fileLength) {
        std::string bytes(kLowRecordHead, '\0');
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<char>(addressLength >> (8 * i));
            bytes[4 + i] = static_cast<char>(fileLength >> (8 * i));
        }
        return bytes;
    };
    std::string withNul = head(3, 1) + std::string("a\0b", 3) + "f";
    struct Row {
        const char* what;
        std::string tail;
        const char* end;
    } rows[] = {
        {"empty address", head(0, 1) + "f", "broken"},
        {"empty local file", head(1, 0) + "a", "broken"},
        {"address past the limit", head(kLowRecordMaxAddress + 1, 1), "broken"},
        {"local file past the limit", head(1, kLowRecordMaxLocalFile + 1), "broken"},
        {"lengths near 2^32", head(0xFFFFFFFF, 0xFFFFFFFF), "broken"},
        {"NUL inside", withNul, "broken"},
        {"cut head", head(1, 1).substr(0, 9), "cut"},
        {"cut text", head(5, 5) + "abc", "cut"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<std::string> expected{"http://h/a", row.end};
        EXPECT_EQ(Read(sound + row.tail, 1), expected);
        if (std::string(row.end) == "broken") {
            const std::string stream = sound + row.tail + sound;  // nothing after the break counts
            EXPECT_EQ(Read(stream, stream.size()), expected);
        }
    }
    std::string refused;
    EXPECT_FALSE(AppendLowRecord(Make(std::string("a\0b", 3), "C:\\f"), refused));
    EXPECT_FALSE(AppendLowRecord(Make("http://h/a", std::string(kLowRecordMaxLocalFile + 1, 'f')), refused));
    EXPECT_FALSE(AppendLowRecord(Make("", "C:\\f"), refused));
    EXPECT_TRUE(refused.empty());
}

TEST(LowRecord, LocalFileMustBeAnAbsolutePathOnADrive) {
    struct Row {
        const char* path;
        bool kept;
    } rows[] = {
        {"C:\\Users\\u\\INetCache\\Low\\a.html", true},
        {"c:/users/u/a.html", true},
        {"\\\\server\\share\\a.html", false},
        {"\\\\?\\C:\\a.html", false},
        {"\\\\.\\C:\\a.html", false},
        {"//server/share/a.html", false},
        {"\\Users\\a.html", false},
        {"C:a.html", false},
        {"Low\\a.html", false},
        {"1:\\a.html", false},
        {"C:\\a.html:Zone.Identifier", false},
        {"C:", false},
    };
    for (const Row& row : rows) EXPECT_EQ(IsDriveAbsolutePath(row.path), row.kept) << row.path;
}

TEST(LowRecord, PrefixCrossesTheCommandLineAsHexExactly) {
    const std::string prefix = "http://h/\x89\xe6\x91\x9c/\x7f\xff";
    std::string back;
    ASSERT_TRUE(BytesOfHex(HexOfBytes(prefix), back));
    EXPECT_EQ(back, prefix);
    for (const char* bad : {"6", "6G", "0061", "6A", "68 74", "zz"}) EXPECT_FALSE(BytesOfHex(bad, back)) << bad;
}

}  // namespace
