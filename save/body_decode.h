// An HTTP body as the server sent it (stored compressed by its Content-Encoding),
// decoded piece by piece with zlib, Brotli and Zstandard. Byte strings only:
// built natively too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

enum class BodyEncoding { kIdentity, kGzip, kDeflate, kBrotli, kZstd, kUnsupported };

// The encoding a Content-Encoding value names: tokens in any case, separated
// by commas with spaces or tabs around them; "identity" and empty tokens
// count for nothing. "x-gzip" is gzip. More than one encoding (a chain), or
// one not listed above (such as the dictionary encodings "dcb" and "dcz"),
// is kUnsupported.
BodyEncoding BodyEncodingOf(std::string_view contentEncoding);
inline bool IsDecodableEncoding(std::string_view contentEncoding) {
    return BodyEncodingOf(contentEncoding) != BodyEncoding::kUnsupported;
}

// The most decoded bytes a body may have: a copy larger than this is an error,
// as a cached file of 4 GiB or more is never listed.
inline constexpr uint64_t kMaxDecodedBodySize = 0xFFFFFFFFu;

enum class DecodeStatus {
    kOk,
    kUnsupported,  // the encoding cannot be decoded
    kCorrupt,      // the raw body is not valid in its encoding
    kTruncated,    // the raw body ended inside its compressed stream
    kTooLarge,     // the decoded body would pass the limit
    kSinkFailed,   // the sink refused a piece
    kReadFailed,   // the reader failed, or the body changed under it
    kNoMemory,
};

// Takes the decoded body piece by piece.
class BodySink {
public:
    virtual ~BodySink() = default;
    // False stops the decoding with kSinkFailed.
    virtual bool Write(const unsigned char* bytes, size_t size) = 0;
};

// Gives the raw body piece by piece.
class BodyReader {
public:
    virtual ~BodyReader() = default;
    // Reads up to size bytes into buffer and sets count (0: the body has
    // ended). False when the body cannot be read, or has changed since it was
    // listed.
    virtual bool Read(unsigned char* buffer, size_t size, size_t& count) = 0;
};

// One body's decoding. Memory stays bounded whatever the body holds: one
// output buffer and the library's state (a Brotli window of at most 16 MiB; a
// Zstandard window of at most 8 MiB, the most a zstd content coding may use).
// The end of a gzip, deflate or Brotli stream ends the body: bytes after it
// (which the browser ignores too) are not decoded. An empty raw body is an
// empty body in any encoding.
class BodyDecoder {
public:
    BodyDecoder(BodyEncoding encoding, BodySink& sink, uint64_t limit = kMaxDecodedBodySize);
    ~BodyDecoder();
    BodyDecoder(const BodyDecoder&) = delete;
    BodyDecoder& operator=(const BodyDecoder&) = delete;

    // The next piece of the raw body. After anything but kOk the decoder
    // stays in that state.
    DecodeStatus Feed(const unsigned char* bytes, size_t size);
    // The raw body has ended: kTruncated when its stream had not.
    DecodeStatus Finish();

    class Engine;  // one per encoding

private:
    DecodeStatus Emit(const unsigned char* bytes, size_t size);  // to the sink, within the limit

    BodySink& sink_;
    uint64_t limit_;
    uint64_t written_ = 0;
    bool anyInput_ = false;
    DecodeStatus status_ = DecodeStatus::kOk;
    std::unique_ptr<Engine> engine_;  // null for identity
};

// Reads the whole raw body from reader and hands it decoded to sink.
DecodeStatus DecodeBody(BodyReader& reader, std::string_view contentEncoding, BodySink& sink,
                        uint64_t limit = kMaxDecodedBodySize);
