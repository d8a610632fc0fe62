// Definitions of the program-wide objects, in their order of construction.
#include "app/program.h"

SettingsFile settingsFile;
EntryStore entryStore;
SortFlags sortFlags;
char ModuleDirectory[260];
