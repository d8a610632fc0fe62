// Browser integration: the page address over DDE and the toolbar button.
#pragma once

#include <windows.h>

// Puts the address of the page the browser shows into the address box.
void FetchBrowserUrl(HWND addressBox);

void RegisterToolbarButton(HWND owner);
void UnregisterToolbarButton();
bool IsToolbarButtonRegistered();
