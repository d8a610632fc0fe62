// Browser disk caches: what is listed from the caches Debian's chromium writes
// in both formats and from one Chrome wrote on Windows 10 (plaso's test data,
// Apache License 2.0), bodies read again at save time, and what damaged or
// changing files do.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "chromium/browser_cache.h"
#include "save/browser_body_reader.h"
#include "tests/native/disk_folder.h"
#include "tests/native/memory_folder.h"

namespace {

const std::string kSource = TESSIWOK_SOURCE_DIR;
const std::string kCaches = kSource + "/build/chromium-caches";

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct Collected : BrowserRecordSink {
    std::string wanted;
    std::map<std::string, BrowserRecord> rows;
    bool Wants(std::string_view address) override { return address.compare(0, wanted.size(), wanted) == 0; }
    void Take(BrowserRecord& record) override { rows[record.address] = record; }
};

Collected ListAll(CacheFolder& folder, const std::string& wanted = "") {
    Collected collected;
    collected.wanted = wanted;
    ListBrowserCache(folder, collected);
    return collected;
}

BrowserEntryRef RefOf(const BrowserRecord& record) { return EntryRefOf(record, ""); }

// The body as the save side reads it; "<failed>" when it is refused.
std::string BodyOf(std::unique_ptr<CacheFolder> folder, const BrowserRecord& record) {
    BrowserBody body;
    if (!body.Open(std::move(folder), RefOf(record))) return "<failed>";
    std::string bytes;
    const char* data = nullptr;
    size_t size = 0;
    while (body.Next(data, size)) bytes.append(data, size);
    return body.Failed() ? "<failed>" : bytes;
}

// The body as the save side decodes it, read through the reader in small
// pieces; "<failed>" with any status but kOk.
std::string DecodedOf(std::unique_ptr<CacheFolder> folder, const BrowserEntryRef& ref) {
    struct Small : BodyReader {
        BrowserBodyReader whole;
        bool Read(unsigned char* buffer, size_t size, size_t& count) override {
            return whole.Read(buffer, size < 1000 ? size : 1000, count);
        }
    } reader;
    struct Sink : BodySink {
        std::string bytes;
        bool Write(const unsigned char* data, size_t size) override {
            bytes.append(reinterpret_cast<const char*>(data), size);
            return true;
        }
    } sink;
    reader.whole.Open(std::move(folder), ref);
    return DecodeBody(reader, ref.contentEncoding, sink) == DecodeStatus::kOk ? sink.bytes : "<failed>";
}

std::unique_ptr<MemoryFolder> InMemory(const std::string& path) {
    auto memory = std::make_unique<MemoryFolder>();
    DiskFolder disk(path);
    for (const std::string& name : disk.Names()) {
        if (name == "index-dir") (*memory)["index-dir/the-real-index"] = FileBytes(path + "/index-dir/the-real-index");
        else (*memory)[name] = FileBytes(path + "/" + name);
    }
    return memory;
}

class ChromiumCaches : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string make = "python3 " + kSource + "/tools/make_chromium_caches.py " + kCaches;
        ASSERT_EQ(std::system(make.c_str()), 0) << make;
    }
    static std::string Site() { return "http://127.0.0.1:" + FileBytes(kCaches + "/port") + "/files/"; }
};

TEST_F(ChromiumCaches, ListsCompleteResponsesOfBothFormatsWithTheirBodiesAsSent) {
    struct Row {
        const char* path;
        const char* encoding;
        uint64_t lastModified;  // file time, UTC
    } const rows[] = {
        {"plain.txt", "", 130898860800000000},  // Wed, 21 Oct 2015 07:28:00 GMT
        {"packed.gz.txt", "gzip", 0},
        {"packed.br.txt", "br", 0},
        {"packed.zst.txt", "zstd", 0},
        {"big.bin", "", 124285853770000000},  // Sunday, 06-Nov-94 08:49:37 GMT; a file of its own in a blockfile
        {"%E5%86%99%E7%9C%9F.txt", "", 124285853770000000},  // Sun Nov  6 08:49:37 1994
    };
    for (const char* format : {"simple", "blockfile"}) {
        SCOPED_TRACE(format);
        const std::string folder = kCaches + "/" + format;
        DiskFolder disk(folder);
        EXPECT_EQ(FormatOf(disk), std::string(format) == "simple" ? CacheFormat::Simple : CacheFormat::Blockfile);
        // missing.png (404) and moved.png (301) are cached too, and not listed.
        const Collected collected = ListAll(disk, Site());
        EXPECT_EQ(collected.rows.size(), std::size(rows));
        for (const Row& row : rows) {
            SCOPED_TRACE(row.path);
            const auto found = collected.rows.find(Site() + row.path);
            ASSERT_NE(found, collected.rows.end());
            const BrowserRecord& record = found->second;
            const std::string sent = FileBytes(kCaches + "/site/files/" + row.path);
            EXPECT_EQ(record.bodySize, sent.size());
            EXPECT_EQ(record.response.contentEncoding, row.encoding);
            EXPECT_EQ(record.response.lastModified, row.lastModified);
            EXPECT_GE(record.lastUsed, record.response.responseTime - 10000000);  // the index keeps seconds
            EXPECT_EQ(BodyOf(std::make_unique<DiskFolder>(folder), record), sent);
            // Every compressed body is plain.txt's text.
            const std::string decoded = *row.encoding != '\0' ? FileBytes(kCaches + "/site/files/plain.txt") : sent;
            EXPECT_EQ(DecodedOf(std::make_unique<DiskFolder>(folder), RefOf(record)), decoded);
        }
    }
}

