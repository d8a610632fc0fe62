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
// writes prepared records instead), the calls Wine cannot be made to refuse,
// and the bounds of time and memory.
struct LowCollectorOps {
    // Whether this process runs above low integrity, so that a low store
    // exists that it does not see. False where the platform has no
    // integrity levels (before Vista) and in a low process.
    bool (*runsAboveLow)();
    // Starts program with commandLine as token (the low token), suspended,
    // with flags added to the creation flags and writeEnd (inheritable) as
    // its standard output and the only handle it inherits; fails rather than
    // let it inherit any other. On success the caller owns both handles in
    // info; token stays the caller's.
    bool (*start)(HANDLE token, const std::wstring& program, std::wstring& commandLine, HANDLE writeEnd, DWORD flags,
                  PROCESS_INFORMATION& info);
    // What start lists the inherited handle with; refused where the platform
    // takes no handle list.
    BOOL(WINAPI* updateAttribute)(LPPROC_THREAD_ATTRIBUTE_LIST list, DWORD flags, DWORD_PTR attribute, PVOID value,
                                  SIZE_T size, PVOID previous, PSIZE_T returned);
    // Refused on Windows 7 for a process already in a job.
    BOOL(WINAPI* assignToJob)(HANDLE job, HANDLE process);
    // The program started; empty: this executable.
    std::wstring program;
    // Milliseconds the collector may still take once the own walk has ended.
    DWORD timeLimitMs;
    // The most the low store's rows may hold (LowRowBytes summed).
    size_t mostRowBytes;
};

// What a row costs in memory, near enough: the entry and its texts.
size_t LowRowBytes(const CacheEntry& entry);

extern const LowCollectorOps realLowCollectorOps;
extern LowCollectorOps lowCollectorOps;

// The collection the dialog runs: the process's own cache (CollectCacheEntries)
// and then, where there is one, the low cache's records, one row per address
// (AddressRows): the entry last accessed, the own one on a tie. Every failure
// of the low part, memory that cannot be had among them, leaves the own rows
// alone, without a message.
void CollectAllCacheEntries(const char* prefix, EntryStore& store);

// The role's marker: the whole command line is the program, this, and the
// prefix's bytes in hex (HexOfBytes). Nothing a user types.
extern const wchar_t kLowCollectorRole[];

// The non-interactive role: when the command line is the collector's, walks
// the cache, writes the records to standard output and returns true (the
// program then ends); false for every other command line.
bool RunLowCollectorRole();
