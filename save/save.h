// Copying cached files out: one through Save As, several into a chosen folder.
#pragma once

#include <windows.h>

// Copies the entry behind the first selected row through the Save As dialog.
void SaveOneEntry(HWND list, HWND dialog);

// Copies the entries behind every selected row into a folder the user picks.
void SaveSelectedEntries(HWND list, HWND dialog);
