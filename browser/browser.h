// Browser integration: the page address (over DDE, or from the page's window)
// and the toolbar button.
#pragma once

#include <windows.h>

// Puts the address of the page the browser shows into the address box, asked
// over DDE; true when that gave a non-empty address.
bool FetchBrowserUrl(HWND addressBox);

// The page's address for the address box: over DDE, and when that gives none,
// from the topmost page window on screen (browser/page_window.h).
void ShowPageAddress(HWND addressBox);

// Writes the button's key; false, after telling the user, when the key could
// not be made (nothing was written).
bool RegisterToolbarButton(HWND owner);
void UnregisterToolbarButton();
bool IsToolbarButtonRegistered();
