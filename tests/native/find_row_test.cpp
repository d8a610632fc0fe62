// Type-to-find over the relative paths: prefix, case, wrap, code page 932 characters.
#include "list/find_row.h"

#include <gtest/gtest.h>

TEST(FindRowByPath, NextRowFromTheStartWhosePathBeginsWithTheText) {
    EntryStore store;
    // 0 index.html, 1 img/表.gif, 2 IMG/b.png, 3 ア.txt (83 41), 4 img/ア, 5 表 cut to its lead byte
    for (const char* path : {"index.html", "img/\x95\x5c.gif", "IMG/b.png", "\x83\x41.txt", "img/\x83\x41", "\x95"}) {
        CacheEntry entry;
        entry.relativePath = path;
        store.Append(entry);
    }
    struct Case { const char* text; int start; bool partial, wrap; int row; } cases[] = {
        {"i", 0, true, false, 0},
        {"Im", 0, true, false, 1},           // ASCII letters either case
        {"im", 2, true, false, 2},
        {"img/", 5, true, true, 1},          // wraps once past the last row
        {"img/", 5, true, false, -1},
        {"index.html", 1, true, true, 0},
        {"INDEX.HTML", 0, false, false, 0},  // whole path
        {"index.htm", 0, false, true, -1},
        {"z", 0, true, true, -1},
        {"", 0, true, true, -1},
        {"\x01", 0, true, true, -1},         // what Ctrl+A types
        {"i", 9, true, true, 0},             // a start past the end
        {"i", 9, true, false, -1},
        {"i", -1, true, false, 0},
        {"img/\x95\x5c", 2, true, true, 1},  // img/表: the trail 5C is no "\" and no half
        {"img/\x95", 0, true, true, -1},     // half a character never matches a whole one
        {"img/\x83\x61", 0, true, true, -1}, // ア's trail byte 41 ("A") is never folded
        {"\x83\x41", 0, true, true, 3},
        {"\x95", 0, false, true, 5},         // a cut lead byte matches only itself
        {"img\\", 0, true, true, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindRowByPath(store, c.start, RowSearch{c.text, c.partial, c.wrap}), c.row)
            << testing::PrintToString(std::string(c.text)) << " from " << c.start;
}
