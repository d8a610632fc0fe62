// The result list's columns, cell text and save button state.
#include "list/result_list.h"

#include <cstring>
#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "app/program.h"
#include "list/cell_text.h"
#include "list/copy_text.h"
#include "list/find_row.h"
#include "list/sort.h"
#include "text/ansi_code_page_win.h"
#include "text/wide_text_win.h"

// Windows Vista's name for LVFI_PARTIAL, which mingw-w64's commctrl.h lacks.
#ifndef LVFI_SUBSTRING
#define LVFI_SUBSTRING 0x0004
#endif

namespace {

struct Column {
    const char* text;
    int format;
    int width;  // pixels at 96 DPI
};

// Header texts in code page 932 (this file is compiled with -fexec-charset=CP932),
// given to the list in Unicode so that any ANSI code page shows them.
const Column kColumns[] = {
    {"相対パス", LVCFMT_LEFT, 130},
    {"拡張子", LVCFMT_LEFT, 60},
    {"サイズ", LVCFMT_RIGHT, 60},
    {"最終アクセス", LVCFMT_LEFT, 120},
    {"更新日時", LVCFMT_LEFT, 120},
};

bool SplitWithPlatform(FileTime time, CalendarTime& calendar) {
    FILETIME fileTime{time.low, time.high};
    SYSTEMTIME fields{};
    if (!FileTimeToSystemTime(&fileTime, &fields)) return false;  // values of 2^63 and above
    calendar = CalendarTime{fields.wYear, fields.wMonth, fields.wDay, fields.wHour, fields.wMinute};
    return true;
}

// A time cell as the list shows it, for the list and for the copied text alike.
void FormatFileTime(const FileTime& time, char* buffer, int capacity) {
    FormatTimeCell(time, SplitWithPlatform, buffer, capacity);
}

// Pixels per logical inch of the display the list is shown on. The program
// is system-DPI-aware (its manifest says so), so this is the system's DPI,
// which is also what the dialog's font and size were scaled by.
int DisplayDpi(HWND list) {
    int dpi = 0;
    if (HDC screen = GetDC(list)) {
        dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(list, screen);
    }
    return dpi > 0 ? dpi : 96;
}

// The selected rows in list order.
std::vector<size_t> SelectedRows(HWND list) {
    std::vector<size_t> rows;
    int row = -1;
    while ((row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                MAKELPARAM(LVNI_SELECTED, 0)))) >= 0) {
        // A list answering out of order would loop for ever; rows only grow.
        if (!rows.empty() && static_cast<size_t>(row) <= rows.back()) break;
        rows.push_back(static_cast<size_t>(row));
    }
    return rows;
}

// The row a text search of the list's finds; -1 for other searches.
LRESULT FindRowWithFlags(const EntryStore& store, int start, UINT flags, const char* text) {
    if (text == nullptr || (flags & (LVFI_PARAM | LVFI_NEARESTXY)) != 0) return -1;
    // LVFI_WRAP alone asks for a text search, as LVFI_STRING does.
    if ((flags & (LVFI_STRING | LVFI_PARTIAL | LVFI_SUBSTRING | LVFI_WRAP)) == 0) return -1;
    RowSearch search;
    search.text = text;
    search.partial = (flags & (LVFI_PARTIAL | LVFI_SUBSTRING)) != 0;
    search.wrap = (flags & LVFI_WRAP) != 0;
    return FindRowByPath(store, start, search, AnsiLeadBytes());
}

// A movable block holding a copy of bytes, for the clipboard; null when
// memory cannot be had.
HGLOBAL BlockOf(const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr) return nullptr;
    void* copy = GlobalLock(block);
    if (copy == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(copy, bytes, size);
    GlobalUnlock(block);
    return block;
}

}  // namespace

void SetupListColumns(HWND list) {
    const int dpi = DisplayDpi(list);
    // A mask of 0 applies the style to every bit: all other extended styles are cleared.
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < 5; ++i) {
        // The list copies the text; the rows stay ANSI (LVN_GETDISPINFOA).
        std::wstring title = WideFromCp932(kColumns[i].text);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = kColumns[i].format;
        column.cx = MulDiv(kColumns[i].width, dpi, 96);
        column.pszText = &title[0];
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    SendMessageA(list, LVM_SETITEMCOUNT, 0, 0);
}

