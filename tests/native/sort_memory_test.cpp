// Sorting when memory is short: without its key row or working buffer the sort
// still gives exactly the order it gives with them.
#include "list/sort.h"

#include <gtest/gtest.h>

#include <new>
#include <random>

namespace {
bool refuseNothrowAllocations = false;
int refusedRows = 0;     // array requests: the sort's key row
int refusedBuffers = 0;  // single requests: std::stable_sort's working buffer
}

// The sort asks for its key row and std::stable_sort for its working buffer
// with nothrow new; refusing those requests forces the in-place paths.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (refuseNothrowAllocations) {
        ++refusedBuffers;
        return nullptr;
    }
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (refuseNothrowAllocations) {
        ++refusedRows;
        return nullptr;
    }
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

namespace {

EntryStore RandomStore(size_t count) {
    std::mt19937 random(7);
    EntryStore store;
    for (size_t i = 0; i < count; ++i) {
        CacheEntry e;
        e.relativePath = std::string(1, char('a' + random() % 3)) + (random() % 2 ? "\x95\x5c" : "/x");
        e.extension = random() % 2 ? "gif" : "---";
        e.size = static_cast<uint32_t>(random() % 4);  // many equal keys
        e.lastAccess = FileTime::FromValue(random() % 3);
        e.lastModified = FileTime::FromValue((uint64_t(random() % 2) << 32) | (random() % 2));
        e.localFile = std::to_string(i);  // tells entries apart
        store.Append(e);
    }
    return store;
}

std::vector<std::string> Identities(const EntryStore& store) {
    std::vector<std::string> ids;
    for (const CacheEntry& e : store) ids.push_back(e.localFile);
    return ids;
}

TEST(SortWithoutMemory, GivesTheSameOrderAsWithMemory) {
    for (int column = 0; column < 5; ++column) {
        for (bool ascending : {false, true}) {
            EntryStore roomy = RandomStore(300), tight = RandomStore(300);
            SortFlags roomyFlags, tightFlags;
            roomyFlags.ascending[column] = tightFlags.ascending[column] = ascending;
            SortByColumn(roomy, roomyFlags, column);
            refusedRows = refusedBuffers = 0;
            refuseNothrowAllocations = true;
            SortByColumn(tight, tightFlags, column);
            refuseNothrowAllocations = false;
            // Without these the test would compare two sorts with memory.
            EXPECT_EQ(refusedRows, 1) << "the key row was asked for and refused, column " << column;
            EXPECT_GE(refusedBuffers, 1) << "the merge buffer was asked for and refused, column " << column;
            EXPECT_EQ(Identities(tight), Identities(roomy)) << "column " << column << " ascending " << ascending;
            EXPECT_EQ(tightFlags.ascending[column], !ascending);
        }
    }
}

}  // namespace
