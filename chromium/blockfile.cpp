// The blockfile cache (Windows' default): an index of hash buckets whose
// chains of entry records live in the data_N block files, each record naming
// its rankings node (last use) and its streams in block files or f_xxxxxx.
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "chromium/cache_formats.h"

namespace {

constexpr uint32_t kIndexMagic = 0xC103CAC3;
constexpr uint32_t kBlockMagic = 0xC104CAC3;
constexpr uint64_t kIndexHeaderSize = 368;
constexpr uint64_t kBlockHeaderSize = 8192;
constexpr uint32_t kDefaultTableLength = 0x10000;
constexpr uint32_t kLongestTable = 1u << 22;
constexpr uint32_t kLongestChain = 4096;

// Cache address bits.
constexpr uint32_t kInitialized = 0x80000000;
constexpr uint32_t kReservedBits = 0x0C000000;
enum FileType : uint32_t { kExternal = 0, kRankings = 1, kBlock256 = 2, kBlock1K = 3, kBlock4K = 4 };

uint32_t TypeOf(uint32_t address) { return (address >> 28) & 7; }

uint32_t BlockSizeOf(uint32_t type) {
    switch (type) {
    case kRankings: return 36;
    case kBlock256: return 256;
    case kBlock1K: return 1024;
    case kBlock4K: return 4096;
    default: return 0;
    }
}

// The entry record (EntryStore), 256 bytes per block.
constexpr size_t kEntryBlock = 256;
constexpr size_t kEntryNext = 4, kEntryRankings = 8, kEntryState = 20, kEntryCreated = 24, kEntryKeyLength = 32,
                 kEntryLongKey = 36, kEntrySizes = 40, kEntryAddresses = 56, kEntryFlags = 72, kEntryKey = 96;
// The rankings node, 36 bytes.
constexpr size_t kRankingsSize = 36, kRankingsContents = 24;

// Records, rankings nodes and small streams are read from the block files
// in hash order, which is no order on disk: they are read through a pool of
// 32 KiB windows, 8 MiB at most for all files, the window used longest ago
// giving way. A listing reads each window of a small cache once; a large one
// needs no more reads than record by record.
class WindowPool {
public:
    bool Read(CacheFile& file, uint32_t number, uint64_t offset, void* buffer, size_t count) {
        auto* out = static_cast<unsigned char*>(buffer);
        const uint64_t size = file.Size();
        while (count > 0) {
            const uint64_t index = offset / kWindow;
            const Window* window = Find(file, number, index, size);
            const uint64_t within = offset - index * kWindow;
            if (window == nullptr || within >= window->length) return false;
            const size_t part = count < window->length - within ? count : static_cast<size_t>(window->length - within);
            std::memcpy(out, window->bytes.get() + within, part);
            out += part;
            offset += part;
            count -= part;
        }
        return true;
    }

private:
    static constexpr uint64_t kWindow = 32 * 1024;
    static constexpr size_t kWindows = 256;
    struct Window {
        uint64_t key = 0;
        uint64_t lastUse = 0;  // 0: empty
        uint64_t length = 0;
        std::unique_ptr<unsigned char[]> bytes;
    };

    const Window* Find(CacheFile& file, uint32_t number, uint64_t index, uint64_t size) {
        const uint64_t key = static_cast<uint64_t>(number) << 48 | index;
        const auto found = slots_.find(key);
        if (found != slots_.end()) {
            windows_[found->second].lastUse = ++clock_;
            return &windows_[found->second];
        }
        if (index * kWindow >= size) return nullptr;
        size_t victim = 0;
        if (windows_.size() < kWindows) {
            windows_.emplace_back();
            victim = windows_.size() - 1;
        } else {
            for (size_t i = 1; i < windows_.size(); ++i)
                if (windows_[i].lastUse < windows_[victim].lastUse) victim = i;
            slots_.erase(windows_[victim].key);
        }
        Window& window = windows_[victim];
        if (window.bytes == nullptr) window.bytes.reset(new unsigned char[kWindow]);
        window.length = size - index * kWindow < kWindow ? size - index * kWindow : kWindow;
        window.lastUse = 0;
        if (!file.ReadAt(index * kWindow, window.bytes.get(), static_cast<size_t>(window.length))) return nullptr;
        window.key = key;
        window.lastUse = ++clock_;
        slots_[key] = victim;
        return &window;
    }

