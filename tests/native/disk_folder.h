// A cache folder on the native file system, for the tests that read real
// caches (the Windows edge opens its files with sharing instead).
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "chromium/cache_files.h"

class DiskFile : public CacheFile {
public:
    explicit DiskFile(int fd) : fd_(fd) {}
    ~DiskFile() override { close(fd_); }
    uint64_t Size() const override {
        struct stat info {};
        return fstat(fd_, &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
    }
    bool ReadAt(uint64_t offset, void* buffer, size_t count) override {
        auto* at = static_cast<char*>(buffer);
        while (count > 0) {
            const ssize_t got = pread(fd_, at, count, static_cast<off_t>(offset));
            if (got <= 0) return false;
            at += got;
            offset += static_cast<uint64_t>(got);
            count -= static_cast<size_t>(got);
        }
        return true;
    }
    uint64_t WriteTime() const override {
        struct stat info {};
        if (fstat(fd_, &info) != 0) return 0;
        return (static_cast<uint64_t>(info.st_mtime) + 11644473600ull) * 10000000ull;
    }

private:
    int fd_;
};

class DiskFolder : public CacheFolder {
public:
    explicit DiskFolder(std::string path) : path_(std::move(path)) {}
    std::unique_ptr<CacheFile> Open(const std::string& name) override {
        const int fd = open((path_ + "/" + name).c_str(), O_RDONLY);
        if (fd < 0) return nullptr;
        return std::unique_ptr<CacheFile>(new DiskFile(fd));
    }
    std::vector<std::string> Names() override {
        std::vector<std::string> names;
        if (DIR* dir = opendir(path_.c_str())) {
            while (dirent* entry = readdir(dir))
                if (entry->d_name[0] != '.') names.push_back(entry->d_name);
            closedir(dir);
        }
        return names;
    }

private:
    std::string path_;
};
