// The program-wide objects, constructed in this order before the dialog opens
// and destroyed in the reverse order at exit.
#pragma once

#include "app/settings_file.h"
#include "cache/cache_entry.h"
#include "list/sort.h"

extern SettingsFile settingsFile;
extern EntryStore entryStore;
extern SortFlags sortFlags;

// Directory of the executable with its trailing "\" (260 bytes with the NUL).
extern char ModuleDirectory[260];
