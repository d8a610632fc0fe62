// Type-to-find over the relative paths: prefix, case, wrap, code page 932 characters.
#include "list/find_row.h"

#include <gtest/gtest.h>

TEST(FindRowByPath, NextRowFromTheStartWhosePathBeginsWithTheText) {
    EntryStore store;  // index.html, img/表.gif, IMG/b.png, img/ア (83 41), 表 cut to its lead byte, 1252 CaféA
    for (const char* path : {"index.html", "img/\x95\x5c.gif", "IMG/b.png", "img/\x83\x41", "\x95", "Caf\xe9" "A"}) {
        CacheEntry entry;
        entry.relativePath = path;
        store.Append(entry);
    }
    const LeadBytes* none = &NoLeadBytes();
    struct Case { const char* text; int start; bool partial, wrap; int row; const LeadBytes* table = &Cp932LeadBytes(); } cases[] = {
        {"Im", 0, true, false, 1},  {"im", 2, true, false, 2},  // ASCII either case, from the start row on
        {"img/", 4, true, true, 1}, {"img/", 4, true, false, -1},  // wrapping once, or not
        {"i", 9, true, true, 0},    {"i", 9, true, false, -1},  // a start past the end
        {"INDEX.HTML", 0, false, false, 0}, {"index.htm", 0, false, true, -1},  // the whole path
        {"z", 0, true, true, -1},   {"", 0, true, true, -1},
        {"img/\x95\x5c", 2, true, true, 1},    // 表: its trail byte 5C is no "\"
        {"img/\x95", 0, true, true, -1},       // half a character never matches a whole one
        {"img/\x83\x61", 0, true, true, -1},   // ア's trail byte 41 ("A") is never folded
        {"\x95", 0, false, true, 4},           // a cut lead byte matches only itself
        {"caf\xe9" "a", 0, true, false, -1},   // in code page 932 E9 41 is one character
        // No lead bytes (1252, UTF-8): every byte is a character of its own,
        // so the letter after a high byte folds, and 95 matches before a "\".
        {"caf\xe9" "a", 0, true, false, 5, none},
        {"img/\x95", 0, true, false, 1, none},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindRowByPath(store, c.start, RowSearch{c.text, c.partial, c.wrap}, *c.table), c.row)
            << testing::PrintToString(std::string(c.text)) << " from " << c.start;
}
