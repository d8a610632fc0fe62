// HTTP bodies decoded by Content-Encoding through zlib, Brotli and Zstandard.
#include "save/body_decode.h"

#include <brotli/decode.h>
#include <zlib.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <new>
#include <vector>

namespace {

constexpr size_t kOutputSize = 64 * 1024;
constexpr size_t kReadSize = 64 * 1024;
// zstd as a content coding may use windows up to 8 MiB (2^23); larger ones
// are refused rather than given the memory.
constexpr int kZstdWindowLogMax = 23;

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (x != b[i]) return false;
    }
    return true;
}

BodyEncoding TokenEncoding(std::string_view token) {
    if (EqualsIgnoringCase(token, "gzip") || EqualsIgnoringCase(token, "x-gzip")) return BodyEncoding::kGzip;
    if (EqualsIgnoringCase(token, "deflate")) return BodyEncoding::kDeflate;
    if (EqualsIgnoringCase(token, "br")) return BodyEncoding::kBrotli;
    if (EqualsIgnoringCase(token, "zstd")) return BodyEncoding::kZstd;
    return BodyEncoding::kUnsupported;
}

}  // namespace

BodyEncoding BodyEncodingOf(std::string_view value) {
    BodyEncoding found = BodyEncoding::kIdentity;
    while (true) {
        const size_t comma = std::min(value.find(','), value.size());
        std::string_view token = value.substr(0, comma);
        while (!token.empty() && IsSpace(token.front())) token.remove_prefix(1);
        while (!token.empty() && IsSpace(token.back())) token.remove_suffix(1);
        if (!token.empty() && !EqualsIgnoringCase(token, "identity")) {
            if (found != BodyEncoding::kIdentity) return BodyEncoding::kUnsupported;  // a chain
            found = TokenEncoding(token);
            if (found == BodyEncoding::kUnsupported) return found;
        }
        if (comma == value.size()) return found;
        value.remove_prefix(comma + 1);
    }
}

class BodyDecoder::Engine {
public:
    virtual ~Engine() = default;
    // False when the library's state could not be had.
    virtual bool Ready() const = 0;
    virtual DecodeStatus Decode(const unsigned char* bytes, size_t size, BodyDecoder& owner) = 0;
    // The input so far ends a whole stream.
    bool Complete() const { return complete_; }
    // Input from here on is not the body's.
    bool Closed() const { return closed_; }

protected:
    static DecodeStatus Emit(BodyDecoder& owner, size_t size, const std::vector<unsigned char>& output) {
        return size == 0 ? DecodeStatus::kOk : owner.Emit(output.data(), size);
    }
    void End() { complete_ = closed_ = true; }

    std::vector<unsigned char> output_ = std::vector<unsigned char>(kOutputSize);
    bool complete_ = false;
    bool closed_ = false;
};

namespace {

// gzip, and deflate in both forms servers send: zlib-wrapped as the standard
// says, or raw. Which one shows in the first two bytes, the zlib header.
class ZlibEngine : public BodyDecoder::Engine {
public:
    explicit ZlibEngine(BodyEncoding encoding) : gzip_(encoding == BodyEncoding::kGzip) {
        if (gzip_) Start(16 + MAX_WBITS);
    }
    ~ZlibEngine() override {
        if (started_) inflateEnd(&stream_);
    }
    bool Ready() const override { return started_ || !gzip_; }

    DecodeStatus Decode(const unsigned char* bytes, size_t size, BodyDecoder& owner) override {
        if (!started_) {
            // Deflate: the form is told by the first two bytes, which may come in two pieces.
            while (size > 0 && headerSize_ < 2) {
                header_[headerSize_++] = *bytes++;
                --size;
            }
            if (headerSize_ < 2) return DecodeStatus::kOk;
            const unsigned cmf = header_[0], flg = header_[1];
            const bool zlibHeader = (cmf & 0x0F) == Z_DEFLATED && (cmf >> 4) <= 7 && (cmf * 256 + flg) % 31 == 0;
            if (!Start(zlibHeader ? MAX_WBITS : -MAX_WBITS)) return DecodeStatus::kNoMemory;
            const DecodeStatus status = Inflate(header_, 2, owner);
            if (status != DecodeStatus::kOk || closed_) return status;
        }
        return Inflate(bytes, size, owner);
    }

private:
    bool Start(int windowBits) {
        started_ = inflateInit2(&stream_, windowBits) == Z_OK;
        return started_;
    }