    std::vector<Window> windows_;
    std::unordered_map<uint64_t, size_t> slots_;  // key -> window
    uint64_t clock_ = 0;
};

// A block file read through the pool.
class WindowedFile : public CacheFile {
public:
    WindowedFile(std::unique_ptr<CacheFile> file, WindowPool& pool, uint32_t number)
        : file_(std::move(file)), pool_(pool), number_(number) {}
    uint64_t Size() const override { return file_->Size(); }
    uint64_t WriteTime() const override { return file_->WriteTime(); }
    bool ReadAt(uint64_t offset, void* buffer, size_t count) override {
        return pool_.Read(*file_, number_, offset, buffer, count);
    }

private:
    std::unique_ptr<CacheFile> file_;
    WindowPool& pool_;
    uint32_t number_;
};

// The block files of one cache, opened once each and checked on opening.
class BlockFiles {
public:
    explicit BlockFiles(CacheFolder& folder) : folder_(folder) {}

    // The bytes an address of a block file names: its file and where they
    // start; the length is count × block size. Null for an address that does
    // not fit its file.
    CacheFile* Blocks(uint32_t address, uint32_t wantedType, uint64_t& offset, uint64_t& length) {
        const uint32_t type = TypeOf(address);
        if ((address & kInitialized) == 0 || (address & kReservedBits) != 0 || type != wantedType) return nullptr;
        const uint32_t number = (address >> 16) & 0xFF;
        const uint32_t count = ((address >> 24) & 3) + 1;
        const uint32_t start = address & 0xFFFF;
        Slot& slot = Open(number, type);
        if (slot.file == nullptr || start + count > slot.maxBlocks) return nullptr;
        offset = kBlockHeaderSize + static_cast<uint64_t>(start) * slot.blockSize;
        length = static_cast<uint64_t>(count) * slot.blockSize;
        if (offset + length > slot.file->Size()) return nullptr;
        return slot.file.get();
    }

    // Where a stream of size bytes at address lies; false when it does not
    // fit the file named.
    bool Stream(uint32_t address, uint32_t size, BodyLocation& location, CacheFile** opened = nullptr) {
        if ((address & kInitialized) == 0) return false;
        const uint32_t type = TypeOf(address);
        if (type == kExternal) {
            char name[16];
            std::snprintf(name, sizeof name, "f_%06x", address & 0x0FFFFFFF);
            std::unique_ptr<CacheFile> file = folder_.Open(name);
            if (file == nullptr || file->Size() < size) return false;
            location = BodyLocation{name, 0, size};
            if (opened != nullptr) {
                external_ = std::move(file);
                *opened = external_.get();
            }
            return true;
        }
        if (type != kBlock256 && type != kBlock1K && type != kBlock4K) return false;
        uint64_t offset = 0, length = 0;
        CacheFile* file = Blocks(address, type, offset, length);
        if (file == nullptr || length < size) return false;
        char name[16];
        std::snprintf(name, sizeof name, "data_%u", (address >> 16) & 0xFF);
        location = BodyLocation{name, offset, size};
        if (opened != nullptr) *opened = file;
        return true;
    }

    bool ReadStream(uint32_t address, uint32_t size, std::string& bytes) {
        BodyLocation location;
        CacheFile* file = nullptr;
        if (!Stream(address, size, location, &file)) return false;
        bytes.resize(size);
        return file->ReadAt(location.offset, &bytes[0], size);
    }

private:
    struct Slot {
        bool tried = false;
        std::unique_ptr<CacheFile> file;
        uint32_t blockSize = 0;
        uint32_t maxBlocks = 0;
    };

