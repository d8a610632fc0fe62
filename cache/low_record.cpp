// The low collector's record stream: writing, reading piecewise, and checks.
#include "cache/low_record.h"

namespace {

void PutValue(uint32_t value, std::string& out) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

uint32_t ValueAt(const char* bytes) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

bool IsSoundText(std::string_view text, size_t limit) {
    return !text.empty() && text.size() <= limit && text.find('\0') == std::string_view::npos;
}

}  // namespace

bool AppendLowRecord(const LowRecord& record, std::string& out) {
    if (!IsSoundText(record.sourceUrl, kLowRecordMaxAddress) || !IsSoundText(record.localFile, kLowRecordMaxLocalFile))
        return false;
    PutValue(static_cast<uint32_t>(record.sourceUrl.size()), out);
    PutValue(static_cast<uint32_t>(record.localFile.size()), out);
    PutValue(record.sizeLow, out);
    PutValue(record.sizeHigh, out);
    PutValue(record.lastAccess.low, out);
    PutValue(record.lastAccess.high, out);
    PutValue(record.lastModified.low, out);
    PutValue(record.lastModified.high, out);
    out += record.sourceUrl;
    out += record.localFile;
    return true;
}

void LowRecordReader::Feed(const char* bytes, size_t count) {
    if (broken_ || count == 0) return;
    // What was given back already goes before more is kept: the buffer holds
    // at most one record and the latest piece.
    if (start_ > 0) {
        pending_.erase(0, start_);
        start_ = 0;
    }
    pending_.append(bytes, count);
}

LowRecordReader::Step LowRecordReader::Next(LowRecord& record) {
    if (broken_) return Step::Broken;
    if (Pending() < kLowRecordHead) return Step::NeedMore;
    const char* head = pending_.data() + start_;
    const uint32_t addressLength = ValueAt(head);
    const uint32_t fileLength = ValueAt(head + 4);
    if (addressLength == 0 || addressLength > kLowRecordMaxAddress || fileLength == 0 ||
        fileLength > kLowRecordMaxLocalFile) {
        broken_ = true;
        return Step::Broken;
    }
    if (Pending() - kLowRecordHead < size_t{addressLength} + fileLength) return Step::NeedMore;
    const std::string_view address(head + kLowRecordHead, addressLength);
    const std::string_view file(head + kLowRecordHead + addressLength, fileLength);
    if (address.find('\0') != std::string_view::npos || file.find('\0') != std::string_view::npos) {
        broken_ = true;
        return Step::Broken;
    }
    record.sourceUrl.assign(address);
    record.localFile.assign(file);
    record.sizeLow = ValueAt(head + 8);
    record.sizeHigh = ValueAt(head + 12);
    record.lastAccess = FileTime{ValueAt(head + 16), ValueAt(head + 20)};
    record.lastModified = FileTime{ValueAt(head + 24), ValueAt(head + 28)};
    start_ += kLowRecordHead + addressLength + fileLength;
    return Step::Record;
}

bool IsDriveAbsolutePath(std::string_view path) {
    if (path.size() < 3) return false;
    const char drive = path[0];
    const bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    if (!letter || path[1] != ':' || (path[2] != '\\' && path[2] != '/')) return false;
    return path.find(':', 2) == std::string_view::npos;
}

std::string HexOfBytes(std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char byte : bytes) {
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0F]);
    }
    return hex;
}

bool BytesOfHex(std::string_view hex, std::string& bytes) {
    if (hex.size() % 2 != 0) return false;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    bytes.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]);
        const int low = digit(hex[i + 1]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return false;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return true;
}
