// A browser entry's body handed to the decoder in the sizes it asks for.
#include "save/browser_body_reader.h"

#include <cstring>
#include <utility>

bool BrowserBodyReader::Open(std::unique_ptr<CacheFolder> folder, const BrowserEntryRef& ref) {
    left_ = 0;
    opened_ = body_.Open(std::move(folder), ref);
    return opened_;
}

bool BrowserBodyReader::Read(unsigned char* buffer, size_t size, size_t& count) {
    count = 0;
    if (!opened_) return false;
    if (left_ == 0 && !body_.Next(piece_, left_)) return !body_.Failed();
    count = size < left_ ? size : left_;
    std::memcpy(buffer, piece_, count);
    piece_ += count;
    left_ -= count;
    return true;
}