TEST(ChromiumWindowsSample, ListsWhatTheFilesPresentHoldAndSkipsWhatLayInTheMissingDataFile) {
    const std::string folder = kSource + "/../shared/data/win10-chrome-cache";
    DiskFolder disk(folder);
    ASSERT_EQ(FormatOf(disk), CacheFormat::Blockfile);
    const Collected collected = ListAll(disk);
    // 862 entries are reachable; most keep their headers in the missing data_3.
    EXPECT_GT(collected.rows.size(), 50u);
    EXPECT_LT(collected.rows.size(), 200u);
    for (const auto& row : collected.rows)
        EXPECT_EQ(BodyOf(std::make_unique<DiskFolder>(folder), row.second).size(), row.second.bodySize) << row.first;

    const auto widget = collected.rows.find("https://d1nruqhae353qc.cloudfront.net/primesignup/widget.js");
    ASSERT_NE(widget, collected.rows.end());
    EXPECT_EQ(widget->second.bodySize, 51807u);
    EXPECT_EQ(widget->second.lastUsed, 133317743303490360u);          // 2023-06-20 22:38:50.349 UTC
    EXPECT_EQ(widget->second.response.lastModified, 132890009270000000u);  // 2022-02-10 21:08:47 UTC
    EXPECT_EQ(BodyOf(std::make_unique<DiskFolder>(folder), widget->second), FileBytes(folder + "/f_00006b"));
}

// The blockfile entry record of a listed row, inside its data file.
std::string& EntryFileOf(MemoryFolder& folder, const BrowserRecord& record) {
    return folder["data_" + std::to_string((record.entryId >> 16) & 0xFF)];
}
size_t EntryOffsetOf(const BrowserRecord& record) { return 8192 + 256 * (record.entryId & 0xFFFF); }

