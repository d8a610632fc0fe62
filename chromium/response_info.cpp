// Reads the response info record of a browser cache entry and HTTP dates.
#include "chromium/response_info.h"

#include <cstddef>
#include <cstring>

#include "chromium/cache_files.h"

namespace {

// Flags of the record: its version in the low byte, then what it holds.
constexpr uint32_t kVersionMask = 0xFF;
constexpr uint32_t kOldestVersion = 1;
constexpr uint32_t kNewestVersion = 3;
constexpr uint32_t kTruncated = 1u << 12;
constexpr uint32_t kHasExtraFlags = 1u << 31;
constexpr uint32_t kExtraHasOriginalResponseTime = 1u << 2;

// The pickle's fields, each starting at a multiple of 4 from the payload.
class PickleReader {
public:
    explicit PickleReader(std::string_view record) {
        if (record.size() < 4) return;
        const auto* bytes = reinterpret_cast<const unsigned char*>(record.data());
        const uint32_t payload = Le32(bytes);
        if (payload > record.size() - 4) return;
        data_ = bytes + 4;
        size_ = payload;
        ok_ = true;
    }
    bool U32(uint32_t& value) {
        const unsigned char* p = Take(4);
        if (p != nullptr) value = Le32(p);
        return p != nullptr;
    }
    bool I64(int64_t& value) {
        const unsigned char* p = Take(8);
        if (p != nullptr) value = static_cast<int64_t>(Le64(p));
        return p != nullptr;
    }
    bool String(std::string_view& value) {
        uint32_t length = 0;
        if (!U32(length) || length > 0x7FFFFFFF) return false;
        const unsigned char* p = Take(length);
        if (p != nullptr) value = std::string_view(reinterpret_cast<const char*>(p), length);
        return p != nullptr;
    }

private:
    const unsigned char* Take(size_t count) {
        if (!ok_ || count > size_ - at_) return nullptr;
        const unsigned char* p = data_ + at_;
        const size_t aligned = (count + 3) & ~static_cast<size_t>(3);
        at_ = aligned > size_ - at_ ? size_ : at_ + aligned;
        return p;
    }
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
    size_t at_ = 0;
    bool ok_ = false;
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool Digits(std::string_view text, uint64_t& value, size_t longest) {
    if (text.empty() || text.size() > longest) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

// "HTTP/1.1 200 OK": the three digits after the first space.
int StatusOf(std::string_view line) {
    const size_t space = line.find(' ');
    if (line.compare(0, 5, "HTTP/") != 0 || space == std::string_view::npos) return 0;
    std::string_view code = line.substr(space + 1, 3);
    uint64_t value = 0;
    if (!Digits(code, value, 3) || code.size() != 3 || value < 100) return 0;
    if (line.size() > space + 4 && line[space + 4] != ' ') return 0;
    return static_cast<int>(value);
}

void TakeHeader(std::string_view name, std::string_view value, ResponseInfo& info) {
    if (EqualsNoCase(name, "Content-Encoding")) {
        if (!info.contentEncoding.empty()) info.contentEncoding += ", ";
        for (char c : value) info.contentEncoding.push_back(Lower(c));
    } else if (EqualsNoCase(name, "Last-Modified")) {
        if (!ParseHttpDate(value, info.lastModified)) info.lastModified = 0;
    } else if (EqualsNoCase(name, "Content-Length")) {
        uint64_t length = 0;
        // Two lengths that differ leave the body's length unknown: not whole.
        if (!Digits(value, length, 19) || (info.hasContentLength && length != info.contentLength))
            length = UINT64_MAX;
        info.hasContentLength = true;
        info.contentLength = length;
    } else if (EqualsNoCase(name, "Content-Range")) {
        info.hasContentRange = true;
    }
}

// Days from 1601-01-01 to the date (proleptic Gregorian calendar).
int64_t DaysSince1601(int64_t year, int64_t month, int64_t day) {
    static const int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const int64_t y = year - 1601;
    int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + kBefore[month - 1] + day - 1;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (leap && month > 2) ++days;
    return days;
}

int DaysIn(int64_t year, int64_t month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

int MonthOf(std::string_view name) {
    static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    if (name.size() != 3) return 0;
    for (int m = 0; m < 12; ++m)
        if (name.compare(0, 3, kMonths + 3 * m, 3) == 0) return m + 1;
    return 0;
}

bool ClockOf(std::string_view text, int64_t& seconds) {
    uint64_t h = 0, m = 0, s = 0;
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return false;
    if (!Digits(text.substr(0, 2), h, 2) || !Digits(text.substr(3, 2), m, 2) || !Digits(text.substr(6, 2), s, 2))
        return false;
    if (h > 23 || m > 59 || s > 60) return false;
    seconds = static_cast<int64_t>(h * 3600 + m * 60 + (s == 60 ? 59 : s));
    return true;
}

bool Assemble(int64_t year, int month, uint64_t day, int64_t clock, uint64_t& fileTime) {
    if (month == 0 || year < 1601 || year > 30827 || day < 1 || day > static_cast<uint64_t>(DaysIn(year, month)))
        return false;
    const int64_t seconds = DaysSince1601(year, month, static_cast<int64_t>(day)) * 86400 + clock;
    fileTime = static_cast<uint64_t>(seconds) * 10000000u;
    return true;
}

}  // namespace

uint64_t FileTimeOfBrowserTime(int64_t microseconds) {
    if (microseconds <= 0 || microseconds > INT64_MAX / 10) return 0;
    return static_cast<uint64_t>(microseconds) * 10;
}

bool ParseHttpDate(std::string_view text, uint64_t& fileTime) {
    text = Trimmed(text);
    size_t letters = 0;
    while (letters < text.size() && ((text[letters] >= 'A' && text[letters] <= 'Z') ||
                                     (text[letters] >= 'a' && text[letters] <= 'z')))
        ++letters;
    if (letters < 3) return false;
    const std::string_view rest = text.substr(letters);
    uint64_t day = 0, year = 0;
    int64_t clock = 0;
    if (letters == 3 && rest.size() == 26 && rest.compare(0, 2, ", ") == 0 && rest[4] == ' ' && rest[8] == ' ' &&
        rest[13] == ' ' && rest.substr(22) == " GMT") {
        // IMF-fixdate: ", 06 Nov 1994 08:49:37 GMT"
        if (!Digits(rest.substr(2, 2), day, 2) || !Digits(rest.substr(9, 4), year, 4) ||
            !ClockOf(rest.substr(14, 8), clock))
            return false;
        return Assemble(static_cast<int64_t>(year), MonthOf(rest.substr(5, 3)), day, clock, fileTime);
    }
    if (rest.size() >= 2 && rest[0] == ',' && rest[1] == ' ') {
        // RFC 850: ", 06-Nov-94 08:49:37 GMT" (a four-digit year taken too)
        const std::string_view date = rest.substr(2);
        const size_t space = date.find(' ');
        if (space != 9 && space != 11) return false;
        if (date[2] != '-' || date[6] != '-' || date.size() != space + 13 || date.substr(space + 9) != " GMT")
            return false;
        if (!Digits(date.substr(0, 2), day, 2) || !Digits(date.substr(7, space - 7), year, 4) ||
            !ClockOf(date.substr(space + 1, 8), clock))
            return false;
        // A two-digit year is the one in the century that puts it nearest the
        // cache's own time (browsers keep nothing from before 1970).
        if (space == 9) year += year < 70 ? 2000 : 1900;
        return Assemble(static_cast<int64_t>(year), MonthOf(date.substr(3, 3)), day, clock, fileTime);
    }
    if (letters == 3 && rest.size() == 21 && rest[0] == ' ' && rest[4] == ' ' && rest[7] == ' ' && rest[16] == ' ') {
        // asctime: " Nov  6 08:49:37 1994"
        std::string_view dayText = rest.substr(5, 2);
        if (dayText[0] == ' ') dayText.remove_prefix(1);
        if (!Digits(dayText, day, 2) || !Digits(rest.substr(17, 4), year, 4) || !ClockOf(rest.substr(8, 8), clock))
            return false;
        return Assemble(static_cast<int64_t>(year), MonthOf(rest.substr(1, 3)), day, clock, fileTime);
    }
    return false;
}

bool ParseResponseInfo(std::string_view record, ResponseInfo& info) {
    info = ResponseInfo();
    PickleReader pickle(record);
    uint32_t flags = 0, extraFlags = 0;
    if (!pickle.U32(flags)) return false;
    if ((flags & kHasExtraFlags) != 0 && !pickle.U32(extraFlags)) return false;
    const uint32_t version = flags & kVersionMask;
    if (version < kOldestVersion || version > kNewestVersion) return false;
    int64_t requestTime = 0, responseTime = 0, originalResponseTime = 0;
    if (!pickle.I64(requestTime) || !pickle.I64(responseTime)) return false;
    if ((extraFlags & kExtraHasOriginalResponseTime) != 0 && !pickle.I64(originalResponseTime)) return false;
    std::string_view headers;
    if (!pickle.String(headers)) return false;

    info.truncated = (flags & kTruncated) != 0;
    info.requestTime = FileTimeOfBrowserTime(requestTime);
    info.responseTime = FileTimeOfBrowserTime(responseTime);
    // The status line, then one "Name: value" per NUL-ended line.
    size_t at = 0;
    bool first = true;
    while (at < headers.size()) {
        size_t end = headers.find('\0', at);
        if (end == std::string_view::npos) end = headers.size();
        const std::string_view line = headers.substr(at, end - at);
        at = end + 1;
        if (first) {
            info.status = StatusOf(line);
            first = false;
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        TakeHeader(Trimmed(line.substr(0, colon)), Trimmed(line.substr(colon + 1)), info);
    }
    return info.status != 0;
}
