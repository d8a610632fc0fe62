// A URL cache index written by Windows, put into the URL cache of the Wine
// prefix that the test runs in, so that WinINet enumerates what Windows wrote.
#pragma once

#include <string>
#include <vector>

namespace testkit {

// A file of the project's shared test data (../shared/data beside the source
// tree), as a Windows path; the file need not exist.
std::string SharedDataFile(const std::string& relative);

// The current user's cache folder that holds index.dat (…\Content.IE5).
std::string CacheIndexFolder();

// The names of the cache folders that an index carries: the 32-bit
// little-endian count at 0x48, then 12 bytes a folder from 0x4C on (a 32-bit
// file count, then the 8-character name). Empty when the bytes hold none.
std::vector<std::string> CacheFolderNames(const std::string& indexBytes);

// Empties the cache folder, puts a writable copy of the index there as
// index.dat and creates the cache folders that it names, empty. Call it
// before this process makes any URL cache call and while no other process of
// the prefix has the cache open: WinINet maps the index on first use and
// keeps it. False, with the reason in *error, when any step fails (a missing
// index among them).
bool InstallCacheIndex(const std::string& index, std::string* error);

// Writes bytes as the cached file of the record whose source URL is url, at
// the local file name that the enumeration reports. Returns that path, or ""
// when no such record has a local file or the file cannot be written.
std::string CreateCachedFile(const std::string& url, const std::string& bytes);

}  // namespace testkit
