// The real Tessiwok.exe on a cache index that Internet Explorer 11 wrote on
// Windows 7: ../shared/data/win7-ie11-cache/index.dat, from the test data of
// the plaso project (thanks to the plaso authors; Apache License 2.0). Long
// addresses with queries, entries whose server sent no last-modified time,
// and cached files that are gone. Runs in a Wine prefix of its own with
// TZ=Asia/Tokyo (UTC+9 all year), so the times below are written out.
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/testkit/installed_cache_index.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/windows_cache_index.h"

namespace {

const std::string kIndex = testkit::SharedDataFile("win7-ie11-cache/index.dat");
::testing::Environment* const installed = ::testing::AddGlobalTestEnvironment(new testkit::InstalledCacheIndex(kIndex));

struct Row {
    const char* path;
    const char* extension;
    uint32_t size;
    const char* sizeText;
    uint64_t access;  // UTC file times as the index holds them
    const char* accessText;
    uint64_t modified;
    const char* modifiedText;
};

// Every http:// entry of the index; times are the UTC times plus 9 hours.
const Row kRows[] = {
    {"download.microsoft.com/download/9/1/1/91176CB7-4B64-4EE8-8BFC-FAADFD437F26/Windows6.1-KB2639308-x64.cab", "cab", 5149227, "4.9MB", 0x01d0df267fd967d0ull, "2015/08/25 20:09", 0x01cca79f816dd800ull, "2011/11/21 01:14"},
    {"rss.msn.com/en-us/", "---", 71493, "69.8KB", 0x01d0df267f1f66a0ull, "2015/08/25 20:09", 0, ""},
    {"static-hp-neu.s-msn.com/sc/54/4f1880.ico", "ico", 4286, "4.2KB", 0x01d0df25ee8b1260ull, "2015/08/25 20:05", 0x01d057ef61999600ull, "2015/03/06 18:24"},
    {"download.microsoft.com/download/2/1/C/21C5BF29-634B-4D37-803D-AA565C267B15/IE11-Windows6.1-x64-de-de.exe", "exe", 63320784, "60.4MB", 0x01d0df262d5d60b0ull, "2015/08/25 20:07", 0, ""},
    {"download.microsoft.com/download/D/7/9/D79A0158-00A8-417D-9C12-F1082A86D5A8/Windows6.1-KB2834140-v2-x64.msu", "msu", 1003796, "980.3KB", 0x01d0df267ebdbea0ull, "2015/08/25 20:09", 0x01ce82026a94b880ull, "2013/07/16 17:56"},
    {"download.microsoft.com/download/6/C/A/6CA15546-A46C-4333-B405-AB18785ABB66/Windows6.1-KB2729094-v2-x64.msu", "msu", 1663018, "1.6MB", 0x01d0df268019cc30ull, "2015/08/25 20:09", 0x01cd91ad8330de00ull, "2012/09/13 21:44"},
    {"download.microsoft.com/download/1/4/9/14936FE9-4D16-4019-A093-5E00182609EB/Windows6.1-KB2670838-x64.cab", "cab", 11795896, "11.2MB", 0x01d0df268371a9c0ull, "2015/08/25 20:09", 0x01ce00abb405a700ull, "2013/02/02 03:41"},
    {"download.microsoft.com/download/1/8/F/18F9AE2C-4A10-417A-8408-C205420C22C3/Windows6.1-KB2786081-x64.cab", "cab", 61841, "60.4KB", 0x01d0df267da6d060ull, "2015/08/25 20:09", 0x01cdc8e6de3a2c00ull, "2012/11/23 04:23"},
    {"res1.windows.microsoft.com/resources/4.2/wol/shared/images/favicon.ico", "ico", 7886, "7.7KB", 0x01d0df25f7f30fb0ull, "2015/08/25 20:05", 0x01ceb0518f19df00ull, "2013/09/13 16:19"},
    {"download.microsoft.com/download/4/1/3/41321D2E-2D08-4699-A635-D9828AADB177/Windows6.1-KB2888049-x64.msu", "msu", 2041176, "1.9MB", 0x01d0df267f1861c0ull, "2015/08/25 20:09", 0x01ceb11473c3d800ull, "2013/09/14 15:34"},
    {"download.microsoft.com/download/7/1/7/7179A150-F2D2-4502-9D70-4B59EA148EAA/IE11-Windows6.1-x64-en-us.exe", "exe", 55915216, "53.3MB", 0x01d0df266dcbd2d0ull, "2015/08/25 20:08", 0, ""},
    {"download.microsoft.com/download/F/1/0/F106E158-89A1-41E3-A9B5-32FEB2A99A0B/Windows6.1-KB2533623-x64.msu", "msu", 2314805, "2.2MB", 0x01d0df267f8d1c90ull, "2015/08/25 20:09", 0x01cc230802c3d200ull, "2011/06/05 07:37"},
    {"download.microsoft.com/download/C/0/1/C0186BE0-0ADB-4AF3-B97D-11FCEBE6BD68/SetupPolicy.cab", "cab", 27189, "26.6KB", 0x01d0df2675c83230ull, "2015/08/25 20:09", 0x01d09d699fb04280ull, "2015/06/03 04:23"},
    {"www.bing.com/favicon.ico", "ico", 1150, "1.1KB", 0x01d0df25f899fe10ull, "2015/08/25 20:05", 0x01cecc67aad35f00ull, "2013/10/19 10:08"},
    {"download.microsoft.com/download/D/1/F/D1FBC611-CB6A-4BDF-9FC4-DF8F1407E0C9/Windows6.1-KB2731771-x64.cab", "cab", 6510307, "6.2MB", 0x01d0df26828f3900ull, "2015/08/25 20:09", 0x01cd7f69957e7a00ull, "2012/08/21 15:52"},
    {"www.microsoft.com/favicon.ico", "ico", 17174, "16.8KB", 0x01d0df2613297620ull, "2015/08/25 20:06", 0x01d0a270110f5a00ull, "2015/06/09 13:52"},
    {"download.microsoft.com/download/6/1/4/6141BFD5-40FD-4148-A3C9-E355338A9AC8/Windows6.1-KB2882822-x64.msu", "msu", 8439057, "8.0MB", 0x01d0df268397cf60ull, "2015/08/25 20:09", 0x01cea4b90d567d00ull, "2013/08/29 22:09"},
    {"download.microsoft.com/download/C/0/1/C0186BE0-0ADB-4AF3-B97D-11FCEBE6BD68/IE11-Windows6.1-KB2841134-x64.cab", "cab", 58464861, "55.8MB", 0x01d0df268bf00a60ull, "2015/08/25 20:09", 0x01d09d89e7df5d00ull, "2015/06/03 08:14"},
    {"www.microsoft.com/athome/community/rss.xml", "xml", 25296, "24.7KB", 0x01d0df267cf3fb20ull, "2015/08/25 20:09", 0x01d0d9e8f8968b00ull, "2015/08/19 04:06"},
    {"www.microsoft.com/atwork/community/rss.xml", "xml", 32251, "31.5KB", 0x01d0df267cb851b0ull, "2015/08/25 20:09", 0x01d0de81e94c8d00ull, "2015/08/25 00:31"},
};

const Row& RowOf(const std::string& path) {
    for (const Row& row : kRows)
        if (path == row.path) return row;
    ADD_FAILURE() << "the list shows a row that the index does not hold: " << path;
    return kRows[0];
}

std::vector<std::string> Cells(const Row& row) {
    return {row.path, row.extension, row.sizeText, row.accessText, row.modifiedText};
}

// Column c of a < column c of b, on the stored values.
bool Less(int column, const Row& a, const Row& b) {
    switch (column) {
    case 0: return std::string(a.path) < b.path;
    case 1: return std::string(a.extension) < b.extension;
    case 2: return a.size < b.size;
    case 3: return a.access < b.access;
    default: return a.modified < b.modified;
    }
}

const char kSaveAsTitle[] = "キャッシュデータの保存先の決定";
const char kCopied[] = "キャッシュデータをコピーしました";
const char kCopyError[] = "キャッシュデータのコピー中にエラーが発生しました";
constexpr int kFileNameField = 0x047C;  // cmb13; its inner Edit carries the same id

class WindowsCache : public ::testing::Test {
protected:
    // "http://www.bing.com" is cut to "http://": every http entry of the index.
    void StartAndCollect() {
        ASSERT_TRUE(app_.Start()) << app_.LastError();
        Collect();
    }
    void Collect() {
        ASSERT_TRUE(app_.SetAddress("http://www.bing.com"));
        ASSERT_TRUE(app_.Click(IDC_COLLECT));
        ASSERT_EQ(app_.Address(), "http://");
        ASSERT_EQ(app_.RowCount(), 20);
    }
    std::vector<std::string> Paths() {
        std::vector<std::string> paths;
        for (int row = 0; row < app_.RowCount(); ++row) paths.push_back(app_.CellText(row, 0));
        return paths;
    }
    int RowShowing(const std::string& path) {
        const std::vector<std::string> paths = Paths();
        return static_cast<int>(std::find(paths.begin(), paths.end(), path) - paths.begin());
    }
    // Clicks a header, first scrolling the list so that the header is in view
    // (a header ignores clicks outside its client area).
    void ClickHeader(int column) {
        RECT client{};
        GetClientRect(app_.Header(), &client);
        e2e::RemoteMemory memory(app_.Process(), sizeof(RECT));
        RECT item{};
        DWORD_PTR ok = 0;
        ASSERT_TRUE(memory.Write(item));
        SendMessageTimeoutA(app_.Header(), HDM_GETITEMRECT, column, memory.Address(), SMTO_NORMAL, 5000, &ok);
        ASSERT_TRUE(ok && memory.Read(item));
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(app_.List(), LVM_SCROLL, item.right > client.right ? item.right - client.right : -10000,
                            0, SMTO_NORMAL, 5000, &ignored);
        ASSERT_TRUE(app_.ClickColumnHeader(column));
    }
    // Saves the row through Save As to path; returns the message shown after it.
    std::string SaveRowAs(int row, const std::string& proposed, const std::string& path) {
        EXPECT_TRUE(app_.SelectRows({row}));
        EXPECT_TRUE(app_.Click(IDC_SAVE));
        HWND saveAs = app_.WaitForDialogTitled(kSaveAsTitle);
        if (saveAs == nullptr) return "(no Save As)";
        HWND name = e2e::FindDescendant(saveAs, kFileNameField, "Edit");
        EXPECT_EQ(e2e::WindowText(name), proposed);
        EXPECT_TRUE(e2e::SetWindowTextOf(name, path));
        EXPECT_TRUE(app_.PressDialogButton(saveAs, IDOK));
        HWND box = app_.WaitForDialogTitled("Tessiwok");
        if (box == nullptr) return "(no message)";
        std::string text = e2e::MessageBoxText(box);
        EXPECT_TRUE(app_.PressDialogButton(box, IDOK));
        return text;
    }
    e2e::Tessiwok app_;
};

TEST_F(WindowsCache, ListShowsEveryCellAndAnUnknownTimeAsAnEmptyCell) {
    StartAndCollect();
    std::vector<std::vector<std::string>> expected;
    for (const std::string& path : Paths()) expected.push_back(Cells(RowOf(path)));
    EXPECT_EQ(app_.ReadCells(), expected);
    // The entry with a query after a "/" and no last-modified time.
    const int rss = RowShowing("rss.msn.com/en-us/");
    EXPECT_EQ(app_.CellText(rss, 4), "");
    EXPECT_EQ(app_.CellText(RowShowing("www.microsoft.com/favicon.ico"), 4), "2015/06/09 13:52");
}

// A first click on each column sorts descending: the reverse of the stable
// ascending order from the order shown before it. Unknown times are the
// smallest, so they come last.
TEST_F(WindowsCache, EachColumnSortsByItsStoredValues) {
    StartAndCollect();
    for (int column = 0; column < 5; ++column) {
        Collect();  // back to the cache's order; every column is clicked once
        std::vector<const Row*> order;
        for (const std::string& path : Paths()) order.push_back(&RowOf(path));
        std::stable_sort(order.begin(), order.end(), [&](const Row* a, const Row* b) { return Less(column, *a, *b); });
        std::reverse(order.begin(), order.end());
        std::vector<std::string> expected;
        for (const Row* row : order) expected.push_back(row->path);

        ClickHeader(column);
        EXPECT_EQ(Paths(), expected) << "column " << column;
    }
    for (int row = 17; row < 20; ++row) EXPECT_EQ(app_.CellText(row, 4), "") << row;
}

TEST_F(WindowsCache, SaveAsCopiesACachedFileAndReportsOneThatIsGone) {
    std::string bytes;
    for (int i = 0; i < 17174; ++i) bytes.push_back(static_cast<char>((i * 37 + 11) & 0xFF));
    ASSERT_NE(testkit::CreateCachedFile("http://www.microsoft.com/favicon.ico?v2", bytes), "");
    const std::string out = testkit::MakeScratchDirectory(testkit::UniqueName("windows-cache-out"));
    StartAndCollect();

    EXPECT_EQ(SaveRowAs(RowShowing("www.microsoft.com/favicon.ico"), "favicon.ico", out + "\\favicon.ico"), kCopied);
    EXPECT_EQ(testkit::ReadWholeFile(out + "\\favicon.ico"), bytes);

    // www.bing.com/favicon.ico has no cached file: nothing is written.
    const std::string gone = testkit::MakeScratchDirectory(testkit::UniqueName("windows-cache-gone"));
    EXPECT_EQ(SaveRowAs(RowShowing("www.bing.com/favicon.ico"), "favicon.ico", gone + "\\bing.ico"), kCopyError);
    EXPECT_EQ(testkit::FilesIn(gone), std::vector<std::string>{});
    ASSERT_TRUE(app_.Settle());
    EXPECT_TRUE(app_.OtherWindows().empty());
    EXPECT_EQ(testkit::ReadWholeFile(testkit::CacheIndexFolder() + "\\index.dat"), testkit::ReadWholeFile(kIndex))
        << "the program changed the cache index";
}

}  // namespace
