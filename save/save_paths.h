// File names, Save As filter text and destination paths for saving cached
// files, as byte strings in the ANSI code page. No platform calls: built
// natively too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "cache/cache_entry.h"
#include "text/lead_bytes.h"

// Every path the save commands build lives in a buffer of this size, NUL included.
inline constexpr size_t kSavePathSize = 260;

// The part of the entry's relative path after its last "/" (a plain byte
// search: it is a URL path), or the whole path when it has none. A view into
// the entry's own string, valid while the entry lives unchanged.
std::string_view EntryFileName(const CacheEntry& entry);

// The Save As filter for an extension E of n bytes, in the platform's format:
// "E file(*.E)" NUL "*.E" NUL NUL, 3n + 14 bytes with the embedded NULs.
// Empty for an empty extension, which gets no filter at all.
std::string SaveAsFilter(std::string_view extension);

// The path proposed in the Save As dialog, written into path (size bytes).
// On entry path holds the remembered folder (NUL-terminated); on return it
// holds the folder, one "\" unless the folder already ends in one, and the
// file name; or the file name alone when no folder is remembered. When that
// would not fit, the folder is dropped and the file name alone is proposed;
// when even the name does not fit, the proposal is empty. Nothing is cut:
// a cut name would be saved under a name the user did not see coming.
// leadBytes: the folder's code page (a trail byte 0x5C ends no folder).
void BuildProposedPath(char* path, size_t size, std::string_view fileName, const LeadBytes& leadBytes);

// The folder of a chosen file path: everything before its last "\" (aware
// of the lead bytes of the path's code page), without that backslash. ""
// when the path holds none.
std::string FolderOfChosenPath(std::string_view chosenPath, const LeadBytes& leadBytes);

// Writes folderPrefix followed by fileName into path (size bytes). When the
// two do not fit together, path is left empty and false is returned: a cut
// destination would name some other file.
bool BuildDestination(std::string_view folderPrefix, std::string_view fileName, char* path, size_t size);
