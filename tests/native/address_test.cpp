// Address cutting and building entries from cache records.
#include "cache/address.h"
#include "cache/address_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Cut(std::string address) {
    address.push_back('\0');
    CutToDirectory(&address[0]);
    return address.c_str();
}

TEST(CutToDirectory, EndsAfterTheLastSlash) {
    EXPECT_EQ(Cut("http://host/dir/page.html"), "http://host/dir/");
    EXPECT_EQ(Cut("http://host/dir/"), "http://host/dir/");
    EXPECT_EQ(Cut("http://host"), "http://");
    EXPECT_EQ(Cut("http://host/a/b.html?q=/x"), "http://host/a/b.html?q=/");
}

TEST(CutToDirectory, NeverLooksAtTheFirstByte) {
    EXPECT_EQ(Cut("/abc"), "/abc");
    EXPECT_EQ(Cut("/"), "/");
    EXPECT_EQ(Cut("abc"), "abc");
    EXPECT_EQ(Cut(""), "");
    EXPECT_EQ(Cut("//"), "//");
}

CacheEntry Build(const std::string& url, const std::string& prefix) {
    CacheRecord record;
    record.sourceUrl = url.c_str();
    record.localFile = "C:\\cache\\x";
    EXPECT_TRUE(IsCollected(record, prefix)) << url;
    CacheEntry entry;
    SetPathAndExtension(url.c_str() + prefix.size(), entry);
    return entry;
}

TEST(EntryBuilding, QueryIsCutAfterTheKeepTests) {
    CacheEntry a = Build("http://host/dir/a.cgi?x=1", "http://host/dir/");
    EXPECT_EQ(a.relativePath, "a.cgi");
    EXPECT_EQ(a.extension, "cgi");

    CacheEntry q = Build("http://host/dir/?x=1", "http://host/dir/");
    EXPECT_EQ(q.relativePath, "");
    EXPECT_EQ(q.extension, "---");

    CacheEntry sub = Build("http://host/dir/sub/?x=1", "http://host/dir/");
    EXPECT_EQ(sub.relativePath, "sub/") << "ends in / only because a ? followed it";
    EXPECT_EQ(sub.extension, "---");

    // A "?" inside the prefix is not looked at.
    CacheEntry p = Build("http://host/q?a/b.gif", "http://host/q?a/");
    EXPECT_EQ(p.relativePath, "b.gif");
}

TEST(EntryBuilding, ExtensionIsTakenFromTheLastSegmentOnly) {
    struct Case { const char* rest; const char* path; const char* extension; } cases[] = {
        {"archive.tar.gz", "archive.tar.gz", "gz"},
        {"README", "README", "---"},
        {"name.", "name.", "---"},
        {"ver.2/file", "ver.2/file", "---"},
        {"sub/img.png", "sub/img.png", "png"},
        {"ver.1/README", "ver.1/README", "---"},
        {".htaccess", ".htaccess", "htaccess"},
        {"a.b/c.d?x.y", "a.b/c.d", "d"},
        {"\x95\x5c.gif", "\x95\x5c.gif", "gif"},  // 表.gif
    };
    for (const Case& c : cases) {
        CacheEntry entry = Build(std::string("http://h/") + c.rest, "http://h/");
        EXPECT_EQ(entry.relativePath, c.path) << c.rest;
        EXPECT_EQ(entry.extension, c.extension) << c.rest;
    }
}

TEST(KeepTests, LeaveOutWhatIsNotAFileUnderThePrefix) {
    CacheRecord r;
    r.localFile = "C:\\f";
    auto kept = [&](const char* url) { r.sourceUrl = url; return IsCollected(r, "http://host/dir/"); };
    EXPECT_TRUE(kept("http://host/dir/a.gif"));
    EXPECT_FALSE(kept("http://host/dir/")) << "equal to the prefix";
    EXPECT_FALSE(kept("http://host/dir/sub/")) << "a directory index";
    EXPECT_FALSE(kept("http://Host/dir/a.gif")) << "the comparison is case-sensitive";
    EXPECT_FALSE(kept("http://host/di")) << "shorter than the prefix";
    EXPECT_FALSE(kept(nullptr));

    r.sourceUrl = "http://host/dir/a.gif";
    r.localFile = nullptr;
    EXPECT_FALSE(IsCollected(r, "http://host/dir/")) << "no local file";
    r.localFile = "C:\\f";
    r.sizeHigh = 1;
    EXPECT_FALSE(IsCollected(r, "http://host/dir/")) << "4 GiB or more";
    r.sizeHigh = 0;
    r.sizeLow = 0xFFFFFFFFu;
    EXPECT_TRUE(IsCollected(r, "http://host/dir/"));
    EXPECT_TRUE(IsCollected(r, "")) << "an empty prefix takes every file";
}

}  // namespace

namespace {

CacheEntry Row(const char* address, uint64_t lastAccess, RowStore store) {
    CacheEntry entry;
    entry.sourceUrl = address;
    entry.lastAccess = FileTime::FromValue(lastAccess);
    entry.store = store;
    return entry;
}

TEST(AddressRows, AnAddressIsOneRowTheEntryLastAccessed) {
    EntryStore store;
    store.Append(Row("http://h/a", 100, RowStore::Own));
    store.Append(Row("http://h/b", 100, RowStore::Own));
    AddressRows rows(store);
    EXPECT_TRUE(rows.Offer(Row("http://h/c", 5, RowStore::Low))) << "a new address";
    EXPECT_TRUE(rows.Offer(Row("http://h/a", 101, RowStore::Low))) << "accessed later: replaces the row in place";
    EXPECT_FALSE(rows.Offer(Row("http://h/b", 100, RowStore::Low))) << "a tie keeps the row offered first";
    EXPECT_FALSE(rows.Offer(Row("http://h/b", 99, RowStore::Browser)));
    EXPECT_FALSE(rows.Offer(Row("http://h/c", 5, RowStore::Browser))) << "also among the later rows";
    ASSERT_EQ(store.Size(), 3u);
    EXPECT_EQ(store.At(0).store, RowStore::Low);
    EXPECT_EQ(store.At(0).lastAccess.Value(), 101u);
    EXPECT_EQ(store.At(1).store, RowStore::Own);
    EXPECT_EQ(store.At(2).sourceUrl, "http://h/c");
    EXPECT_TRUE(rows.Lists("http://h/c"));
    EXPECT_FALSE(rows.Lists("http://h/d"));
}

}  // namespace