TEST_F(ChromiumCaches, DamagedFilesSkipRecordsAndNeverStopTheListing) {
    const std::string plain = Site() + "plain.txt";
    struct Case {
        const char* what;
        const char* format;
        std::function<void(MemoryFolder&, const BrowserRecord& plainRecord)> damage;
        size_t rows;
        bool plainListed;
    } const cases[] = {
        {"an entry that links to itself", "blockfile",
         [](MemoryFolder& f, const BrowserRecord& r) {
             const uint32_t self = static_cast<uint32_t>(r.entryId);
             EntryFileOf(f, r).replace(EntryOffsetOf(r) + 4, 4, reinterpret_cast<const char*>(&self), 4);
         }, 6, true},
        {"a key length past its blocks", "blockfile",
         [](MemoryFolder& f, const BrowserRecord& r) { EntryFileOf(f, r)[EntryOffsetOf(r) + 33] = '\x10'; }, 5, false},
        {"a body size past its blocks", "blockfile",
         [](MemoryFolder& f, const BrowserRecord& r) { EntryFileOf(f, r)[EntryOffsetOf(r) + 46] = '\x01'; }, 5, false},
        {"the entries' data file cut short", "blockfile",
         [](MemoryFolder& f, const BrowserRecord& r) { EntryFileOf(f, r).resize(8192 + 256); }, 0, false},
        {"no rankings: the creation time stands in", "blockfile",
         [](MemoryFolder& f, const BrowserRecord&) { f.files.erase("data_0"); }, 6, true},
        {"an index whose table runs past its end", "blockfile",
         [](MemoryFolder& f, const BrowserRecord&) { f["index"].resize(1000); }, 0, false},
        {"the SQL backend's files beside: not read", "blockfile",
         [](MemoryFolder& f, const BrowserRecord&) { f["sqldb0"] = "SQLite format 3"; }, 0, false},
        {"an entry file cut short", "simple",
         [](MemoryFolder& f, const BrowserRecord& r) {
             char name[24];
             std::snprintf(name, sizeof name, "%016llx_0", static_cast<unsigned long long>(r.entryId));
             f[name].resize(f[name].size() - 30);
         }, 5, false},
        {"a garbled index: file times stand in", "simple",
         [](MemoryFolder& f, const BrowserRecord&) { f["index-dir/the-real-index"].assign(64, '\x7f'); }, 6, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<MemoryFolder> folder = InMemory(kCaches + "/" + c.format);
        const BrowserRecord record = ListAll(*folder, Site()).rows.at(plain);
        c.damage(*folder, record);
        const Collected collected = ListAll(*folder, Site());
        EXPECT_EQ(collected.rows.size(), c.rows);
        EXPECT_EQ(collected.rows.count(plain), c.plainListed ? 1u : 0u);
        for (const auto& row : collected.rows) EXPECT_NE(row.second.lastUsed, 0u) << row.first;
    }
}

TEST_F(ChromiumCaches, ABodyThatChangedBeforeOrWhileItIsReadIsRefused) {
    for (const char* format : {"simple", "blockfile"}) {
        SCOPED_TRACE(format);
        std::unique_ptr<MemoryFolder> folder = InMemory(kCaches + "/" + format);
        const BrowserRecord record = ListAll(*folder, Site()).rows.at(Site() + "big.bin");
        BrowserEntryRef changed = RefOf(record);
        changed.bodySize -= 1;
        BrowserBody stale;
        EXPECT_FALSE(stale.Open(std::make_unique<MemoryFolder>(*folder), changed));
        EXPECT_EQ(DecodedOf(std::make_unique<MemoryFolder>(*folder), changed), "<failed>");

        // Rewritten under the reader: another body of another size.
        BrowserBody body;
        MemoryFolder& live = *folder;
        ASSERT_TRUE(body.Open(std::move(folder), RefOf(record)));
        const char* data = nullptr;
        size_t size = 0;
        ASSERT_TRUE(body.Next(data, size));
        if (std::string(format) == "simple") {
            char name[24];
            std::snprintf(name, sizeof name, "%016llx_0", static_cast<unsigned long long>(record.entryId));
            live[name].erase(100, 1);
        } else {
            EntryFileOf(live, record)[EntryOffsetOf(record) + 44] ^= 1;
        }
        while (body.Next(data, size)) {
        }
        EXPECT_TRUE(body.Failed());
    }
}

TEST(ChromiumKeys, AddressIsTheTextAfterTheLastSpaceOfAPartitionedKey) {
    EXPECT_EQ(AddressOfKey("1/0/_dk_https://a.example https://a.example https://b.example/x?q=1"),
              "https://b.example/x?q=1");
    EXPECT_EQ(AddressOfKey("_dk_https://a.example https://a.example https://b.example/x"), "https://b.example/x");
    EXPECT_EQ(AddressOfKey("https://b.example/x"), "https://b.example/x");
    EXPECT_EQ(AddressOfKey("https://b.example/a b"), "https://b.example/a b");
}

TEST(ChromiumHttpDates, TheThreeFormsAndNothingElse) {
    struct Row {
        const char* text;
        uint64_t fileTime;  // 0: refused
    } const rows[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", 124285853770000000},
        {"Sunday, 06-Nov-94 08:49:37 GMT", 124285853770000000},
        {"Sun Nov  6 08:49:37 1994", 124285853770000000},
        {"Thu, 29 Feb 2024 23:59:59 GMT", 133537247990000000},
        {"Tuesday, 01-Jan-30 00:00:00 GMT", 135379296000000000},  // two digits below 70: this century
        {"Fri, 29 Feb 2023 00:00:00 GMT", 0},
        {"Sun, 06 Nov 1994 24:00:00 GMT", 0},
        {"Sun, 06 Nov 1994 08:49:37 UTC", 0},
        {"Sun, 06 Foo 1994 08:49:37 GMT", 0},
        {"1994-11-06T08:49:37Z", 0},
        {"", 0},
    };
    for (const Row& row : rows) {
        uint64_t fileTime = 0;
        EXPECT_EQ(ParseHttpDate(row.text, fileTime) ? fileTime : 0, row.fileTime) << row.text;
    }
}

}  // namespace
