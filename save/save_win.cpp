// Saving (placeholder until saving lands).
#include "save/save.h"

void SaveOneEntry(HWND, HWND) {}
void SaveSelectedEntries(HWND, HWND) {}
