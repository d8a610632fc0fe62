// Browser integration (placeholder until it lands).
#include "browser/browser.h"

void FetchBrowserUrl(HWND) {}
void RegisterToolbarButton(HWND) {}
void UnregisterToolbarButton() {}
bool IsToolbarButtonRegistered() { return false; }
