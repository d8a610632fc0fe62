// The result list's Win32 edge: answering LVN_GETDISPINFOA requests from the
// store (times through FileTimeToSystemTime, the Windows build's printf) and
// Unicode find requests in the ANSI code page. The columns and the save
// button are seen through the real dialog (tests/e2e).
#include "list/result_list.h"

#include <gtest/gtest.h>

#include <string>

#include "text/ansi_code_page_win.h"

namespace {

FileTime LocalFields(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME fields{};
    fields.wYear = year;
    fields.wMonth = month;
    fields.wDay = day;
    fields.wHour = hour;
    fields.wMinute = minute;
    fields.wSecond = second;
    FILETIME time{};
    SystemTimeToFileTime(&fields, &time);
    return FileTime{time.dwLowDateTime, time.dwHighDateTime};
}

class CellRequests : public ::testing::Test {
protected:
    void SetUp() override {
        CacheEntry e;
        e.relativePath = "img/\x95\x5c.gif";  // img/表.gif
        e.extension = "gif";
        e.size = 1280;
        e.lastAccess = LocalFields(2002, 12, 31, 23, 59, 58);
        e.lastModified = FileTime::FromValue(0x8000000000000000ull);  // beyond FileTimeToSystemTime
        e.localFile = "C:\\cache\\x.gif";
        store_.Append(e);
    }
    // The text written for one request, or "#" when nothing was written.
    std::string Ask(int row, int column, int capacity = 260, UINT mask = LVIF_TEXT) {
        std::string buffer(static_cast<size_t>(capacity) + 1, '#');
        LVITEMA item{};
        item.mask = mask;
        item.iItem = row;
        item.iSubItem = column;
        item.pszText = &buffer[0];
        item.cchTextMax = capacity;
        FormatCellText(store_, item);
        EXPECT_EQ(buffer.back(), '#') << "written past the capacity";
        return buffer.substr(0, buffer.find('\0') == std::string::npos ? 1 : buffer.find('\0'));
    }
    EntryStore store_;
};

TEST_F(CellRequests, EveryColumnOfARow) {
    EXPECT_EQ(Ask(0, 0), "img/\x95\x5c.gif");
    EXPECT_EQ(Ask(0, 1), "gif");
    EXPECT_EQ(Ask(0, 2), "1.2KB");  // the tie 1.25 rounds to even, as glibc's printf does
    EXPECT_EQ(Ask(0, 3), "2002/12/31 23:59");
    EXPECT_EQ(Ask(0, 4), "") << "a time the platform cannot convert shows nothing";
}

TEST_F(CellRequests, RequestsThatGetNothingOrLess) {
    EXPECT_EQ(Ask(0, 0, 260, LVIF_STATE), "#") << "no text asked for";
    EXPECT_EQ(Ask(0, 5), "#");
    EXPECT_EQ(Ask(0, -1), "#");
    EXPECT_EQ(Ask(1, 0), "") << "a row past the store";
    EXPECT_EQ(Ask(-1, 2), "");
    // The request's capacity reaches the writers (their bounds: native tests).
    EXPECT_EQ(Ask(0, 0, 7), "img/\x95");
    EXPECT_EQ(Ask(0, 3, 16), "");
    EXPECT_EQ(Ask(0, 1, 0), "#");
}

// The Unicode find request: the typed text becomes bytes of the ANSI code
// page, here Wine's 932, whose lead bytes AnsiLeadBytes read from GetCPInfo.
TEST_F(CellRequests, UnicodeFindTextBecomesBytesOfTheAnsiCodePage) {
    ASSERT_EQ(GetACP(), 932u) << "tools/wine-run.sh runs the tests with LANG=ja_JP.UTF-8";
    for (unsigned byte = 0; byte <= 0xFF; ++byte) {
        EXPECT_EQ(AnsiLeadBytes().IsLead(byte), IsDBCSLeadByte(byte) != FALSE) << byte;
        EXPECT_EQ(AnsiLeadBytes().IsTrail(byte), Cp932LeadBytes().IsTrail(byte)) << byte;
    }
    CacheEntry e;
    e.relativePath = "e.gif";
    store_.Append(e);
    struct Case { const wchar_t* text; LRESULT row; } cases[] = {
        {L"IMG/\u8868", 0},  // 表 as 95 5C
        {L"\u00e9", -1},     // é: not the best-fit e of row 1
        {L"E.", 1},
    };
    for (const Case& c : cases) {
        NMLVFINDITEMW request{NMHDR{}, 0, LVFINDINFOW{LVFI_PARTIAL | LVFI_WRAP, c.text, 0, {}, 0}};
        EXPECT_EQ(FindRowForList(store_, request), c.row) << testing::PrintToString(std::wstring(c.text));
    }
}

}  // namespace
