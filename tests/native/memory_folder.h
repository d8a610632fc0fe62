// A cache folder held in memory, for tests and fuzz targets that damage or
// change a cache's files while it is read.
#pragma once

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "chromium/cache_files.h"

class MemoryFolder : public CacheFolder {
public:
    // Files by name ("index-dir/the-real-index" for one in a subfolder);
    // changed in place, they change for the files already open too.
    std::map<std::string, std::shared_ptr<std::string>> files;
    // The last write every file reports.
    static constexpr uint64_t kWriteTime = 132000000000000000;  // 2019-04-13 UTC

    std::string& operator[](const std::string& name) {
        auto& file = files[name];
        if (file == nullptr) file = std::make_shared<std::string>();
        return *file;
    }
    std::unique_ptr<CacheFile> Open(const std::string& name) override {
        const auto found = files.find(name);
        if (found == files.end()) return nullptr;
        return std::unique_ptr<CacheFile>(new File(found->second));
    }
    std::vector<std::string> Names() override {
        std::vector<std::string> names;
        for (const auto& file : files) {
            const std::string name = file.first.substr(0, file.first.find('/'));
            if (names.empty() || names.back() != name) names.push_back(name);
        }
        return names;
    }

private:
    class File : public CacheFile {
    public:
        explicit File(std::shared_ptr<std::string> bytes) : bytes_(std::move(bytes)) {}
        uint64_t Size() const override { return bytes_->size(); }
        bool ReadAt(uint64_t offset, void* buffer, size_t count) override {
            if (offset > bytes_->size() || count > bytes_->size() - offset) return false;
            if (count != 0) std::memcpy(buffer, bytes_->data() + offset, count);
            return true;
        }
        uint64_t WriteTime() const override { return kWriteTime; }

    private:
        std::shared_ptr<std::string> bytes_;
    };
};
