// A browser entry's body handed to the decoder: the Chromium reader's pieces
// as the decoder asks for them.
#pragma once

#include <cstddef>
#include <memory>

#include "cache/cache_entry.h"
#include "chromium/browser_cache.h"
#include "save/body_decode.h"

// A browser entry's body as the decoder reads it: the pieces of a BrowserBody
// copied out in the sizes asked for. A body that cannot be opened, read, or
// changed while it was read fails the read.
class BrowserBodyReader : public BodyReader {
public:
    // Takes the folder as BrowserBody::Open does; false when the entry is
    // gone or changed (Read then fails too).
    bool Open(std::unique_ptr<CacheFolder> folder, const BrowserEntryRef& ref);
    bool Read(unsigned char* buffer, size_t size, size_t& count) override;

private:
    BrowserBody body_;
    bool opened_ = false;
    const char* piece_ = nullptr;
    size_t left_ = 0;  // bytes of piece_ not yet handed out
};
