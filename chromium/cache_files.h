// The files of one browser cache folder, as the readers see them: opened by
// name, measured, read at an offset. The Win32 edge opens them read-only with
// read, write and delete sharing; tests open them from disk or memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CacheFile {
public:
    virtual ~CacheFile() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly count bytes at offset; false on a short or failed read.
    virtual bool ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
    // Last write as a file time (100 ns since 1601, UTC); 0 when unknown.
    virtual uint64_t WriteTime() const = 0;
};

class CacheFolder {
public:
    virtual ~CacheFolder() = default;
    // A file of the folder by its name ("/" between a subfolder and its
    // file); null when it cannot be opened.
    virtual std::unique_ptr<CacheFile> Open(const std::string& name) = 0;
    // The names the folder holds directly, files and subfolders.
    virtual std::vector<std::string> Names() = 0;
};

// Little-endian numbers at an offset of a record the caller has checked the
// length of.
inline uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline uint64_t Le64(const unsigned char* p) { return Le32(p) | static_cast<uint64_t>(Le32(p + 4)) << 32; }
inline uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
