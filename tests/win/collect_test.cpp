// Collecting from the real WinINet URL cache, filled by real downloads and commits.
#include "cache/collect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "tools/testkit/loopback_http.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"
#include "tools/testkit/zone_time.h"

using testkit::CachedItem;

namespace {

std::map<std::string, const CacheEntry*> ByPath(const EntryStore& store) {
    std::map<std::string, const CacheEntry*> m;
    for (const CacheEntry& e : store) m[e.relativePath] = &e;
    return m;
}

// Each test works under a host of its own, so tests never see each other's items.
class Collect : public ::testing::Test {
protected:
    void SetUp() override { host_ = "http://" + testkit::UniqueName("collect") + ".test/"; }
    void TearDown() override { testkit::DeleteCacheEntriesUnder(host_); }
    bool Commit(const std::string& path, const std::string& content = "x") {
        CachedItem cached;
        cached.url = host_ + path;
        cached.content = content;
        return testkit::CommitCacheEntry(cached);
    }
    std::string host_;
};

TEST_F(Collect, DownloadedSiteIsCollectedWithTheCacheSizesAndFiles) {
    testkit::LoopbackHttpServer server;
    server.Add("/site/index.html", {"<html>hello</html>", "text/html", ""});
    server.Add("/site/img/logo.gif", {std::string(3000, 'g'), "image/gif", "Tue, 31 Dec 2002 14:59:58 GMT"});
    server.Add("/site/", {"dir index", "text/html", ""});
    server.Add("/other/x.css", {"body{}", "text/css", ""});
    ASSERT_NE(server.Start(), 0);
    const std::string base = server.BaseUrl();
    for (const char* path : {"/site/index.html", "/site/img/logo.gif", "/site/", "/other/x.css"})
        ASSERT_TRUE(testkit::DownloadThroughWinInet(base + path)) << path;

    EntryStore store;
    CollectCacheEntries((base + "/site/").c_str(), store);
    auto entries = ByPath(store);
    ASSERT_EQ(store.Size(), 2u);
    ASSERT_TRUE(entries.count("index.html"));
    ASSERT_TRUE(entries.count("img/logo.gif"));
    const CacheEntry& logo = *entries["img/logo.gif"];
    EXPECT_EQ(logo.extension, "gif");
    EXPECT_EQ(logo.size, 3000u);
    EXPECT_EQ(logo.localFile, testkit::LocalFileOf(base + "/site/img/logo.gif"));
    EXPECT_EQ(testkit::ReadWholeFile(logo.localFile), std::string(3000, 'g'));
    EXPECT_EQ(entries["index.html"]->extension, "html");
    testkit::DeleteCacheEntriesUnder(base);
}

TEST_F(Collect, KeepsOnlyFilesStrictlyUnderThePrefix) {
    ASSERT_TRUE(Commit("dir/"));         // equal to the prefix
    ASSERT_TRUE(Commit("dir/sub/"));     // a directory index
    ASSERT_TRUE(Commit("dir/a.cgi?x=1"));
    ASSERT_TRUE(Commit("dir/a.cgi?x=2"));
    ASSERT_TRUE(Commit("dir/sub/img.png"));
    ASSERT_TRUE(Commit("dirt/not.gif"));
    CachedItem noFile;
    noFile.url = host_ + "dir/nofile.gif";
    noFile.withLocalFile = false;
    ASSERT_TRUE(testkit::CommitCacheEntry(noFile));

    EntryStore store;
    CollectCacheEntries((host_ + "dir/").c_str(), store);
    std::vector<std::string> paths;
    for (const CacheEntry& e : store) {
        paths.push_back(e.relativePath);
        if (e.relativePath == "a.cgi") {
            EXPECT_EQ(e.extension, "cgi");
        }
    }
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{"a.cgi", "a.cgi", "sub/img.png"}));
}

TEST_F(Collect, PrefixComparisonIsCaseSensitive) {
    // Wine lower-cases nothing in the stored URL; an upper-case host is another prefix.
    std::string upper = host_;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return char(toupper(c)); });
    CachedItem cached;
    cached.url = upper + "x.gif";
    cached.content = "u";
    ASSERT_TRUE(testkit::CommitCacheEntry(cached));
    ASSERT_TRUE(Commit("y.gif"));

    EntryStore store;
    CollectCacheEntries(host_.c_str(), store);
    ASSERT_EQ(store.Size(), 1u);
    EXPECT_EQ(store.At(0).relativePath, "y.gif");
    testkit::DeleteCacheEntriesUnder(upper);
}

