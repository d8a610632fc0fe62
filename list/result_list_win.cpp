// The result list's columns, cell text and save button state.
#include "list/result_list.h"

#include "app/program.h"
#include "list/cell_text.h"
#include "list/sort.h"

namespace {

struct Column {
    const char* text;
    int format;
    int width;  // pixels
};

// Header texts in code page 932 (this file is compiled with -fexec-charset=CP932).
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

}  // namespace

void SetupListColumns(HWND list) {
    // A mask of 0 applies the style to every bit: all other extended styles are cleared.
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < 5; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = kColumns[i].format;
        column.cx = kColumns[i].width;
        column.pszText = const_cast<char*>(kColumns[i].text);
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
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
    case 3: FormatTimeCell(entry.lastAccess, SplitWithPlatform, item.pszText, item.cchTextMax); break;
    case 4: FormatTimeCell(entry.lastModified, SplitWithPlatform, item.pszText, item.cchTextMax); break;
    default: break;  // no such column: nothing is written
    }
}

void UpdateSaveButton(HWND saveButton, HWND list) {
    LRESULT selected = SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0);
    EnableWindow(saveButton, selected != 0);
}

void SortByColumn(int column) { SortByColumn(entryStore, sortFlags, column); }
