// The records that the low-integrity collector sends its parent through a
// pipe, and the checks on them that need no platform call. The stream is
// plain bytes: each record is a 32-byte head of eight little-endian 32-bit
// values (address length, local file length, size low, size high, last
// access low, high, last modified low, high) followed by the address and the
// local file, neither NUL-terminated. Times are UTC, as the cache gave them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cache/cache_entry.h"

// Longest address and local file a record may carry (the local file is a
// path of at most 259 bytes before its NUL).
constexpr size_t kLowRecordMaxAddress = 32768;
constexpr size_t kLowRecordMaxLocalFile = 259;
constexpr size_t kLowRecordHead = 32;

struct LowRecord {
    std::string sourceUrl;
    std::string localFile;
    uint32_t sizeLow = 0;
    uint32_t sizeHigh = 0;
    FileTime lastAccess;    // UTC
    FileTime lastModified;  // UTC
};

// Appends the record's bytes to out; false (out unchanged) for a record that
// the reader would refuse: an empty or too long address or local file, or a
// NUL inside either.
bool AppendLowRecord(const LowRecord& record, std::string& out);

// Takes the stream as it arrives, in pieces of any size, and gives back whole
// records. Once the stream broke the format (a length of 0 or past its limit,
// a NUL inside a text) it stays broken and gives nothing more.
class LowRecordReader {
public:
    enum class Step { Record, NeedMore, Broken };

    void Feed(const char* bytes, size_t count);
    // The next whole record into record, or why there is none yet.
    Step Next(LowRecord& record);
    // Bytes received but not yet given back as a record (a cut record at the end).
    size_t Pending() const { return pending_.size() - start_; }

private:
    std::string pending_;
    size_t start_ = 0;  // where the next record begins in pending_
    bool broken_ = false;
};

// Whether a local file names an absolute path on a drive ("C:\..." or
// "C:/..."), with no ":" after the drive's (no stream names). Refuses
// relative and drive-relative paths, UNC paths and device paths ("\\?\",
// "\\.\"). The bytes are those of the ANSI code page; ":", "\" and "/" at
// the start are never trail bytes there.
bool IsDriveAbsolutePath(std::string_view path);

// The prefix as the collector's command line carries it: two lowercase hex
// digits per byte. BytesOfHex refuses anything else, odd lengths and NULs.
std::string HexOfBytes(std::string_view bytes);
bool BytesOfHex(std::string_view hex, std::string& bytes);