    DecodeStatus Inflate(const unsigned char* bytes, size_t size, BodyDecoder& owner) {
        while (!closed_) {
            // zlib counts in uInt; a larger piece goes in parts.
            if (stream_.avail_in == 0 && size > 0) {
                const size_t part = std::min<size_t>(size, 1u << 30);
                stream_.next_in = const_cast<unsigned char*>(bytes);
                stream_.avail_in = static_cast<uInt>(part);
                bytes += part;
                size -= part;
            }
            stream_.next_out = output_.data();
            stream_.avail_out = static_cast<uInt>(output_.size());
            const int result = inflate(&stream_, Z_NO_FLUSH);
            const size_t produced = output_.size() - stream_.avail_out;
            if (result == Z_MEM_ERROR) return DecodeStatus::kNoMemory;
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return DecodeStatus::kCorrupt;
            const DecodeStatus status = Emit(owner, produced, output_);
            if (status != DecodeStatus::kOk) return status;
            if (result == Z_STREAM_END) End();
            // All input taken and the output not full: nothing more until the next piece.
            if ((stream_.avail_in == 0 && size == 0 && stream_.avail_out != 0) ||
                (result == Z_BUF_ERROR && produced == 0))
                break;
        }
        return DecodeStatus::kOk;
    }

    bool gzip_;
    bool started_ = false;
    z_stream stream_{};
    unsigned char header_[2] = {};
    size_t headerSize_ = 0;
};

class BrotliEngine : public BodyDecoder::Engine {
public:
    BrotliEngine() : state_(BrotliDecoderCreateInstance(nullptr, nullptr, nullptr)) {}
    ~BrotliEngine() override {
        if (state_ != nullptr) BrotliDecoderDestroyInstance(state_);
    }
    bool Ready() const override { return state_ != nullptr; }

    DecodeStatus Decode(const unsigned char* bytes, size_t size, BodyDecoder& owner) override {
        while (!closed_) {
            size_t room = output_.size();
            unsigned char* next = output_.data();
            const BrotliDecoderResult result =
                BrotliDecoderDecompressStream(state_, &size, &bytes, &room, &next, nullptr);
            if (result == BROTLI_DECODER_RESULT_ERROR) {
                const BrotliDecoderErrorCode code = BrotliDecoderGetErrorCode(state_);
                return code <= BROTLI_DECODER_ERROR_ALLOC_CONTEXT_MODES &&
                               code >= BROTLI_DECODER_ERROR_ALLOC_BLOCK_TYPE_TREES
                           ? DecodeStatus::kNoMemory
                           : DecodeStatus::kCorrupt;
            }
            const DecodeStatus status = Emit(owner, output_.size() - room, output_);
            if (status != DecodeStatus::kOk) return status;
            if (result == BROTLI_DECODER_RESULT_SUCCESS) End();
            if (result == BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT) break;
        }
        return DecodeStatus::kOk;
    }

private:
    BrotliDecoderState* state_;
};

// Frames one after another are one body, as Zstandard defines its streams;
// bytes after a frame that are not one are corrupt.
class ZstdEngine : public BodyDecoder::Engine {
public:
    ZstdEngine() : context_(ZSTD_createDCtx()) {
        if (context_ != nullptr && ZSTD_isError(ZSTD_DCtx_setParameter(context_, ZSTD_d_windowLogMax,
                                                                       kZstdWindowLogMax))) {
            ZSTD_freeDCtx(context_);
            context_ = nullptr;
        }
    }
    ~ZstdEngine() override { ZSTD_freeDCtx(context_); }
    bool Ready() const override { return context_ != nullptr; }

