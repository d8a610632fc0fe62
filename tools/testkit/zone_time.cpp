// Zone offsets and calendar arithmetic for expected times.
#include "tools/testkit/zone_time.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testkit {

bool ZoneOffsetMinutes(int* minutes) {
    // Zones without summer time today; the platform converts file times with
    // the offset in force now, whatever the date.
    static const struct {
        const char* tz;
        int minutes;
    } zones[] = {
        {"Asia/Tokyo", 9 * 60}, {"<-03>3", -3 * 60}, {"America/Sao_Paulo", -3 * 60}, {"UTC", 0}, {"Etc/UTC", 0},
    };
    const char* tz = std::getenv("TZ");
    if (tz == nullptr) return false;
    for (const auto& zone : zones) {
        if (std::strcmp(zone.tz, tz) == 0) {
            *minutes = zone.minutes;
            return true;
        }
    }
    return false;
}

uint64_t ZoneFileTimeValue(FILETIME utc, int offsetMinutes) {
    const uint64_t value = (uint64_t{utc.dwHighDateTime} << 32) | utc.dwLowDateTime;
    return value + static_cast<uint64_t>(static_cast<int64_t>(offsetMinutes) * 60 * 10000000);
}

std::string ZoneTimeText(FILETIME utc, int offsetMinutes) {
    // A time moved to before 1601 wraps past 2^63, which the list shows empty.
    const uint64_t value = ZoneFileTimeValue(utc, offsetMinutes);
    if (value >> 63) return "";
    const uint64_t seconds = value / 10000000;
    // Days since 1970-01-01 (1601-01-01 is 134774 days earlier), then the
    // civil date from the day count in 400-year eras.
    const int64_t days = static_cast<int64_t>(seconds / 86400) - 134774;
    const unsigned secondOfDay = static_cast<unsigned>(seconds % 86400);
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(z - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld/%02u/%02u %02u:%02u", static_cast<long long>(year), month, day,
                  secondOfDay / 3600, secondOfDay / 60 % 60);
    return text;
}

std::string ListTimeText(FILETIME utc) {
    if (utc.dwLowDateTime == 0 && utc.dwHighDateTime == 0) return "";
    int offset = 0;
    if (!ZoneOffsetMinutes(&offset)) return "(TZ names no zone the tests know)";
    return ZoneTimeText(utc, offset);
}

}  // namespace testkit
