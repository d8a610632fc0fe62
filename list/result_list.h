// The result list: a virtual report list view that shows the EntryStore row
// by row, and the save button that follows its selection.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "cache/cache_entry.h"

// Full-row select as the only extended style, the five columns (their widths
// scaled from 96 DPI to the display's), no rows.
void SetupListColumns(HWND list);

// Answers the list's request for the text of one cell (LVN_GETDISPINFOA)
// from the entry at item.iItem of the store. Nothing unless the mask asks for
// text; an unknown column gets nothing written, a row outside the store the
// empty text.
void FormatCellText(const EntryStore& store, LVITEMA& item);

// Answers the list's request to find a row (LVN_ODFINDITEMA; the list sends
// it when the user types in it): the row from the search's iStart on whose
// relative path begins with lvfi.psz (FindRowByPath), or -1, which leaves the
// selection as it is. Only text searches (LVFI_STRING, LVFI_PARTIAL or
// LVFI_SUBSTRING, LVFI_WRAP) find anything: rows have no item data or
// position of their own to look for.
LRESULT FindRowForList(const EntryStore& store, const NMLVFINDITEMA& request);
// The same request in Unicode (LVN_ODFINDITEMW), the text made into the bytes
// of the ANSI code page, which the paths are in.
LRESULT FindRowForList(const EntryStore& store, const NMLVFINDITEMW& request);

// Enables the save button exactly when at least one row is selected.
void UpdateSaveButton(HWND saveButton, HWND list);

// SortByColumn (list/sort.h) on the program-wide entryStore and sortFlags
// (app/program.h); the dialog calls this one on a column click.
void SortByColumn(int column);

// Selects every row; the list notifies the dialog as for any selection.
void SelectAllRows(HWND list);

// Puts the selected rows on the clipboard as tab-separated text, in
// CF_UNICODETEXT and in CF_TEXT (the ANSI code page, which shows the titles
// only as far as it spells them): the column titles, then the rows in list
// order. Nothing selected, a clipboard that cannot be opened or memory that
// cannot be had: the clipboard is left as it was.
void CopySelectedRows(HWND list, HWND owner);
