// Column sorting: directions per column, stability, the exact reverse for
// descending, and the order of each column's stored values.
#include "list/sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Entries are told apart by their local file, which no column sorts by.
CacheEntry Entry(const std::string& name) {
    CacheEntry e;
    e.localFile = name;
    return e;
}

CacheEntry WithSize(const std::string& name, uint32_t size) {
    CacheEntry e = Entry(name);
    e.size = size;
    return e;
}

CacheEntry WithPath(const std::string& path) {
    CacheEntry e = Entry(path);
    e.relativePath = path;
    return e;
}

CacheEntry WithExtension(const std::string& extension) {
    CacheEntry e = Entry(extension);
    e.extension = extension;
    return e;
}

EntryStore Store(const std::vector<CacheEntry>& entries) {
    EntryStore store;
    for (const CacheEntry& e : entries) store.Append(e);
    return store;
}

std::vector<std::string> Names(const EntryStore& store) {
    std::vector<std::string> names;
    for (const CacheEntry& e : store) names.push_back(e.localFile);
    return names;
}

using Names_ = std::vector<std::string>;

TEST(SortByColumn, SizesOverThreeClicks) {
    EntryStore store = Store({WithSize("A", 10), WithSize("B", 3000), WithSize("C", 10)});
    SortFlags flags;
    SortByColumn(store, flags, 2);
    EXPECT_EQ(Names(store), (Names_{"B", "C", "A"}));  // descending: equal sizes reversed
    SortByColumn(store, flags, 2);
    EXPECT_EQ(Names(store), (Names_{"C", "A", "B"}));  // ascending: C stays ahead of A
    SortByColumn(store, flags, 2);
    EXPECT_EQ(Names(store), (Names_{"B", "A", "C"}));
}

TEST(SortByColumn, EqualKeysReverseOnEveryDescendingSort) {
    for (int column = 0; column < 5; ++column) {
        EntryStore store = Store({Entry("A"), Entry("B"), Entry("C")});
        SortFlags flags;
        SortByColumn(store, flags, column);
        EXPECT_EQ(Names(store), (Names_{"C", "B", "A"})) << "column " << column;
        SortByColumn(store, flags, column);
        EXPECT_EQ(Names(store), (Names_{"C", "B", "A"})) << "column " << column;
        SortByColumn(store, flags, column);
        EXPECT_EQ(Names(store), (Names_{"A", "B", "C"})) << "column " << column;
    }
}

TEST(SortByColumn, DescendingIsTheExactReverseOfAscendingWithManyTies) {
    std::vector<CacheEntry> entries;
    for (int i = 0; i < 200; ++i) entries.push_back(WithSize("e" + std::to_string(i), static_cast<uint32_t>(i * 7 % 5)));
    EntryStore ascending = Store(entries);
    EntryStore descending = Store(entries);
    SortFlags up;
    up.ascending[2] = true;
    SortFlags down;
    SortByColumn(ascending, up, 2);
    SortByColumn(descending, down, 2);
    Names_ reversed = Names(ascending);
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(Names(descending), reversed);
    for (size_t i = 1; i < ascending.Size(); ++i) {
        ASSERT_LE(ascending.At(i - 1).size, ascending.At(i).size);
        if (ascending.At(i - 1).size != ascending.At(i).size) continue;
        // Stable: entries with equal sizes keep their first order.
        ASSERT_LT(std::stoi(ascending.At(i - 1).localFile.substr(1)), std::stoi(ascending.At(i).localFile.substr(1)));
    }
}

TEST(SortByColumn, EachColumnCountsItsOwnClicks) {
    EntryStore store = Store({WithPath("b"), WithPath("a"), WithPath("c")});
    store.At(0).size = 1;
    store.At(1).size = 3;
    store.At(2).size = 2;
    SortFlags flags;
    SortByColumn(store, flags, 0);
    EXPECT_EQ(Names(store), (Names_{"c", "b", "a"}));
    SortByColumn(store, flags, 2);
    EXPECT_EQ(Names(store), (Names_{"a", "c", "b"}));  // sizes 3, 2, 1
    SortByColumn(store, flags, 0);
    EXPECT_EQ(Names(store), (Names_{"a", "b", "c"}));
    EXPECT_TRUE(flags.ascending[2]);
    EXPECT_FALSE(flags.ascending[0]);
}

