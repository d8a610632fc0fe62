// The low collector's record reader on any stream, fed in pieces of a size
// the input's first byte picks. Rules out a reader that gives back a record
// past a length limit or with a NUL inside, reads past what it was fed, loses
// or invents bytes (the records it gives back, written again, are exactly the
// stream's beginning), gives anything after a break, or depends on how the
// stream was cut into pieces.
#include "cache/low_record.h"
#include "fuzz/fuzz_input.h"

namespace {

struct Outcome {
    std::string rewritten;  // the records given back, written again
    size_t records = 0;
    bool broken = false;
};

Outcome ReadInPieces(const std::string& stream, size_t piece) {
    Outcome outcome;
    LowRecordReader reader;
    for (size_t at = 0; at < stream.size() && !outcome.broken; at += piece) {
        const size_t count = stream.size() - at < piece ? stream.size() - at : piece;
        reader.Feed(stream.data() + at, count);
        LowRecord record;
        LowRecordReader::Step step;
        while ((step = reader.Next(record)) == LowRecordReader::Step::Record) {
            Require(!record.sourceUrl.empty() && record.sourceUrl.size() <= kLowRecordMaxAddress);
            Require(!record.localFile.empty() && record.localFile.size() <= kLowRecordMaxLocalFile);
            Require(record.sourceUrl.find('\0') == std::string::npos);
            Require(record.localFile.find('\0') == std::string::npos);
            Require(AppendLowRecord(record, outcome.rewritten));
            ++outcome.records;
        }
        if (step == LowRecordReader::Step::Broken) {
            outcome.broken = true;
            Require(reader.Next(record) == LowRecordReader::Step::Broken);
        }
    }
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t piece = 1 + data[0] % 64;
    const std::string stream(reinterpret_cast<const char*>(data + 1), size - 1);

    const Outcome inPieces = ReadInPieces(stream, piece);
    Require(stream.compare(0, inPieces.rewritten.size(), inPieces.rewritten) == 0);
    const Outcome whole = ReadInPieces(stream, stream.size() + 1);
    Require(whole.rewritten == inPieces.rewritten && whole.broken == inPieces.broken);

    (void)IsDriveAbsolutePath(stream);
    std::string bytes;
    if (BytesOfHex(stream, bytes)) Require(HexOfBytes(bytes) == stream);
    return 0;
}
