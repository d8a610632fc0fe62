// Lists the responses a Chromium-based browser (Edge, Chrome) keeps in its
// disk cache, in either of its formats, and reads one entry's body again at
// save time. Every offset, size and link is checked against the file it
// points into: a record that fails is skipped, a folder that fails lists
// nothing, and a changed entry is refused rather than read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "cache/cache_entry.h"
#include "chromium/cache_files.h"
#include "chromium/response_info.h"

// One listed entry: a complete response with its body stored whole.
struct BrowserRecord {
    std::string key;        // the entry's key as the cache holds it
    std::string address;    // the URL the key names
    uint64_t entryId = 0;   // blockfile: the entry record's cache address; simple: the file's hash
    uint32_t headerSize = 0;
    uint32_t bodySize = 0;  // the body as stored (as sent, before any decoding)
    uint64_t lastUsed = 0;  // file time, UTC; 0: unknown
    ResponseInfo response;
};

// What the listing hands its records to.
class BrowserRecordSink {
public:
    virtual ~BrowserRecordSink() = default;
    // Asked with each entry's address before its response is read: false
    // skips the entry cheaply.
    virtual bool Wants(std::string_view address) = 0;
    virtual void Take(BrowserRecord& record) = 0;
};

// What a row keeps of a listed record to find its entry again at save time.
BrowserEntryRef EntryRefOf(const BrowserRecord& record, std::string cacheFolder);

enum class CacheFormat { Unknown, Blockfile, Simple, Sql };

// Told apart by the files: the blockfile's index (magic 0xC103CAC3), the
// simple cache's "<16 hex>_0" entry files or index-dir; sqldb* files mark
// the SQL backend, which is not read.
CacheFormat FormatOf(CacheFolder& folder);

// Hands every listed entry of the folder to the sink, in the cache's own
// order. False when the folder is no cache this can read.
bool ListBrowserCache(CacheFolder& folder, BrowserRecordSink& sink);

// The URL of a key: the text after the last space of a partitioned key
// ("1/0/_dk_<site> <site> <url>"), the whole key otherwise.
std::string_view AddressOfKey(std::string_view key);

// Which responses are listed: status 200 with a body, stored whole (not
// truncated, no range, a Content-Length that matches). Whether its
// Content-Encoding can be decoded is the caller's to ask.
bool IsListedResponse(const ResponseInfo& response, uint32_t bodySize);

// Where an entry's body lies: a run of bytes of one file of the folder.
struct BodyLocation {
    std::string file;
    uint64_t offset = 0;
    uint32_t size = 0;
    bool operator==(const BodyLocation& other) const {
        return file == other.file && offset == other.offset && size == other.size;
    }
};

// Finds the entry of ref again, in whichever format the folder has now; false
// when it is gone or its key or stream sizes differ from ref's.
bool LocateBrowserBody(CacheFolder& folder, const BrowserEntryRef& ref, BodyLocation& location);

// The body of one entry, read again at save time in pieces of at most 64 KiB.
class BrowserBody {
public:
    // Takes the folder (opened by the caller's platform edge) and checks the
    // entry. False: gone, changed or unreadable.
    bool Open(std::unique_ptr<CacheFolder> folder, const BrowserEntryRef& ref);
    // The next piece; false at the end of the body or on a failure, which
    // Failed() tells apart. A piece stays valid until the next call. Before
    // the end is reported the entry is checked once more, so a body the
    // browser changed while it was read fails.
    bool Next(const char*& data, size_t& size);
    bool Failed() const { return failed_; }

private:
    std::unique_ptr<CacheFolder> folder_;
    std::unique_ptr<CacheFile> file_;
    BrowserEntryRef ref_;
    BodyLocation location_;
    uint64_t done_ = 0;
    bool failed_ = true;
    std::unique_ptr<char[]> piece_;
};

constexpr size_t kBrowserBodyPiece = 64 * 1024;

