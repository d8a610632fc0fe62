// Raw bodies of every encoding the first byte picks, fed in pieces whose
// sizes the second byte picks, under a small output limit. Rules out a sink
// given more than the limit, output after a failure, and the same body
// decoding differently when cut into other pieces.
#include <string>

#include "fuzz/fuzz_input.h"
#include "save/body_decode.h"

namespace {

struct Collect : BodySink {
    std::string text;
    bool Write(const unsigned char* bytes, size_t size) override {
        text.append(reinterpret_cast<const char*>(bytes), size);
        return true;
    }
};

DecodeStatus Decode(BodyEncoding encoding, const uint8_t* data, size_t size, size_t piece, std::string& out) {
    Collect sink;
    constexpr uint64_t kLimit = 1 << 20;
    BodyDecoder decoder(encoding, sink, kLimit);
    DecodeStatus status = DecodeStatus::kOk;
    for (size_t at = 0; at < size && status == DecodeStatus::kOk; at += piece)
        status = decoder.Feed(data + at, std::min(piece, size - at));
    if (status == DecodeStatus::kOk) status = decoder.Finish();
    Require(sink.text.size() <= kLimit);
    out = sink.text;
    return status;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static const BodyEncoding kEncodings[] = {BodyEncoding::kIdentity, BodyEncoding::kGzip, BodyEncoding::kDeflate,
                                              BodyEncoding::kBrotli, BodyEncoding::kZstd};
    const BodyEncoding encoding = kEncodings[data[0] % 5];
    const size_t piece = 1 + data[1] % 64;
    data += 2;
    size -= 2;
    std::string whole, pieces;
    const DecodeStatus one = Decode(encoding, data, size, size == 0 ? 1 : size, whole);
    const DecodeStatus many = Decode(encoding, data, size, piece, pieces);
    Require(one == many);
    if (one == DecodeStatus::kOk) Require(whole == pieces);
    return 0;
}