    Slot& Open(uint32_t number, uint32_t type) {
        Slot& slot = slots_[number];
        if (slot.tried) return slot.blockSize == BlockSizeOf(type) ? slot : none_;
        slot.tried = true;
        char name[16];
        std::snprintf(name, sizeof name, "data_%u", number);
        std::unique_ptr<CacheFile> file = folder_.Open(name);
        unsigned char header[24];
        if (file == nullptr || file->Size() < kBlockHeaderSize || !file->ReadAt(0, header, sizeof header)) return none_;
        const uint32_t blockSize = Le32(header + 12);
        const int32_t maxBlocks = static_cast<int32_t>(Le32(header + 20));
        if (Le32(header) != kBlockMagic || Le16(header + 8) != number || blockSize != BlockSizeOf(type) ||
            maxBlocks <= 0)
            return none_;
        slot.file.reset(new WindowedFile(std::move(file), pool_, number));
        slot.blockSize = blockSize;
        slot.maxBlocks = static_cast<uint32_t>(maxBlocks);
        return slot;
    }

    CacheFolder& folder_;
    WindowPool pool_;
    Slot slots_[256];
    Slot none_;
    std::unique_ptr<CacheFile> external_;
};

// One entry record, read and checked.
struct EntryRecord {
    unsigned char bytes[4 * kEntryBlock];
    uint32_t address = 0;
    uint32_t blocks = 0;

    uint32_t U32(size_t at) const { return Le32(bytes + at); }
    uint32_t StreamSize(int stream) const { return U32(kEntrySizes + 4 * stream); }
    uint32_t StreamAddress(int stream) const { return U32(kEntryAddresses + 4 * stream); }
};

bool ReadEntry(BlockFiles& files, uint32_t address, EntryRecord& record) {
    uint64_t offset = 0, length = 0;
    CacheFile* file = files.Blocks(address, kBlock256, offset, length);
    if (file == nullptr || length > sizeof record.bytes || !file->ReadAt(offset, record.bytes, length)) return false;
    record.address = address;
    record.blocks = static_cast<uint32_t>(length / kEntryBlock);
    return true;
}

// The key, inline after the record's fields or at its own address.
bool ReadKey(BlockFiles& files, const EntryRecord& record, std::string& key) {
    const uint32_t length = record.U32(kEntryKeyLength);
    const uint32_t longKey = record.U32(kEntryLongKey);
    if (length == 0 || length > kLongestKey) return false;
    if (longKey == 0) {
        if (length > record.blocks * kEntryBlock - kEntryKey - 1) return false;
        key.assign(reinterpret_cast<const char*>(record.bytes + kEntryKey), length);
    } else if (!files.ReadStream(longKey, length, key)) {
        return false;
    }
    return key.find('\0') == std::string::npos;
}

// An entry that holds a whole response, not a sparse one's parent or child.
bool IsPlainEntry(const EntryRecord& record) {
    return record.U32(kEntryState) == 0 && record.U32(kEntryFlags) == 0 &&
           static_cast<int32_t>(record.StreamSize(0)) > 0 && static_cast<int32_t>(record.StreamSize(1)) >= 0;
}

// The last use from the rankings node, which must point back at the record;
// the creation time where it does not.
uint64_t LastUsed(BlockFiles& files, const EntryRecord& record) {
    uint64_t offset = 0, length = 0;
    unsigned char node[kRankingsSize];
    CacheFile* file = files.Blocks(record.U32(kEntryRankings), kRankings, offset, length);
    if (file != nullptr && file->ReadAt(offset, node, sizeof node) && Le32(node + kRankingsContents) == record.address)
        return FileTimeOfBrowserTime(static_cast<int64_t>(Le64(node)));
    return FileTimeOfBrowserTime(static_cast<int64_t>(Le64(record.bytes + kEntryCreated)));
}

struct Index {
    std::unique_ptr<CacheFile> file;
    uint32_t tableLength = 0;
};

bool OpenIndex(CacheFolder& folder, Index& index) {
    index.file = folder.Open("index");
    unsigned char header[kIndexHeaderSize];
    if (index.file == nullptr || index.file->Size() < kIndexHeaderSize ||
        !index.file->ReadAt(0, header, sizeof header))
        return false;
    const uint32_t major = Le32(header + 4) >> 16;
    if (Le32(header) != kIndexMagic || (major != 2 && major != 3)) return false;
    const int32_t length = static_cast<int32_t>(Le32(header + 28));
    index.tableLength = length == 0 ? kDefaultTableLength : static_cast<uint32_t>(length);
    // The bucket of a key is its hash masked by the table's length, a power of two.
    if (length < 0 || index.tableLength > kLongestTable || (index.tableLength & (index.tableLength - 1)) != 0)
        return false;
    return kIndexHeaderSize + 4ull * index.tableLength <= index.file->Size();
}

void ListEntry(BlockFiles& files, const EntryRecord& record, BrowserRecordSink& sink) {
    BrowserRecord listed;
    if (!IsPlainEntry(record) || !ReadKey(files, record, listed.key)) return;
    listed.address = std::string(AddressOfKey(listed.key));
    if (!sink.Wants(listed.address)) return;
    listed.entryId = record.address;
    listed.headerSize = record.StreamSize(0);
    listed.bodySize = record.StreamSize(1);
    BodyLocation body;
    std::string responseInfo;
    if (listed.headerSize > kLongestResponseInfo || listed.bodySize == 0 ||
        !files.Stream(record.StreamAddress(1), listed.bodySize, body) ||
        !files.ReadStream(record.StreamAddress(0), listed.headerSize, responseInfo) ||
        !FinishRecord(responseInfo, listed))
        return;
    listed.lastUsed = LastUsed(files, record);
    sink.Take(listed);
}

}  // namespace

