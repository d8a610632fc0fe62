// Cache times in local time by the rules of the local year, and without
// summer time where the user turned automatic summer time off: through the
// ZoneOps seam, since no Wine zone differs by year or has that switch.
#include "cache/local_time_win.h"

#include <gtest/gtest.h>

#include "tools/testkit/url_cache_fixture.h"

namespace {

BOOLEAN summerTimeOff = FALSE;

DWORD WINAPI FakeZone(PDYNAMIC_TIME_ZONE_INFORMATION zone) {
    *zone = DYNAMIC_TIME_ZONE_INFORMATION{};
    zone->Bias = -60;
    zone->DynamicDaylightTimeDisabled = summerTimeOff;
    return TIME_ZONE_ID_STANDARD;
}

// UTC+1 up to 2025 and UTC+2 from 2026 (a zone that moved), each year with an
// hour of summer time from the last Sunday of March to that of October.
BOOL WINAPI RulesByYear(USHORT year, PDYNAMIC_TIME_ZONE_INFORMATION, LPTIME_ZONE_INFORMATION rules) {
    *rules = TIME_ZONE_INFORMATION{};
    rules->Bias = year <= 2025 ? -60 : -120;
    rules->DaylightBias = -60;
    rules->StandardDate = SYSTEMTIME{0, 10, 0, 5, 3, 0, 0, 0};
    rules->DaylightDate = SYSTEMTIME{0, 3, 0, 5, 2, 0, 0, 0};
    return TRUE;
}

TEST(LocalTime, RulesOfTheLocalYearAndNoSummerTimeWhenTurnedOff) {
    using testkit::UtcFileTime;
    const struct {
        const char* what;
        FILETIME utc;
        BOOLEAN off;
        FILETIME local;
    } rows[] = {
        {"New Year in UTC+2", UtcFileTime(2025, 12, 31, 23, 30, 0), FALSE, UtcFileTime(2026, 1, 1, 1, 30, 0)},
        {"summer 2025", UtcFileTime(2025, 7, 15, 12, 0, 0), FALSE, UtcFileTime(2025, 7, 15, 14, 0, 0)},
        {"winter 2026", UtcFileTime(2026, 1, 15, 12, 0, 0), FALSE, UtcFileTime(2026, 1, 15, 14, 0, 0)},
        {"summer time off", UtcFileTime(2025, 7, 15, 12, 0, 0), TRUE, UtcFileTime(2025, 7, 15, 13, 0, 0)},
    };
    zoneOps = {FakeZone, RulesByYear};
    for (const auto& row : rows) {
        summerTimeOff = row.off;
        ZoneRules rules;
        ReadZone(rules);
        const FileTime expected{row.local.dwLowDateTime, row.local.dwHighDateTime};
        EXPECT_EQ(LocalTime(row.utc, rules).Value(), expected.Value()) << row.what;
    }
    zoneOps = realZoneOps;
}

}  // namespace
