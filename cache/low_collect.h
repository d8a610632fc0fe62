// The low-integrity cache: Internet Explorer's Protected Mode keeps what it
// shows in WinINet stores of the low integrity level, which a process of a
// higher level does not enumerate. Tessiwok starts its own executable at low
// integrity in a non-interactive role; that process walks the cache it sees
// and writes the records under the prefix to an inherited pipe, and the
// parent appends them to its own rows.
#pragma once

#include <windows.h>

#include <string>

#include "cache/cache_entry.h"

// The platform steps that tests swap: starting the collector (a stand-in that
// writes prepared records instead) and how long it may take.
struct LowCollectorOps {
    // Whether this process runs above low integrity, so that a low store
    // exists that it does not see. False where the platform has no
    // integrity levels (before Vista) and in a low process.
    bool (*runsAboveLow)();
    // Starts program with commandLine, suspended, with writeEnd (inheritable)
    // as its only inherited handle and its standard output. On success the
    // caller owns both handles in info.
    bool (*start)(const std::wstring& program, std::wstring& commandLine, HANDLE writeEnd, PROCESS_INFORMATION& info);
    // The program started; empty: this executable.
    std::wstring program;
    // Milliseconds from the start until the collector is ended.
    DWORD timeLimitMs;
};

extern const LowCollectorOps realLowCollectorOps;
extern LowCollectorOps lowCollectorOps;

// The collection the dialog runs: the process's own cache (CollectCacheEntries)
// and then, where there is one, the low cache's records not already listed.
// Every failure of the low part leaves the own rows alone, without a message.
void CollectAllCacheEntries(const char* prefix, EntryStore& store);

// The role's marker: the whole command line is the program, this, and the
// prefix's bytes in hex (HexOfBytes). Nothing a user types.
extern const wchar_t kLowCollectorRole[];

// The non-interactive role: when the command line is the collector's, walks
// the cache, writes the records to standard output and returns true (the
// program then ends); false for every other command line.
bool RunLowCollectorRole();
