// The low collector's record stream: what the reader gives back from a stream
// cut anywhere, where it stops, and which local files pass the first check.
#include "cache/low_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Stream(const std::string& url, const std::string& file, uint32_t sizeHigh = 0) {
    LowRecord record;
    record.sourceUrl = url;
    record.localFile = file;
    record.sizeLow = 0x01020304;
    record.sizeHigh = sizeHigh;
    record.lastAccess = FileTime{0xA1B2C3D4, 0x01D00000};
    record.lastModified = FileTime{5, 0xFFFFFFFF};
    std::string out;
    EXPECT_TRUE(AppendLowRecord(record, out));
    return out;
}

std::string Head(uint32_t addressLength, uint32_t fileLength) {
    std::string bytes(kLowRecordHead, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>(addressLength >> (8 * i));
        bytes[4 + i] = static_cast<char>(fileLength >> (8 * i));
    }
    return bytes;
}

// Feeds the stream in pieces of `piece` bytes; the records given back (address,
// file, sizes and times in one text each), then "broken" or "cut" when it ended so.
std::vector<std::string> Read(const std::string& stream, size_t piece) {
    LowRecordReader reader;
    std::vector<std::string> got;
    for (size_t at = 0; at < stream.size(); at += piece) {
        reader.Feed(stream.data() + at, std::min(piece, stream.size() - at));
        LowRecord r;
        LowRecordReader::Step step;
        while ((step = reader.Next(r)) == LowRecordReader::Step::Record)
            got.push_back(r.sourceUrl.substr(0, 10) + " " + r.localFile + " " + std::to_string(r.sizeLow) + " " +
                          std::to_string(r.sizeHigh) + " " + std::to_string(r.lastAccess.Value()) + " " +
                          std::to_string(r.lastModified.Value()));
        if (step == LowRecordReader::Step::Broken) return got.push_back("broken"), got;
    }
    if (reader.Pending() != 0) got.push_back("cut");
    return got;
}

TEST(LowRecord, ComesBackWholeWhateverPiecesTheStreamArrivesInAndStopsWhereItBreaks) {
    const std::string sound = Stream("http://h/a", "C:\\c\\a");
    const std::string longest = Stream(std::string(kLowRecordMaxAddress, 'u'), std::string(kLowRecordMaxLocalFile, 'f'), 1);
    const std::string first = "http://h/a C:\\c\\a 16909060 0 130604391906591700 18446744069414584325";
    const std::string second = "uuuuuuuuuu " + std::string(kLowRecordMaxLocalFile, 'f') +
                               " 16909060 1 130604391906591700 18446744069414584325";
    for (size_t piece : {size_t{1}, size_t{7}, kLowRecordHead, size_t{100000}})
        EXPECT_EQ(Read(sound + longest, piece), (std::vector<std::string>{first, second})) << piece;

    struct Row {
        const char* what;
        std::string tail;
        const char* end;
    } rows[] = {
        {"empty address", Head(0, 1) + "f", "broken"},
        {"empty local file", Head(1, 0) + "a", "broken"},
        {"address past the limit", Head(kLowRecordMaxAddress + 1, 1), "broken"},
        {"local file past the limit", Head(1, kLowRecordMaxLocalFile + 1), "broken"},
        {"lengths near 2^32", Head(0xFFFFFFFF, 0xFFFFFFFF), "broken"},
        {"NUL inside", Head(3, 1) + std::string("a\0bf", 4), "broken"},
        {"cut head", Head(1, 1).substr(0, 9), "cut"},
        {"cut text", Head(5, 5) + "abc", "cut"},
    };
    for (const Row& row : rows) {  // nothing after a break counts
        EXPECT_EQ(Read(sound + row.tail + (row.end[0] == 'b' ? sound : ""), 1), (std::vector<std::string>{first, row.end}))
            << row.what;
    }
    std::string refused;  // the writer leaves out what the reader would refuse
    EXPECT_FALSE(AppendLowRecord(LowRecord{std::string("a\0b", 3), "C:\\f", 0, 0, {}, {}}, refused));
    EXPECT_FALSE(AppendLowRecord(LowRecord{"http://h/a", std::string(kLowRecordMaxLocalFile + 1, 'f'), 0, 0, {}, {}}, refused));
    EXPECT_TRUE(refused.empty());
}

TEST(LowRecord, LocalFileMustBeAnAbsolutePathOnADriveAndThePrefixCrossesAsHex) {
    for (const char* kept : {"C:\\Users\\u\\INetCache\\Low\\a.html", "c:/users/u/a.html"})
        EXPECT_TRUE(IsDriveAbsolutePath(kept)) << kept;
    for (const char* dropped : {"\\\\server\\share\\a.html", "\\\\?\\C:\\a.html", "\\\\.\\C:\\a.html", "//server/a.html",
                                "\\Users\\a.html", "C:a.html", "Low\\a.html", "1:\\a.html", "C:\\a.html:Zone.Identifier", "C:"})
        EXPECT_FALSE(IsDriveAbsolutePath(dropped)) << dropped;

    const std::string prefix = "http://h/\x89\xe6\x91\x9c/\x7f\xff";
    std::string back;
    ASSERT_TRUE(BytesOfHex(HexOfBytes(prefix), back));
    EXPECT_EQ(back, prefix);
    for (const char* bad : {"6", "6G", "0061", "6A", "68 74"}) EXPECT_FALSE(BytesOfHex(bad, back)) << bad;
}

}  // namespace
