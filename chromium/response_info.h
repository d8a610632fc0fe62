// What the listing needs of a cached HTTP response: the response info record
// the browser keeps as an entry's stream 0 (a pickle of flags, times and the
// NUL-separated status line and headers), and the HTTP date forms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct ResponseInfo {
    int status = 0;                 // from the status line; 0 when it has none
    bool truncated = false;         // the browser stored only part of the body
    uint64_t requestTime = 0;       // file times (100 ns since 1601, UTC); 0: unknown
    uint64_t responseTime = 0;
    uint64_t lastModified = 0;      // the Last-Modified header; 0: none or unreadable
    std::string contentEncoding;    // Content-Encoding, lower case, trimmed; several headers joined by ", "
    bool hasContentLength = false;
    uint64_t contentLength = 0;
    bool hasContentRange = false;
};

// Reads a stream 0 record. False when it is no response info record of a
// version the browser writes or a field runs past its end.
bool ParseResponseInfo(std::string_view record, ResponseInfo& info);

// An HTTP date in any of its three forms (IMF-fixdate "Sun, 06 Nov 1994
// 08:49:37 GMT", RFC 850 "Sunday, 06-Nov-94 08:49:37 GMT", asctime "Sun Nov
// 6 08:49:37 1994") as a UTC file time. False for anything else.
bool ParseHttpDate(std::string_view text, uint64_t& fileTime);

// A browser time (microseconds since 1601, UTC) as a file time; 0 for one
// out of range.
uint64_t FileTimeOfBrowserTime(int64_t microseconds);
