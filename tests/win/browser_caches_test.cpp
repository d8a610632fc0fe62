// The browsers' cache folders as the profile finder sees them in a local
// application data folder laid out like Windows', a cache read while another
// process holds its files open for writing, as a running browser does, and
// allocations failing while the rows are collected.
#include "chromium/browser_caches_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <set>

#include "chromium/browser_cache.h"
#include "save/body_decode.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/windows_cache_index.h"

// Every allocation of the program, made to fail once at a chosen count.
static long allocations = 0;
static long failingAllocation = 0;  // 0: none fails

void* operator new(size_t size) {
    if (failingAllocation != 0 && ++allocations == failingAllocation) throw std::bad_alloc();
    if (void* block = std::malloc(size != 0 ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }

namespace {

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

void MakeFile(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

TEST(BrowserCacheFolders, EveryProfileOfEveryChannelInBothLayouts) {
    const std::wstring local = Wide(testkit::MakeScratchDirectory(testkit::UniqueName("bc")));
    MakeFile(local + L"\\Microsoft\\Edge\\User Data\\Default\\Cache\\Cache_Data\\index");
    MakeFile(local + L"\\Microsoft\\Edge\\User Data\\Profile 2\\Cache\\Cache_Data\\index-dir\\the-real-index");
    MakeFile(local + L"\\Microsoft\\Edge\\User Data\\Local State");
    MakeFile(local + L"\\Microsoft\\Edge SxS\\User Data\\Default\\Cache\\Cache_Data\\index");
    MakeFile(local + L"\\Google\\Chrome\\User Data\\Profile 1\\Cache\\index");  // before Chrome 97
    MakeFile(local + L"\\Google\\Chrome\\User Data\\System Profile\\Cache\\Cache_Data\\data_1");  // no cache yet
    MakeFile(local + L"\\Google\\Chrome Beta\\User Data\\Guest Profile\\Cache\\Cache_Data\\index");
    MakeFile(local + L"\\Vivaldi\\User Data\\Default\\Cache\\Cache_Data\\index");

    const std::vector<std::wstring> expected = {
        local + L"\\Microsoft\\Edge\\User Data\\Default\\Cache\\Cache_Data",
        local + L"\\Microsoft\\Edge\\User Data\\Profile 2\\Cache\\Cache_Data",
        local + L"\\Microsoft\\Edge SxS\\User Data\\Default\\Cache\\Cache_Data",
        local + L"\\Google\\Chrome\\User Data\\Profile 1\\Cache",
        local + L"\\Google\\Chrome Beta\\User Data\\Guest Profile\\Cache\\Cache_Data",
    };
    EXPECT_EQ(FindBrowserCacheFoldersUnder(local), expected);
}

struct Count : BrowserRecordSink {
    size_t rows = 0;
    bool Wants(std::string_view) override { return true; }
    void Take(BrowserRecord&) override { ++rows; }
};

// A copy of the Windows-written sample, writable as a browser's own is.
std::string CopyOfSample() {
    const std::string sample = testkit::SharedDataFile("win10-chrome-cache");
    const std::string copy = testkit::MakeScratchDirectory(testkit::UniqueName("bw"));
    for (const std::string& name : testkit::FilesIn(sample)) {
        EXPECT_TRUE(CopyFileA((sample + "\\" + name).c_str(), (copy + "\\" + name).c_str(), FALSE));
        SetFileAttributesA((copy + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    return copy;
}

TEST(BrowserCacheFolders, ReadsBesideAWriterThatSharesEverything) {
    const std::string copy = CopyOfSample();
    std::unique_ptr<CacheFolder> folder = OpenBrowserCacheFolder(copy);  // ASCII: UTF-8 as it is
    ASSERT_NE(folder, nullptr);
    Count alone;
    ASSERT_TRUE(ListBrowserCache(*folder, alone));
    ASSERT_GT(alone.rows, 0u);

    // The browser's way of holding its files: writing, and sharing everything.
    HANDLE held[2];
    const char* names[] = {"\\index", "\\data_1"};
    for (int i = 0; i < 2; ++i) {
        held[i] = CreateFileA((copy + names[i]).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held[i], INVALID_HANDLE_VALUE);
    }
    Count beside;
    EXPECT_TRUE(ListBrowserCache(*folder, beside));
    EXPECT_EQ(beside.rows, alone.rows);
    for (HANDLE h : held) CloseHandle(h);
}

// Memory running out anywhere in the browsers' part: nothing escapes, the URL
// cache's row stays, and the store keeps one row per address. The same
// profile twice makes the second offer every address the first listed.
TEST(BrowserCacheRows, AnAllocationFailingAnywhereLeavesTheStoresRows) {
    const std::wstring folder = Wide(CopyOfSample());
    const std::vector<std::wstring> folders = {folder, folder};
    CacheEntry own;
    own.sourceUrl = "https://own.test/kept.html";
    EntryStore whole;
    whole.Append(own);
    AppendBrowserCacheRows(folders, "https://", whole, IsDecodableEncoding);
    ASSERT_GT(whole.Size(), 1u);
    long needed = 0;
    for (long at = 1;; at += 1 + at / 16) {
        SCOPED_TRACE(at);
        EntryStore store;
        store.Append(own);
        allocations = 0;
        failingAllocation = at;
        AppendBrowserCacheRows(folders, "https://", store, IsDecodableEncoding);
        needed = allocations;
        failingAllocation = 0;
        ASSERT_GE(store.Size(), 1u);
        EXPECT_EQ(store.At(0).sourceUrl, own.sourceUrl);
        std::set<std::string> addresses;
        for (const CacheEntry& row : store) EXPECT_TRUE(addresses.insert(row.sourceUrl).second) << row.sourceUrl;
        if (needed < at) break;  // ran to its end without the failure
    }
    EXPECT_GT(needed, 100);
}

}  // namespace
