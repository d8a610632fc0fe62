// Bodies compressed with zlib for the tests that decode them; no windows.h,
// so the native tests use it too.
#pragma once

#include <zlib.h>

#include <string>

namespace testkit {

// text deflated whole at level 9: windowBits 15 wraps it for zlib, 16 + 15
// for gzip, -15 leaves it raw. Empty when zlib fails.
inline std::string Deflated(const std::string& text, int windowBits) {
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::string out(deflateBound(&stream, static_cast<uLong>(text.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    const bool whole = deflate(&stream, Z_FINISH) == Z_STREAM_END;
    out.resize(whole ? stream.total_out : 0);
    deflateEnd(&stream);
    return out;
}

}  // namespace testkit
