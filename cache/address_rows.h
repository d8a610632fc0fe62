// One row per address when several caches are collected into one list: an
// address held by more than one of them is listed once, as the entry last
// accessed.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

#include "cache/cache_entry.h"

class AddressRows {
public:
    // Indexes the rows the store holds already (the program's own store, whose
    // addresses are unique).
    explicit AddressRows(EntryStore& store);

    // Appends the entry when its address is new; replaces the listed row in
    // place when the entry was accessed later; drops it otherwise, so that on
    // a tie the row offered first stays. True when the entry became a row.
    bool Offer(CacheEntry entry);

    // Whether the address is listed already (a cheap test before an entry is
    // built).
    bool Lists(const std::string& address) const { return rows_.count(address) != 0; }

private:
    EntryStore& store_;
    std::unordered_map<std::string, size_t> rows_;  // address -> row
};
