// The simple cache (Linux's default, an experiment elsewhere): one
// "<16 hex>_0" file per entry holding a header, the key, the body (stream 1)
// and its end record, then the response info (stream 0), an optional SHA-256
// of the key and stream 0's end record; index-dir/the-real-index keeps the
// last use of each entry.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "chromium/cache_formats.h"

namespace {

constexpr uint64_t kInitialMagic = 0xfcfb6d1ba7725c30ull;
constexpr uint64_t kFinalMagic = 0xf4fa6f45970d41d8ull;
constexpr uint64_t kIndexMagic = 0x656e74657220796full;
constexpr uint32_t kEntryVersion = 5;
constexpr uint64_t kHeaderSize = 24;
constexpr uint64_t kEndSize = 24;
constexpr uint64_t kKeyHashSize = 32;
constexpr uint32_t kEndHasKeyHash = 2;
constexpr uint64_t kLongestIndex = 1000000;
constexpr uint64_t kIndexEntrySize = 24;

// "<16 lower-case hex>_<suffix>": the entry's hash.
bool HashOfName(const std::string& name, char suffix, uint64_t& hash) {
    if (name.size() != 18 || name[16] != '_' || name[17] != suffix) return false;
    hash = 0;
    for (size_t i = 0; i < 16; ++i) {
        const char c = name[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        hash = hash << 4 | static_cast<uint64_t>(digit);
    }
    return true;
}

std::string NameOfHash(uint64_t hash) {
    char name[24];
    std::snprintf(name, sizeof name, "%016" PRIx64 "_0", hash);
    return name;
}

// The parts of one entry file, each checked against the file's size.
struct EntryFile {
    std::string key;
    uint64_t bodyOffset = 0;
    uint32_t bodySize = 0;
    uint64_t infoOffset = 0;
    uint32_t infoSize = 0;
};

bool ReadEntryFile(CacheFile& file, EntryFile& entry) {
    const uint64_t size = file.Size();
    unsigned char header[kHeaderSize], end[kEndSize];
    if (size < kHeaderSize + 2 * kEndSize || !file.ReadAt(0, header, sizeof header)) return false;
    const uint32_t keyLength = Le32(header + 12);
    if (Le64(header) != kInitialMagic || Le32(header + 8) != kEntryVersion || keyLength == 0 ||
        keyLength > kLongestKey || kHeaderSize + keyLength + 2 * kEndSize > size)
        return false;
    if (!file.ReadAt(size - kEndSize, end, sizeof end) || Le64(end) != kFinalMagic) return false;
    const uint64_t keyHash = (Le32(end + 8) & kEndHasKeyHash) != 0 ? kKeyHashSize : 0;
    const uint64_t infoSize = Le32(end + 16);
    const uint64_t bodyOffset = kHeaderSize + keyLength;
    if (infoSize > kLongestResponseInfo || bodyOffset + kEndSize + infoSize + keyHash + kEndSize > size) return false;
    entry.infoOffset = size - kEndSize - keyHash - infoSize;
    const uint64_t bodyEnd = entry.infoOffset - kEndSize;
    if (!file.ReadAt(bodyEnd, end, sizeof end) || Le64(end) != kFinalMagic || bodyEnd - bodyOffset > UINT32_MAX)
        return false;
    entry.infoSize = static_cast<uint32_t>(infoSize);
    entry.bodyOffset = bodyOffset;
    entry.bodySize = static_cast<uint32_t>(bodyEnd - bodyOffset);
    entry.key.resize(keyLength);
    return file.ReadAt(kHeaderSize, &entry.key[0], keyLength) && entry.key.find('\0') == std::string::npos;
}

// Last use by hash from the index; empty when it is missing or unreadable
// (the entry files' own write times stand in then).
std::unordered_map<uint64_t, uint64_t> ReadLastUses(CacheFolder& folder) {
    std::unordered_map<uint64_t, uint64_t> uses;
    std::unique_ptr<CacheFile> file = folder.Open("index-dir/the-real-index");
    unsigned char header[40];
    if (file == nullptr || file->Size() < sizeof header || !file->ReadAt(0, header, sizeof header)) return uses;
    const uint32_t version = Le32(header + 16);
    const uint64_t count = Le64(header + 20);
    // Version 6 has no write reason before the entries.
    const uint64_t first = version >= 7 ? 40 : 36;
    if (Le64(header + 8) != kIndexMagic || version < 6 || version > 9 || count > kLongestIndex ||
        first + count * kIndexEntrySize > file->Size())
        return uses;
    constexpr uint64_t kPerRead = 4096;
    std::vector<unsigned char> chunk(kPerRead * kIndexEntrySize);
    for (uint64_t at = 0; at < count; at += kPerRead) {
        const uint64_t n = count - at < kPerRead ? count - at : kPerRead;
        if (!file->ReadAt(first + at * kIndexEntrySize, chunk.data(), n * kIndexEntrySize)) return {};
        for (uint64_t i = 0; i < n; ++i) {
            const unsigned char* entry = &chunk[i * kIndexEntrySize];
            uses[Le64(entry)] = FileTimeOfBrowserTime(static_cast<int64_t>(Le64(entry + 8)));
        }
    }
    return uses;
}

}  // namespace

bool ListSimpleCache(CacheFolder& folder, BrowserRecordSink& sink) {
    std::vector<std::string> names = folder.Names();
    std::sort(names.begin(), names.end());
    // An entry with a "_s" file holds sparse ranges: never one whole body.
    std::unordered_set<uint64_t> sparse;
    uint64_t hash = 0;
    for (const std::string& name : names)
        if (HashOfName(name, 's', hash)) sparse.insert(hash);
    const std::unordered_map<uint64_t, uint64_t> lastUses = ReadLastUses(folder);

    for (const std::string& name : names) {
        if (!HashOfName(name, '0', hash) || sparse.count(hash) != 0) continue;
        std::unique_ptr<CacheFile> file = folder.Open(name);
        EntryFile entry;
        if (file == nullptr || !ReadEntryFile(*file, entry)) continue;
        BrowserRecord listed;
        listed.key = std::move(entry.key);
        listed.address = std::string(AddressOfKey(listed.key));
        if (entry.bodySize == 0 || !sink.Wants(listed.address)) continue;
        listed.entryId = hash;
        listed.headerSize = entry.infoSize;
        listed.bodySize = entry.bodySize;
        std::string responseInfo(entry.infoSize, '\0');
        if (!file->ReadAt(entry.infoOffset, &responseInfo[0], entry.infoSize) || !FinishRecord(responseInfo, listed))
            continue;
        const auto use = lastUses.find(hash);
        listed.lastUsed = use != lastUses.end() && use->second != 0 ? use->second : file->WriteTime();
        sink.Take(listed);
    }
    return true;
}

bool LocateSimpleBody(CacheFolder& folder, const BrowserEntryRef& ref, BodyLocation& location) {
    const std::string name = NameOfHash(ref.entryId);
    std::unique_ptr<CacheFile> file = folder.Open(name);
    EntryFile entry;
    if (file == nullptr || !ReadEntryFile(*file, entry)) return false;
    if (entry.key != ref.key || entry.infoSize != ref.headerSize || entry.bodySize != ref.bodySize) return false;
    location = BodyLocation{name, entry.bodyOffset, entry.bodySize};
    return true;
}