void FormatCellText(const EntryStore& store, LVITEMA& item) {
    if ((item.mask & LVIF_TEXT) == 0) return;
    if (item.pszText == nullptr || item.cchTextMax <= 0) return;
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= store.Size()) {
        item.pszText[0] = '\0';
        return;
    }
    const CacheEntry& entry = store.At(static_cast<size_t>(item.iItem));
    switch (item.iSubItem) {
    case 0: WriteCutText(entry.relativePath, item.pszText, item.cchTextMax); break;
    case 1: WriteCutText(entry.extension, item.pszText, item.cchTextMax); break;
    case 2: FormatSizeText(entry.size, item.pszText, item.cchTextMax); break;
    case 3: FormatFileTime(entry.lastAccess, item.pszText, item.cchTextMax); break;
    case 4: FormatFileTime(entry.lastModified, item.pszText, item.cchTextMax); break;
    default: break;  // no such column: nothing is written
    }
}

LRESULT FindRowForList(const EntryStore& store, const NMLVFINDITEMA& request) {
    return FindRowWithFlags(store, request.iStart, request.lvfi.flags, request.lvfi.psz);
}

LRESULT FindRowForList(const EntryStore& store, const NMLVFINDITEMW& request) {
    if (request.lvfi.psz == nullptr) return -1;
    // The paths are the ANSI bytes the cache gave. Wine's list keeps a few
    // typed characters; a text longer than any path is not looked for. A
    // character that the code page lacks is in no path: no best-fit stand-in
    // (é for e) may match instead.
    const std::wstring_view typed(request.lvfi.psz, wcsnlen(request.lvfi.psz, MAX_PATH + 1));
    std::string text;
    if (typed.size() > MAX_PATH || !AnsiFromWide(typed, text)) return -1;
    return FindRowWithFlags(store, request.iStart, request.lvfi.flags, text.c_str());
}

void UpdateSaveButton(HWND saveButton, HWND list) {
    LRESULT selected = SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0);
    EnableWindow(saveButton, selected != 0);
}

void SortByColumn(int column) { SortByColumn(entryStore, sortFlags, column); }

void SelectAllRows(HWND list) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void CopySelectedRows(HWND list, HWND owner) {
    // The titles are code page 932, the cells the ANSI bytes the cache gave:
    // the rows are built once without titles, and each form of the text gets
    // the titles line converted on its own.
    std::string ansiText;
    std::wstring wideText;
    try {  // no exception may leave the dialog's procedure: out of memory copies nothing
        const std::vector<size_t> rows = SelectedRows(list);
        if (rows.empty()) return;
        const char* titles[5];
        const char* const noTitles[5] = {};
        for (int i = 0; i < 5; ++i) titles[i] = kColumns[i].text;
        const std::wstring wideTitles = WideFromCp932(TabSeparatedRows(entryStore, {}, titles, FormatFileTime));
        std::string cells = TabSeparatedRows(entryStore, rows, noTitles, FormatFileTime);
        cells.erase(0, cells.find("\r\n") + 2);  // the empty titles line
        const std::wstring wideCells = WideFromAnsi(cells);
        if (wideTitles.empty() || (wideCells.empty() && !cells.empty())) return;  // a conversion ran out of memory
        ansiText = AnsiFromWideForDisplay(wideTitles) + cells;
        wideText = wideTitles + wideCells;
    } catch (const std::bad_alloc&) {
        return;
    }

    // Both forms are given, so the system makes neither from the other (and
    // needs no CF_LOCALE to know the code page of CF_TEXT: it is the ANSI
    // one). Each block belongs to the clipboard once SetClipboardData took it.
    HGLOBAL wideBlock = BlockOf(wideText.c_str(), (wideText.size() + 1) * sizeof(wchar_t));
    HGLOBAL ansiBlock = BlockOf(ansiText.c_str(), ansiText.size() + 1);
    if (wideBlock == nullptr || ansiBlock == nullptr || !OpenClipboard(owner)) {
        if (wideBlock != nullptr) GlobalFree(wideBlock);
        if (ansiBlock != nullptr) GlobalFree(ansiBlock);
        return;
    }
    EmptyClipboard();
    if (SetClipboardData(CF_UNICODETEXT, wideBlock) == nullptr) GlobalFree(wideBlock);
    if (SetClipboardData(CF_TEXT, ansiBlock) == nullptr) GlobalFree(ansiBlock);
    CloseClipboard();
}
