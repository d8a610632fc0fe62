// Bodies compressed here by zlib, Brotli and Zstandard, decoded back by Content-Encoding.
#include "save/body_decode.h"

#include <brotli/encode.h>
#include <gtest/gtest.h>
#include <zstd.h>

#include <string>

#include "tools/testkit/deflated.h"

namespace {

using testkit::Deflated;

std::string Brotli(const std::string& text) {
    std::string out(BrotliEncoderMaxCompressedSize(text.size()), '\0');
    size_t size = out.size();
    EXPECT_TRUE(BrotliEncoderCompress(5, 22, BROTLI_MODE_GENERIC, text.size(),
                                      reinterpret_cast<const uint8_t*>(text.data()), &size,
                                      reinterpret_cast<uint8_t*>(&out[0])));
    out.resize(size);
    return out;
}

std::string Zstd(const std::string& text) {
    std::string out(ZSTD_compressBound(text.size()), '\0');
    const size_t size = ZSTD_compress(&out[0], out.size(), text.data(), text.size(), 19);
    EXPECT_FALSE(ZSTD_isError(size));
    out.resize(size);
    return out;
}

// Collects what it is given; refuses after failAfter bytes.
struct StringSink : BodySink {
    std::string text;
    size_t failAfter = std::string::npos;
    bool Write(const unsigned char* bytes, size_t size) override {
        if (text.size() + size > failAfter) return false;
        text.append(reinterpret_cast<const char*>(bytes), size);
        return true;
    }
};

// Hands out the body in pieces of at most piece bytes; fails at failAt.
struct StringReader : BodyReader {
    std::string body;
    size_t piece, at = 0, failAt = std::string::npos;
    StringReader(std::string b, size_t p) : body(std::move(b)), piece(p) {}
    bool Read(unsigned char* buffer, size_t size, size_t& count) override {
        if (at >= failAt) return false;
        count = std::min({size, piece, body.size() - at});
        body.copy(reinterpret_cast<char*>(buffer), count, at);
        at += count;
        return true;
    }
};

// Some 330 KB that compress well but not to nothing: several output buffers.
std::string Page() {
    std::string text;
    for (int i = 0; text.size() < 330000; ++i) text += "<p>row " + std::to_string(i * 7919 % 10007) + "</p>\n";
    return text;
}

TEST(BodyDecode, EachEncodingInAnyPiecesAndWhatGoesWrong) {
    const std::string page = Page(), small = "hello, world\n";
    const std::string gzip = Deflated(page, 16 + 15);
    const std::string zstd = Zstd(page);
    const std::string legacy("\x26\xb5\x2f\xfd\x04\x58\x08\x08\x08\x08\x08\x08\x08\x00\x00\x60\xc0\x00\x00"
                             "\x64\xd7\x08\x08\x08\x08\x08\x41\x08\x08\x08\x08\x08\x08\x08\x08\x08\x1b", 37);
    struct Case {
        const char* name;
        std::string encoding, raw;
        size_t piece;
        DecodeStatus status;
        std::string decoded;  // when kOk
        uint64_t limit = kMaxDecodedBodySize;
    } cases[] = {
        {"identity", "", page, 4096, DecodeStatus::kOk, page},
        {"identity by name", " Identity ", small, 1, DecodeStatus::kOk, small},
        {"gzip", "gzip", gzip, 65536, DecodeStatus::kOk, page},
        {"gzip a byte at a time", "X-GZIP", gzip, 1, DecodeStatus::kOk, page},
        {"gzip then bytes after its end", "gzip", gzip + "trailing junk", 7, DecodeStatus::kOk, page},
        {"deflate in zlib's wrapping", "deflate", Deflated(page, 15), 1, DecodeStatus::kOk, page},
        {"raw deflate", "deflate", Deflated(page, -15), 3, DecodeStatus::kOk, page},
        {"raw deflate of a few bytes", "deflate", Deflated(small, -15), 1, DecodeStatus::kOk, small},
        {"br", "br", Brotli(page), 1000, DecodeStatus::kOk, page},
        {"zstd", "zstd", zstd, 5, DecodeStatus::kOk, page},
        {"zstd of two frames", "zstd", Zstd(small) + Zstd(small), 64, DecodeStatus::kOk, small + small},
        {"empty gzip body", "gzip", "", 1, DecodeStatus::kOk, ""},
        {"gzip cut short", "gzip", gzip.substr(0, gzip.size() - 4), 999, DecodeStatus::kTruncated, ""},
        {"br cut short", "br", Brotli(page).substr(0, 100), 999, DecodeStatus::kTruncated, ""},
        {"zstd cut short", "zstd", zstd.substr(0, zstd.size() / 2), 999, DecodeStatus::kTruncated, ""},
        {"gzip with a broken check", "gzip", gzip.substr(0, gzip.size() - 8) + "XXXX" + gzip.substr(gzip.size() - 4),
         999, DecodeStatus::kCorrupt, ""},
        {"not gzip at all", "gzip", page, 999, DecodeStatus::kCorrupt, ""},
        {"not brotli at all", "br", page, 999, DecodeStatus::kCorrupt, ""},
        {"zstd then junk", "zstd", Zstd(small) + "junk", 999, DecodeStatus::kCorrupt, ""},
        {"a skippable frame then zstd", "zstd", std::string("\x50\x2A\x4D\x18\x03\0\0\0abc", 11) + Zstd(small), 2,
         DecodeStatus::kOk, small},
        // zstd's legacy v0.6 format, which the library decodes only when its header comes whole.
        {"a legacy frame whole", "zstd", legacy, 999, DecodeStatus::kCorrupt, ""},
        {"a legacy frame in pieces", "zstd", legacy, 1, DecodeStatus::kCorrupt, ""},
        {"zstd then a legacy frame", "zstd", Zstd(small) + legacy, 999, DecodeStatus::kCorrupt, ""},
        {"gzip one byte past the limit", "gzip", gzip, 999, DecodeStatus::kTooLarge, "", page.size() - 1},
        {"gzip just at the limit", "gzip", gzip, 999, DecodeStatus::kOk, page, page.size()},
        {"br past the limit", "br", Brotli(page), 999, DecodeStatus::kTooLarge, "", 1000},
        {"zstd past the limit", "zstd", zstd, 999, DecodeStatus::kTooLarge, "", 1000},
        {"identity past the limit", "", small, 999, DecodeStatus::kTooLarge, "", 3},
        {"dictionary brotli", "dcb", Brotli(page), 999, DecodeStatus::kUnsupported, ""},
        {"a chain", "gzip, br", gzip, 999, DecodeStatus::kUnsupported, ""},
    };
    for (const Case& c : cases) {
        StringSink sink;
        StringReader reader(c.raw, c.piece);
        const DecodeStatus status = DecodeBody(reader, c.encoding, sink, c.limit);
        EXPECT_EQ(status, c.status) << c.name;
        if (c.status == DecodeStatus::kOk) {
            EXPECT_TRUE(sink.text == c.decoded) << c.name;
        } else if (c.status == DecodeStatus::kTooLarge) {
            EXPECT_LE(sink.text.size(), c.limit) << c.name;
        } else if (c.status == DecodeStatus::kUnsupported) {
            EXPECT_EQ(reader.at, 0u) << c.name << ": read anyway";
        }
    }
}

TEST(BodyDecode, ReaderOrSinkFailingStopsAtOnce) {
    const std::string page = Page();
    StringReader reader(Deflated(page, 16 + 15), 100);
    reader.failAt = 300;
    StringSink sink;
    EXPECT_EQ(DecodeBody(reader, "gzip", sink), DecodeStatus::kReadFailed);

    StringReader whole(Zstd(page), 100);
    StringSink refusing;
    refusing.failAfter = 70000;
    EXPECT_EQ(DecodeBody(whole, "zstd", refusing), DecodeStatus::kSinkFailed);
    EXPECT_LT(whole.at, whole.body.size()) << "read on after the sink refused";
}

TEST(BodyEncodingOf, NamesTokensAndRefusesChains) {
    struct Case {
        const char* value;
        BodyEncoding encoding;
    } cases[] = {
        {"", BodyEncoding::kIdentity},        {"identity", BodyEncoding::kIdentity},
        {" , ", BodyEncoding::kIdentity},     {"GZip", BodyEncoding::kGzip},
        {"x-gzip", BodyEncoding::kGzip},      {"\tdeflate ", BodyEncoding::kDeflate},
        {"br", BodyEncoding::kBrotli},        {"identity, zstd", BodyEncoding::kZstd},
        {"dcb", BodyEncoding::kUnsupported},  {"dcz", BodyEncoding::kUnsupported},
        {"gzip,gzip", BodyEncoding::kUnsupported}, {"compress", BodyEncoding::kUnsupported},
        {"gzip;q=1", BodyEncoding::kUnsupported},  {"br zstd", BodyEncoding::kUnsupported},
    };
    for (const Case& c : cases) EXPECT_EQ(BodyEncodingOf(c.value), c.encoding) << '"' << c.value << '"';
}

}  // namespace
