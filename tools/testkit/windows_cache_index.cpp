// Installing a Windows-written URL cache index into the test's Wine prefix.
#include "tools/testkit/windows_cache_index.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <cstring>

#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace testkit {

namespace {

uint32_t Le32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

}  // namespace

std::string SharedDataFile(const std::string& relative) {
    std::string path = WindowsPathOf(TESSIWOK_SHARED_DATA_UNIX_DIR) + "\\" + relative;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string CacheIndexFolder() {
    // WinINet keeps the index in Content.IE5 of the shell's cache folder.
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_INTERNET_CACHE | CSIDL_FLAG_CREATE, nullptr, 0, folder))) return "";
    return std::string(folder) + "\\Content.IE5";
}

std::vector<std::string> CacheFolderNames(const std::string& indexBytes) {
    constexpr size_t kCountAt = 0x48, kFirstAt = 0x4C, kFolderSize = 12, kMostFolders = 64;
    std::vector<std::string> names;
    if (indexBytes.size() < kFirstAt) return names;
    const uint32_t count = Le32(indexBytes, kCountAt);
    for (uint32_t i = 0; i < count && i < kMostFolders; ++i) {
        const size_t at = kFirstAt + i * kFolderSize;
        if (at + kFolderSize > indexBytes.size()) break;
        std::string name = indexBytes.substr(at + 4, 8);
        name.resize(std::strlen(name.c_str()));
        names.push_back(name);
    }
    return names;
}

bool InstallCacheIndex(const std::string& index, std::string* error) {
    const std::string bytes = ReadWholeFile(index);
    if (bytes.empty()) {
        *error = "cannot read the cache index " + index;
        return false;
    }
    const std::vector<std::string> folders = CacheFolderNames(bytes);
    if (folders.empty()) {
        *error = "the cache index names no cache folder: " + index;
        return false;
    }
    const std::string target = CacheIndexFolder();
    if (target.empty()) {
        *error = "no cache folder in this prefix";
        return false;
    }
    // Cached files of an earlier run would make a missing file present.
    RemoveTree(target);
    if (!CreateDirectoryA(target.c_str(), nullptr)) {
        *error = "cannot create " + target + " (is the cache open?) error " + std::to_string(GetLastError());
        return false;
    }
    if (!WriteWholeFile(target + "\\index.dat", bytes)) {
        *error = "cannot write " + target + "\\index.dat";
        return false;
    }
    for (const std::string& folder : folders) {
        if (!CreateDirectoryA((target + "\\" + folder).c_str(), nullptr)) {
            *error = "cannot create the cache folder " + folder;
            return false;
        }
    }
    return true;
}

std::string CreateCachedFile(const std::string& url, const std::string& bytes) {
    for (const CacheRecordCopy& record : CacheRecords()) {
        if (record.url != url || !record.hasLocalFile) continue;
        return WriteWholeFile(record.localFile, bytes) ? record.localFile : "";
    }
    return "";
}

}  // namespace testkit
