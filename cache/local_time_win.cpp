// Cache times in local time. A time converts with the offset in force at that
// time (summer or winter time, by that year's rules), as Explorer shows it:
// FileTimeToLocalFileTime applies today's offset to every time, an hour off
// for half of the year in a zone with summer time.
#include "cache/local_time_win.h"

const ZoneOps realZoneOps = {GetDynamicTimeZoneInformation, GetTimeZoneInformationForYear};
ZoneOps zoneOps = realZoneOps;

namespace {

// With "Adjust for daylight saving time automatically" turned off, Windows
// keeps standard time all year, but the rules looked up by the zone's key
// still carry the summer dates: they go, and the standard bias is all.
void WithoutSummerTime(TIME_ZONE_INFORMATION& rules) {
    rules.Bias += rules.StandardBias;
    rules.StandardBias = 0;
    rules.DaylightBias = 0;
    rules.StandardDate = SYSTEMTIME{};
    rules.DaylightDate = SYSTEMTIME{};
}

// The rules in force in a year; null for the zone's current rules, which
// SystemTimeToTzSpecificLocalTime then reads itself.
const TIME_ZONE_INFORMATION* RulesFor(ZoneRules& rules, WORD year) {
    if (!rules.known) return nullptr;
    for (const ZoneRules::Year& slot : rules.years)
        if (slot.year == year) return &slot.rules;
    ZoneRules::Year& slot = rules.years[rules.nextSlot];
    if (!zoneOps.getTimeZoneInformationForYear(year, &rules.zone, &slot.rules)) return nullptr;
    if (rules.zone.DynamicDaylightTimeDisabled) WithoutSummerTime(slot.rules);
    slot.year = year;
    rules.nextSlot = (rules.nextSlot + 1) % (sizeof rules.years / sizeof rules.years[0]);
    return &slot.rules;
}

uint64_t ValueOf(const FILETIME& time) { return FileTime{time.dwLowDateTime, time.dwHighDateTime}.Value(); }

// The UTC fields in local time by the rules of a year.
bool ToLocal(const SYSTEMTIME& utc, ZoneRules& rules, WORD year, SYSTEMTIME& local) {
    return SystemTimeToTzSpecificLocalTime(RulesFor(rules, year), &utc, &local) != FALSE;
}

}  // namespace

void ReadZone(ZoneRules& rules) {
    rules.known = zoneOps.getDynamicTimeZoneInformation(&rules.zone) != TIME_ZONE_ID_INVALID;
}

// A zero time is the cache's "no time" (the server sent none). It stays zero:
// converted, it would become a date near 1601 east of UTC and a value that no
// calendar can show west of it.
FileTime LocalTime(const FILETIME& utc, ZoneRules& rules) {
    if (utc.dwLowDateTime == 0 && utc.dwHighDateTime == 0) return FileTime{};
    SYSTEMTIME utcFields{};
    SYSTEMTIME localFields{};
    FILETIME utcWhole{};
    FILETIME localWhole{};
    // GetTimeZoneInformationForYear takes the local year; within hours of New
    // Year the UTC year is the other one, whose rules may differ: the first
    // conversion tells the local year, and a second one takes its rules.
    bool converted = FileTimeToSystemTime(&utc, &utcFields) && ToLocal(utcFields, rules, utcFields.wYear, localFields);
    if (converted && localFields.wYear != utcFields.wYear)
        converted = ToLocal(utcFields, rules, localFields.wYear, localFields);
    if (converted && SystemTimeToFileTime(&utcFields, &utcWhole) && SystemTimeToFileTime(&localFields, &localWhole)) {
        // The fields hold whole milliseconds: the offset between the two goes
        // onto the full time, which keeps its 100-ns ticks.
        return FileTime::FromValue(ValueOf(utc) + (ValueOf(localWhole) - ValueOf(utcWhole)));
    }
    // A time no calendar holds (2^63 and above, or moved before 1601).
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
    return FileTime{local.dwLowDateTime, local.dwHighDateTime};
}
