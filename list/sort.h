// Sorting the entry store by a result list column.
#pragma once

#include "cache/cache_entry.h"

// Direction of the next sort per column: false = descending, true = ascending.
struct SortFlags {
    bool ascending[5] = {false, false, false, false, false};
};

// Sorts the store by column 0-4 and flips that column's flag; any other column
// changes nothing.
void SortByColumn(EntryStore& store, SortFlags& flags, int column);
