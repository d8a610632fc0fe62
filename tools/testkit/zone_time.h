// Times in the zone the Windows tests run in, worked out without the
// platform's conversion: each zone the test scripts set (TZ) with its fixed
// offset written out here, and plain calendar arithmetic.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace testkit {

// Minutes east of UTC for the zone named by TZ; false for a zone not listed.
bool ZoneOffsetMinutes(int* minutes);

// The file time's value moved by the zone's offset (what local time stores).
uint64_t ZoneFileTimeValue(FILETIME utc, int offsetMinutes);

// "YYYY/MM/DD hh:mm" of a UTC file time in the zone, seconds dropped; ""
// when the moved time wraps to 2^63 or above (a zero time west of UTC).
std::string ZoneTimeText(FILETIME utc, int offsetMinutes);

// A time cell as the list shows it in the zone that TZ names: "" for a zero
// time, which the cache did not know, in every zone; a text that says so for
// a zone not listed (so that no expectation matches by chance).
std::string ListTimeText(FILETIME utc);

}  // namespace testkit
