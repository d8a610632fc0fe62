// Collecting from a cache index that Internet Explorer 11 wrote on Windows 7:
// ../shared/data/win7-ie11-cache/index.dat, from the test data of the plaso
// project (thanks to the plaso authors; Apache License 2.0). It is installed
// into this test's own Wine prefix before anything in the process opens the
// cache. ctest runs the program once east of UTC and once west of it (TZ).
#include "cache/collect.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tools/testkit/installed_cache_index.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"
#include "tools/testkit/zone_time.h"

namespace {

const std::string kIndex = testkit::SharedDataFile("win7-ie11-cache/index.dat");
::testing::Environment* const installed = ::testing::AddGlobalTestEnvironment(new testkit::InstalledCacheIndex(kIndex));

// Local time minus UTC in the zone that the Wine process runs in, written out
// in the testkit rather than asked of the platform.
int ZoneOffsetMinutes() {
    int minutes = 0;
    if (!testkit::ZoneOffsetMinutes(&minutes))
        ADD_FAILURE() << "run with a TZ the tests know, not " << (std::getenv("TZ") ? std::getenv("TZ") : "(unset)");
    return minutes;
}

uint64_t Value(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

// The local time that the store should hold for a time of the cache: zero,
// the cache's "no time", stays zero in every zone.
uint64_t Stored(const FILETIME& utc) {
    return Value(utc) == 0 ? 0 : testkit::ZoneFileTimeValue(utc, ZoneOffsetMinutes());
}

// The cache's own enumeration under the prefix, through the keep-tests: a
// local file, under 4 GiB, something after the prefix that does not end in "/".
std::vector<testkit::CacheRecordCopy> KeptUnder(const std::string& prefix) {
    std::vector<testkit::CacheRecordCopy> kept;
    for (const testkit::CacheRecordCopy& record : testkit::CacheRecords()) {
        if (record.url.compare(0, prefix.size(), prefix) != 0 || !record.hasLocalFile || record.sizeHigh != 0)
            continue;
        const std::string rest = record.url.substr(prefix.size());
        if (rest.empty() || rest.back() == '/') continue;
        kept.push_back(record);
    }
    return kept;
}

TEST(WindowsWrittenCache, CollectionIsTheCacheOwnEnumerationUnderThePrefix) {
    struct Case {
        std::string prefix;
        size_t entries;
        size_t unknownModified;  // entries whose server sent no last-modified time
    } cases[] = {
        {"http://download.microsoft.com/download/", 13, 2},
        {"http://www.microsoft.com/", 3, 0},  // favicon.ico?v2 carries a query
        {"http://rss.msn.com/", 1, 1},        // en-us/?feedoutput=...: the query follows a "/"
        {"http://", 20, 3},
    };
    for (const Case& c : cases) {
        const std::vector<testkit::CacheRecordCopy> expected = KeptUnder(c.prefix);
        EntryStore store;
        CollectCacheEntries(c.prefix.c_str(), store);
        ASSERT_EQ(store.Size(), c.entries) << c.prefix;
        ASSERT_EQ(expected.size(), c.entries) << c.prefix;
        size_t unknown = 0;
        for (size_t i = 0; i < store.Size(); ++i) {
            const CacheEntry& entry = store.At(i);
            const testkit::CacheRecordCopy& record = expected[i];
            const std::string rest = record.url.substr(c.prefix.size());
            EXPECT_EQ(entry.relativePath, rest.substr(0, rest.find('?'))) << record.url;
            EXPECT_EQ(entry.localFile, record.localFile) << record.url;
            EXPECT_EQ(entry.size, record.sizeLow) << record.url;
            EXPECT_EQ(entry.lastAccess.Value(), Stored(record.lastAccess)) << record.url;
            EXPECT_EQ(entry.lastModified.Value(), Stored(record.lastModified)) << record.url;
            if (Value(record.lastModified) == 0) ++unknown;
        }
        EXPECT_EQ(unknown, c.unknownModified) << c.prefix;
    }
    EXPECT_EQ(testkit::ReadWholeFile(testkit::CacheIndexFolder() + "\\index.dat"), testkit::ReadWholeFile(kIndex))
        << "reading the cache changed its index";
}

}  // namespace