bool ListBlockfileCache(CacheFolder& folder, BrowserRecordSink& sink) {
    Index index;
    if (!OpenIndex(folder, index)) return false;
    BlockFiles files(folder);
    std::unordered_set<uint32_t> seen;
    EntryRecord record;
    const uint32_t mask = index.tableLength - 1;
    constexpr uint32_t kBucketsPerRead = 4096;
    std::vector<unsigned char> table(4 * kBucketsPerRead);
    for (uint32_t first = 0; first < index.tableLength; first += kBucketsPerRead) {
        const uint32_t count = index.tableLength - first < kBucketsPerRead ? index.tableLength - first : kBucketsPerRead;
        if (!index.file->ReadAt(kIndexHeaderSize + 4ull * first, table.data(), 4 * count)) return true;
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t address = Le32(&table[4 * i]);
            // A chain ends at its end, at a record already seen (a cycle, or
            // a link into another chain), after a bound, or at a record whose
            // hash belongs to another bucket.
            for (uint32_t steps = 0; address != 0 && steps < kLongestChain; ++steps) {
                if (!seen.insert(address).second || !ReadEntry(files, address, record)) break;
                if ((record.U32(0) & mask) != first + i) break;
                ListEntry(files, record, sink);
                address = record.U32(kEntryNext);
            }
        }
    }
    return true;
}

bool LocateBlockfileBody(CacheFolder& folder, const BrowserEntryRef& ref, BodyLocation& location) {
    Index index;
    if (ref.entryId > UINT32_MAX || !OpenIndex(folder, index)) return false;
    BlockFiles files(folder);
    EntryRecord record;
    std::string key;
    if (!ReadEntry(files, static_cast<uint32_t>(ref.entryId), record) || !IsPlainEntry(record) ||
        !ReadKey(files, record, key))
        return false;
    if (key != ref.key || record.StreamSize(0) != ref.headerSize || record.StreamSize(1) != ref.bodySize) return false;
    return files.Stream(record.StreamAddress(1), ref.bodySize, location);
}