TEST_F(Collect, TimesAreTheCacheTimesInLocalTime) {
    int offset = 0;
    ASSERT_TRUE(testkit::ZoneOffsetMinutes(&offset)) << "TZ names a zone the tests know";
    CachedItem cached;
    cached.url = host_ + "t.gif";
    cached.content = "t";
    cached.lastModified = testkit::UtcFileTime(2002, 12, 31, 14, 59, 58);
    ASSERT_TRUE(testkit::CommitCacheEntry(cached));

    EntryStore store;
    CollectCacheEntries(host_.c_str(), store);
    ASSERT_EQ(store.Size(), 1u);
    EXPECT_EQ(store.At(0).lastModified.Value(), testkit::ZoneFileTimeValue(cached.lastModified, offset));
    DWORD size = 0;
    GetUrlCacheEntryInfoA(cached.url.c_str(), nullptr, &size);
    std::vector<char> buffer(size + 1);
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    ASSERT_TRUE(size != 0 && GetUrlCacheEntryInfoA(cached.url.c_str(), info, &size));
    EXPECT_EQ(store.At(0).lastAccess.Value(), testkit::ZoneFileTimeValue(info->LastAccessTime, offset));
}

// A winter and a summer time each take the offset in force at that time, not
// today's: ctest runs this in Europe/Berlin too (UTC+1, and UTC+2 in summer).
TEST_F(Collect, EachTimeTakesTheOffsetInForceAtThatTime) {
    const char* tz = std::getenv("TZ");
    int winter = 0;
    int summer = 0;
    if (tz != nullptr && std::string(tz) == "Europe/Berlin") {
        winter = 60;
        summer = 120;
    } else {
        ASSERT_TRUE(testkit::ZoneOffsetMinutes(&winter)) << "TZ names a zone the tests know";
        summer = winter;
    }
    const FILETIME january = testkit::UtcFileTime(2025, 1, 15, 12, 0, 0);
    const FILETIME july = testkit::UtcFileTime(2025, 7, 15, 12, 0, 0);
    for (const auto& [name, time] : {std::pair{"jan.gif", january}, std::pair{"jul.gif", july}}) {
        CachedItem cached;
        cached.url = host_ + name;
        cached.lastModified = time;
        ASSERT_TRUE(testkit::CommitCacheEntry(cached));
    }

    EntryStore store;
    CollectCacheEntries(host_.c_str(), store);
    auto entries = ByPath(store);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries["jan.gif"]->lastModified.Value(), testkit::ZoneFileTimeValue(january, winter));
    EXPECT_EQ(entries["jul.gif"]->lastModified.Value(), testkit::ZoneFileTimeValue(july, summer));
}

TEST_F(Collect, NewCollectionReplacesTheOldOneAndEmptyFindsNothing) {
    ASSERT_TRUE(Commit("a.gif"));
    EntryStore store;
    CollectCacheEntries(host_.c_str(), store);
    ASSERT_EQ(store.Size(), 1u);
    CollectCacheEntries(host_.c_str(), store);
    EXPECT_EQ(store.Size(), 1u);
    CollectCacheEntries((host_ + "nothing/").c_str(), store);
    EXPECT_EQ(store.Size(), 0u);
}

TEST_F(Collect, RecordLargerThanTheBufferIsCollectedAndSoAreTheOnesAfterIt) {
    // Enumeration order is Wine's hash order, so several long records make sure
    // that at least one comes after the first and outgrows the buffer.
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(Commit("short" + std::to_string(i) + ".gif"));
    for (int i = 0; i < 3; ++i) {
        std::string longPath = "long" + std::to_string(i) + "/" + std::string(3000 + 1500 * i, 'p') + ".gif";
        ASSERT_TRUE(Commit(longPath)) << GetLastError();
    }
    EntryStore store;
    CollectCacheEntries(host_.c_str(), store);
    EXPECT_EQ(store.Size(), 9u);
}

}  // namespace
