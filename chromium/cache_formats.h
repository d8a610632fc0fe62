// The two on-disk formats behind the browser cache listing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chromium/browser_cache.h"

// Limits on what one entry may ask to be read into memory.
constexpr uint32_t kLongestKey = 1024 * 1024;
constexpr uint32_t kLongestResponseInfo = 1024 * 1024;

// The blockfile cache: index, data_N block files, f_xxxxxx external files.
bool ListBlockfileCache(CacheFolder& folder, BrowserRecordSink& sink);
bool LocateBlockfileBody(CacheFolder& folder, const BrowserEntryRef& ref, BodyLocation& location);

// The simple cache: one "<16 hex>_0" file per entry, index-dir/the-real-index.
bool ListSimpleCache(CacheFolder& folder, BrowserRecordSink& sink);
bool LocateSimpleBody(CacheFolder& folder, const BrowserEntryRef& ref, BodyLocation& location);

// The parts of a listed entry that both formats check the same way: reads the
// response info and fills the record; false when the entry is not listed.
bool FinishRecord(std::string_view responseInfo, BrowserRecord& record);
