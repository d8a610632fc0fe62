// Edge's and Chrome's disk caches on Windows: finding every profile's cache
// folder, reading its files beside the running browser, and collecting their
// rows into the list.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cache/cache_entry.h"
#include "chromium/cache_files.h"

// The cache folders of every profile of Edge and Chrome, each channel, under
// the local application data folder given (UTF-16 paths, in a fixed order):
// "<vendor>\User Data\<profile>\Cache\Cache_Data", or before Chrome 97
// "<vendor>\User Data\<profile>\Cache", for every profile folder holding one.
std::vector<std::wstring> FindBrowserCacheFoldersUnder(const std::wstring& localAppData);

// The same under the current user's local application data folder
// (SHGetKnownFolderPath(FOLDERID_LocalAppData)); empty when it is unknown.
std::vector<std::wstring> FindBrowserCacheFolders();

// A cache folder whose files open for reading only, sharing read, write and
// delete with the browser that keeps them open. The path is UTF-8, as a
// BrowserEntryRef holds it.
std::unique_ptr<CacheFolder> OpenBrowserCacheFolder(const std::string& folderUtf8);

// Offers the rows of every browser cache found under the prefix (as typed or
// as sent) to the store's rows, one row per address, the entry last used
// winning. Folders that cannot be read are passed over without a message;
// nothing is thrown (a failure ends the browsers' part, the store's rows stay).
// Only entries whose Content-Encoding savable takes become rows.
using SavableEncoding = bool (*)(std::string_view contentEncoding);
void AppendBrowserCacheEntries(const char* prefix, EntryStore& store, SavableEncoding savable);

// The same over the cache folders given (UTF-16 paths); a folder whose
// listing fails is passed over. Nothing is thrown.
void AppendBrowserCacheRows(const std::vector<std::wstring>& folders, const char* prefix, EntryStore& store,
                            SavableEncoding savable);
