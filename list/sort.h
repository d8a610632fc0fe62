// Sorting the entry store by a result list column.
#pragma once

#include "cache/cache_entry.h"

// Direction of the next sort per column: false = descending, true = ascending.
struct SortFlags {
    bool ascending[5] = {false, false, false, false, false};
};

// Sorts the store by column 0-4 and flips that column's flag; any other column
// changes nothing. Ascending is stable; descending is exactly the reverse of
// what ascending would give, so entries with equal keys come out reversed.
// Keys are the stored values: paths and extensions as unsigned bytes (shorter
// first on an equal prefix), sizes as unsigned 32-bit, times as unsigned 64-bit.
void SortByColumn(EntryStore& store, SortFlags& flags, int column);
