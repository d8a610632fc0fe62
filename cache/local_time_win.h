// Cache times in local time as Explorer shows them: each with the offset in
// force at that time, by the rules of the local year.
#pragma once

#include <windows.h>

#include <cstddef>

#include "cache/cache_entry.h"

// The zone calls the conversion makes, as a table a test can swap to give
// rules that differ by year or a zone with automatic summer time turned off.
// Defaults to the real functions.
struct ZoneOps {
    DWORD(WINAPI* getDynamicTimeZoneInformation)(PDYNAMIC_TIME_ZONE_INFORMATION zone);
    BOOL(WINAPI* getTimeZoneInformationForYear)(USHORT year, PDYNAMIC_TIME_ZONE_INFORMATION zone,
                                                LPTIME_ZONE_INFORMATION rules);
};

extern const ZoneOps realZoneOps;
extern ZoneOps zoneOps;

// The local zone's rules, read once per collection (ReadZone) and once for
// each year the times fall in.
struct ZoneRules {
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    bool known = false;  // false: only the current rules, through a null zone
    struct Year {
        WORD year = 0;  // 0: slot unused
        TIME_ZONE_INFORMATION rules{};
    } years[8];
    size_t nextSlot = 0;
};

void ReadZone(ZoneRules& rules);

// A UTC cache time in local time. A zero time is the cache's "no time" and
// stays zero.
FileTime LocalTime(const FILETIME& utc, ZoneRules& rules);
