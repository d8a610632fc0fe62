// Browser integration: the page address over DDE and the toolbar button.
#pragma once

#include <windows.h>

// Puts the address of the page the browser shows into the address box.
void FetchBrowserUrl(HWND addressBox);

// Writes the button's key; false, after telling the user, when the key could
// not be made (nothing was written).
bool RegisterToolbarButton(HWND owner);
void UnregisterToolbarButton();
bool IsToolbarButtonRegistered();
