// Column sorting (placeholder until the result list lands).
#include "list/sort.h"

void SortByColumn(EntryStore&, SortFlags&, int) {}
