// Tells the cache formats apart, decides which entries are listed, and reads
// a listed entry's body again at save time.
#include "chromium/browser_cache.h"

#include "chromium/cache_formats.h"

BrowserEntryRef EntryRefOf(const BrowserRecord& record, std::string cacheFolder) {
    BrowserEntryRef ref;
    ref.cacheFolder = std::move(cacheFolder);
    ref.key = record.key;
    ref.entryId = record.entryId;
    ref.headerSize = record.headerSize;
    ref.bodySize = record.bodySize;
    ref.contentEncoding = record.response.contentEncoding;
    return ref;
}

CacheFormat FormatOf(CacheFolder& folder) {
    bool entryFiles = false;
    for (const std::string& name : folder.Names()) {
        if (name.compare(0, 5, "sqldb") == 0) return CacheFormat::Sql;
        if (name == "index-dir" || (name.size() == 18 && name.compare(16, 2, "_0") == 0)) entryFiles = true;
    }
    std::unique_ptr<CacheFile> index = folder.Open("index");
    unsigned char magic[4];
    if (index != nullptr && index->Size() >= 4 && index->ReadAt(0, magic, sizeof magic) && Le32(magic) == 0xC103CAC3)
        return CacheFormat::Blockfile;
    return entryFiles ? CacheFormat::Simple : CacheFormat::Unknown;
}

bool ListBrowserCache(CacheFolder& folder, BrowserRecordSink& sink) {
    switch (FormatOf(folder)) {
    case CacheFormat::Blockfile: return ListBlockfileCache(folder, sink);
    case CacheFormat::Simple: return ListSimpleCache(folder, sink);
    default: return false;
    }
}

std::string_view AddressOfKey(std::string_view key) {
    const size_t firstSpace = key.find(' ');
    if (firstSpace == std::string_view::npos || key.substr(0, firstSpace).find("_dk_") == std::string_view::npos)
        return key;
    return key.substr(key.rfind(' ') + 1);
}

bool IsListedResponse(const ResponseInfo& response, uint32_t bodySize) {
    return response.status == 200 && bodySize > 0 && !response.truncated && !response.hasContentRange &&
           (!response.hasContentLength || response.contentLength == bodySize);
}

bool FinishRecord(std::string_view responseInfo, BrowserRecord& record) {
    return ParseResponseInfo(responseInfo, record.response) && IsListedResponse(record.response, record.bodySize);
}

bool LocateBrowserBody(CacheFolder& folder, const BrowserEntryRef& ref, BodyLocation& location) {
    switch (FormatOf(folder)) {
    case CacheFormat::Blockfile: return LocateBlockfileBody(folder, ref, location);
    case CacheFormat::Simple: return LocateSimpleBody(folder, ref, location);
    default: return false;
    }
}

bool BrowserBody::Open(std::unique_ptr<CacheFolder> folder, const BrowserEntryRef& ref) {
    folder_ = std::move(folder);
    ref_ = ref;
    done_ = 0;
    failed_ = true;
    if (folder_ == nullptr || !LocateBrowserBody(*folder_, ref_, location_)) return false;
    file_ = folder_->Open(location_.file);
    if (file_ == nullptr || file_->Size() < location_.offset + location_.size) return false;
    if (piece_ == nullptr) piece_.reset(new char[kBrowserBodyPiece]);
    failed_ = false;
    return true;
}

bool BrowserBody::Next(const char*& data, size_t& size) {
    if (failed_) return false;
    const uint64_t left = location_.size - done_;
    if (left == 0) {
        // The entry once more: a body rewritten while it was read is refused.
        BodyLocation again;
        failed_ = !LocateBrowserBody(*folder_, ref_, again) || !(again == location_);
        return false;
    }
    const size_t count = left < kBrowserBodyPiece ? static_cast<size_t>(left) : kBrowserBodyPiece;
    if (!file_->ReadAt(location_.offset + done_, piece_.get(), count)) {
        failed_ = true;
        return false;
    }
    done_ += count;
    data = piece_.get();
    size = count;
    return true;
}
