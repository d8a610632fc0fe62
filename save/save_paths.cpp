// File names, Save As filter text and destination paths for saving cached files.
#include "save/save_paths.h"

#include <cstring>
#include <initializer_list>

namespace {

// Writes the pieces one after another into buffer as one NUL-terminated text,
// or only the NUL when they do not all fit.
bool WriteJoined(char* buffer, size_t size, std::initializer_list<std::string_view> pieces) {
    if (size == 0) return false;
    size_t total = 0;
    for (std::string_view piece : pieces) total += piece.size();
    if (total >= size) {
        buffer[0] = '\0';
        return false;
    }
    size_t at = 0;
    for (std::string_view piece : pieces) {
        std::memcpy(buffer + at, piece.data(), piece.size());
        at += piece.size();
    }
    buffer[at] = '\0';
    return true;
}

}  // namespace

std::string_view EntryFileName(const CacheEntry& entry) {
    std::string_view path = entry.relativePath;
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string SaveAsFilter(std::string_view extension) {
    if (extension.empty()) return std::string();
    std::string filter;
    filter.reserve(3 * extension.size() + 14);
    filter.append(extension).append(" file(*.").append(extension).append(")").push_back('\0');
    filter.append("*.").append(extension).push_back('\0');
    filter.push_back('\0');
    return filter;
}

void BuildProposedPath(char* path, size_t size, std::string_view fileName, const LeadBytes& leadBytes) {
    if (size == 0) return;
    const std::string folder(path, strnlen(path, size));
    if (folder.empty()) {
        WriteJoined(path, size, {fileName});
        return;
    }
    // A folder ending in 表 (95 5C) does not end in a backslash.
    size_t lastBackslash = LastBackslash(folder, leadBytes);
    std::string_view separator = lastBackslash == folder.size() - 1 ? "" : "\\";
    if (!WriteJoined(path, size, {folder, separator, fileName})) WriteJoined(path, size, {fileName});
}

std::string FolderOfChosenPath(std::string_view chosenPath, const LeadBytes& leadBytes) {
    size_t lastBackslash = LastBackslash(chosenPath, leadBytes);
    if (lastBackslash == std::string_view::npos) return std::string();
    return std::string(chosenPath.substr(0, lastBackslash));
}

bool BuildDestination(std::string_view folderPrefix, std::string_view fileName, char* path, size_t size) {
    return WriteJoined(path, size, {folderPrefix, fileName});
}
