// File names, the Save As proposal, the filter and the multi-save destination
// built from arbitrary relative paths and remembered folders, in a code page
// that the first byte picks. Rules out a file name that keeps a folder part,
// a destination cut to fit the 260-byte field instead of refused, and a
// proposal that overruns its buffer.
#include <cstring>
#include <memory>

#include "cache/cache_entry.h"
#include "fuzz/fuzz_input.h"
#include "save/save_paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const LeadBytes& leadBytes = TakeLeadBytes(data, size);
    auto [relativePath, folder] = SplitAtNul(data, size);
    folder = folder.substr(0, folder.find('\0'));
    CacheEntry entry;
    entry.relativePath = relativePath;
    entry.extension = folder.size() % 5 ? folder.substr(0, folder.size() % 7) : "";

    std::string_view name = EntryFileName(entry);
    Require(name.find('/') == std::string_view::npos);
    Require(name.data() >= entry.relativePath.data() &&
            name.data() + name.size() == entry.relativePath.data() + entry.relativePath.size());

    std::string filter = SaveAsFilter(entry.extension);
    Require(filter.size() == (entry.extension.empty() ? 0 : 3 * entry.extension.size() + 14));

    // The proposal is built in a 260-byte buffer that starts with the folder.
    auto path = std::make_unique<char[]>(kSavePathSize);
    size_t folderBytes = folder.size() < kSavePathSize - 1 ? folder.size() : kSavePathSize - 1;
    std::memcpy(path.get(), folder.data(), folderBytes);
    path[folderBytes] = '\0';
    BuildProposedPath(path.get(), kSavePathSize, name, leadBytes);
    size_t proposed = strnlen(path.get(), kSavePathSize);
    Require(proposed < kSavePathSize);
    if (proposed > 0) {
        std::string_view text(path.get(), proposed);
        Require(text.size() >= name.size() && text.substr(text.size() - name.size()) == name);
    }

    std::string chosenFolder = FolderOfChosenPath(folder, leadBytes);
    Require(chosenFolder.size() <= folder.size());

    auto destination = std::make_unique<char[]>(kSavePathSize);
    std::string prefix = folder + "\\";
    bool fits = BuildDestination(prefix, name, destination.get(), kSavePathSize);
    Require(fits == (prefix.size() + name.size() < kSavePathSize));
    Require(fits ? std::string(destination.get()) == prefix + std::string(name) : destination[0] == '\0');
    return 0;
}
