// One row per address across the collected caches.
#include "cache/address_rows.h"

#include <utility>

AddressRows::AddressRows(EntryStore& store) : store_(store) {
    for (size_t row = 0; row < store_.Size(); ++row) rows_.emplace(store_.At(row).sourceUrl, row);
}

bool AddressRows::Offer(CacheEntry entry) {
    const auto [found, added] = rows_.emplace(entry.sourceUrl, store_.Size());
    if (added) {
        store_.Append(std::move(entry));
        return true;
    }
    CacheEntry& listed = store_.At(found->second);
    if (entry.lastAccess.Value() <= listed.lastAccess.Value()) return false;
    listed = std::move(entry);
    return true;
}