TEST(SortByColumn, EmptyAndSingleStoresStillFlipTheFlag) {
    EntryStore empty;
    SortFlags flags;
    SortByColumn(empty, flags, 1);
    EXPECT_TRUE(flags.ascending[1]);
    EXPECT_EQ(empty.Size(), 0u);

    // After a collection the next click on that column sorts ascending.
    EntryStore store = Store({WithExtension("gif"), WithExtension("css")});
    SortByColumn(store, flags, 1);
    EXPECT_EQ(Names(store), (Names_{"css", "gif"}));

    EntryStore one = Store({Entry("only")});
    SortByColumn(one, flags, 3);
    EXPECT_EQ(Names(one), Names_{"only"});
    EXPECT_TRUE(flags.ascending[3]);
}

TEST(SortByColumn, ColumnsOutsideTheFiveChangeNothing) {
    for (int column : {-1, 5, -2147483647 - 1, 2147483647}) {
        EntryStore store = Store({WithSize("A", 1), WithSize("B", 2)});
        SortFlags flags;
        SortByColumn(store, flags, column);
        EXPECT_EQ(Names(store), (Names_{"A", "B"})) << column;
        for (bool flag : flags.ascending) EXPECT_FALSE(flag) << column;
    }
}

// Ascending order of each column's values, given shuffled.
TEST(SortByColumn, AscendingOrderOfTheStoredValues) {
    const Names_ paths = {"A.gif", "B/x.gif", "a", "a.gif", "a/b.gif", "ab.gif",
                          "\x95\x5c.gif",  // 表: a lead byte above every 7-bit byte
                          "\xfc\x40"};
    const Names_ extensions = {"---", "GIF", "css", "gif", "jpg", "\x83\x65\x83\x4c"};
    std::vector<CacheEntry> shuffled;
    for (size_t i : {5, 2, 7, 0, 3, 6, 1, 4}) shuffled.push_back(WithPath(paths[i]));
    EntryStore store = Store(shuffled);
    SortFlags flags;
    flags.ascending[0] = true;
    SortByColumn(store, flags, 0);
    EXPECT_EQ(Names(store), paths);

    shuffled.clear();
    for (size_t i : {4, 1, 5, 0, 3, 2}) shuffled.push_back(WithExtension(extensions[i]));
    store = Store(shuffled);
    flags.ascending[1] = true;
    SortByColumn(store, flags, 1);
    EXPECT_EQ(Names(store), extensions);

    // Sizes as unsigned 32-bit: 2^31 and above never count as negative.
    store = Store({WithSize("max", 4294967295u), WithSize("zero", 0), WithSize("2^31", 2147483648u),
                   WithSize("1025", 1025), WithSize("1024", 1024)});
    flags.ascending[2] = true;
    SortByColumn(store, flags, 2);
    EXPECT_EQ(Names(store), (Names_{"zero", "1024", "1025", "2^31", "max"}));
}

TEST(SortByColumn, TimesCompareAsUnsigned64BitValues) {
    const uint64_t minute = 600000000ull;  // 100-ns units
    const uint64_t base = 126858527980000000ull;  // 2002-12-31 23:59:58
    struct Named { const char* name; uint64_t value; } times[] = {
        {"late", base + 300000000ull},  // 30 s later: the same minute on screen
        {"early", base},
        {"high", 0x80000000ull << 32},  // high half with its top bit set
        {"lowTop", 0x00000001FFFFFFFFull},  // low half all ones, high half small
        {"next", base + minute},
        {"same", base},
    };
    for (int column : {3, 4}) {
        EntryStore store;
        for (const Named& t : times) {
            CacheEntry e = Entry(t.name);
            (column == 3 ? e.lastAccess : e.lastModified) = FileTime::FromValue(t.value);
            store.Append(e);
        }
        SortFlags flags;
        flags.ascending[column] = true;
        SortByColumn(store, flags, column);
        EXPECT_EQ(Names(store), (Names_{"lowTop", "early", "same", "late", "next", "high"})) << "column " << column;
    }
}

}  // namespace
