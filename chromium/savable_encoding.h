// Which Content-Encoding values a saved copy can be decoded from. Kept here,
// in one place, until the save side's decoder answers the question itself.
#pragma once

#include <string_view>

// identity (or none), gzip, x-gzip, deflate, br and zstd; never a list of
// codings nor a dictionary coding (dcb, dcz).
inline bool IsSavableEncoding(std::string_view encoding) {
    return encoding.empty() || encoding == "identity" || encoding == "gzip" || encoding == "x-gzip" ||
           encoding == "deflate" || encoding == "br" || encoding == "zstd";
}
