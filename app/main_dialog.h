// MainDialog: the program's one window, a modal dialog from template 101.
#pragma once

#include <windows.h>

// The dialog procedure: one handler per message, the work done in the
// subsystems. Returns TRUE for the messages it handles.
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The collect command: cuts the address box's text to its directory, shows
// it back and collects the cache under it into the EntryStore; an address
// shorter than 8 bytes empties the store and the list instead.
void CollectCommand(HWND dialog);
