// One row per address across the collected caches.
#include "cache/address_rows.h"

#include <utility>

AddressRows::AddressRows(EntryStore& store) : store_(store) {
    for (size_t row = 0; row < store_.Size(); ++row) rows_.emplace(store_.At(row).sourceUrl, row);
}

bool AddressRows::Offer(CacheEntry entry) {
    const auto [found, added] = rows_.emplace(entry.sourceUrl, store_.Size());
    if (added) {
        try {
            store_.Append(std::move(entry));
        } catch (...) {
            rows_.erase(found);  // no index to a row that never came
            throw;
        }
        return true;
    }
    CacheEntry& listed = store_.At(found->second);
    if (entry.lastAccess.Value() <= listed.lastAccess.Value()) return false;
    listed = std::move(entry);
    return true;
}

bool AddressRows::Takes(const CacheEntry& entry) const {
    const auto found = rows_.find(entry.sourceUrl);
    return found == rows_.end() || entry.lastAccess.Value() > store_.At(found->second).lastAccess.Value();
}