    DecodeStatus Decode(const unsigned char* bytes, size_t size, BodyDecoder& owner) override {
        ZSTD_inBuffer in = {bytes, size, 0};
        while (true) {
            if (!MagicAllowed(bytes + in.pos, size - in.pos)) return DecodeStatus::kCorrupt;
            ZSTD_outBuffer out = {output_.data(), output_.size(), 0};
            const size_t result = ZSTD_decompressStream(context_, &out, &in);
            if (ZSTD_isError(result))
                return ZSTD_getErrorCode(result) == ZSTD_error_memory_allocation ? DecodeStatus::kNoMemory
                                                                                  : DecodeStatus::kCorrupt;
            const DecodeStatus status = Emit(owner, out.pos, output_);
            if (status != DecodeStatus::kOk) return status;
            complete_ = result == 0;  // the frame is whole and all of it handed on
            if (complete_) magicSeen_ = 0;  // the next byte starts a frame
            if (in.pos == in.size && out.pos < out.size) break;
        }
        return DecodeStatus::kOk;
    }

private:
    // A frame must start with the magic number of the format the zstd
    // content coding names, or a skippable frame's. The library would also
    // take its legacy formats, and only when their header comes in one
    // piece: the same body would decode or not as it was cut. Collects the
    // frame's first four bytes from the next ones the library is given.
    bool MagicAllowed(const unsigned char* next, size_t available) {
        if (magicSeen_ >= 4) return true;
        while (magicSeen_ < 4 && available > 0) {
            magic_ = magic_ >> 8 | static_cast<uint32_t>(*next++) << 24;
            ++magicSeen_;
            --available;
        }
        return magicSeen_ < 4 || magic_ == 0xFD2FB528u || (magic_ & 0xFFFFFFF0u) == 0x184D2A50u;
    }

    ZSTD_DCtx* context_;
    uint32_t magic_ = 0;
    int magicSeen_ = 0;  // of the current frame's first four bytes
};

}  // namespace

BodyDecoder::BodyDecoder(BodyEncoding encoding, BodySink& sink, uint64_t limit) : sink_(sink), limit_(limit) {
    try {
        switch (encoding) {
            case BodyEncoding::kIdentity:
                break;
            case BodyEncoding::kGzip:
            case BodyEncoding::kDeflate:
                engine_ = std::make_unique<ZlibEngine>(encoding);
                break;
            case BodyEncoding::kBrotli:
                engine_ = std::make_unique<BrotliEngine>();
                break;
            case BodyEncoding::kZstd:
                engine_ = std::make_unique<ZstdEngine>();
                break;
            case BodyEncoding::kUnsupported:
                status_ = DecodeStatus::kUnsupported;
                break;
        }
    } catch (const std::bad_alloc&) {
        status_ = DecodeStatus::kNoMemory;
    }
    if (engine_ != nullptr && !engine_->Ready()) status_ = DecodeStatus::kNoMemory;
}

BodyDecoder::~BodyDecoder() = default;

DecodeStatus BodyDecoder::Emit(const unsigned char* bytes, size_t size) {
    if (size > limit_ - written_) return DecodeStatus::kTooLarge;
    written_ += size;
    return sink_.Write(bytes, size) ? DecodeStatus::kOk : DecodeStatus::kSinkFailed;
}

DecodeStatus BodyDecoder::Feed(const unsigned char* bytes, size_t size) {
    if (status_ != DecodeStatus::kOk || size == 0) return status_;
    anyInput_ = true;
    if (engine_ == nullptr) {
        status_ = Emit(bytes, size);
    } else if (!engine_->Closed()) {
        status_ = engine_->Decode(bytes, size, *this);
    }
    return status_;
}

DecodeStatus BodyDecoder::Finish() {
    if (status_ == DecodeStatus::kOk && engine_ != nullptr && anyInput_ && !engine_->Complete())
        status_ = DecodeStatus::kTruncated;
    return status_;
}

DecodeStatus DecodeBody(BodyReader& reader, std::string_view contentEncoding, BodySink& sink, uint64_t limit) {
    const BodyEncoding encoding = BodyEncodingOf(contentEncoding);
    if (encoding == BodyEncoding::kUnsupported) return DecodeStatus::kUnsupported;  // nothing read
    BodyDecoder decoder(encoding, sink, limit);
    std::vector<unsigned char> buffer;
    try {
        buffer.resize(kReadSize);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::kNoMemory;
    }
    while (true) {
        size_t count = 0;
        if (!reader.Read(buffer.data(), buffer.size(), count) || count > buffer.size())
            return DecodeStatus::kReadFailed;
        if (count == 0) return decoder.Finish();
        const DecodeStatus status = decoder.Feed(buffer.data(), count);
        if (status != DecodeStatus::kOk) return status;
    }
}
