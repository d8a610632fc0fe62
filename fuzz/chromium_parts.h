// Browser cache folders built from a fuzzer's bytes: the input is cut into
// files at a separator, and the checks every listing must pass.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chromium/browser_cache.h"
#include "fuzz/fuzz_input.h"
#include "tests/native/memory_folder.h"

// The input's parts between separators "\n--file--\n".
inline std::vector<std::string> SplitFiles(const uint8_t* data, size_t size) {
    static const std::string kSeparator = "\n--file--\n";
    const std::string all(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    size_t at = 0;
    for (size_t found; (found = all.find(kSeparator, at)) != std::string::npos; at = found + kSeparator.size())
        parts.push_back(all.substr(at, found - at));
    parts.push_back(all.substr(at));
    return parts;
}

// Every listed entry is one whose body the save side can read whole: the
// listing and the reading agree on every check, and a record never claims
// more than the files hold.
class CheckedSink : public BrowserRecordSink {
public:
    explicit CheckedSink(MemoryFolder& folder) : folder_(folder) {}
    bool Wants(std::string_view address) override {
        Require(address.find('\0') == std::string_view::npos);
        return true;
    }
    void Take(BrowserRecord& record) override {
        Require(record.bodySize > 0 && record.response.status == 200 && !record.response.truncated);
        Require(record.address == AddressOfKey(record.key));
        BrowserBody body;
        Require(body.Open(std::make_unique<MemoryFolder>(folder_), EntryRefOf(record, "")));
        const char* data = nullptr;
        size_t size = 0, total = 0;
        while (body.Next(data, size)) total += size;
        Require(!body.Failed() && total == record.bodySize);
        ++rows;
    }
    size_t rows = 0;

private:
    MemoryFolder& folder_;
};
