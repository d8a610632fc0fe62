// File names, Save As filter text and destination paths for saving cached files.
#include "save/save_paths.h"

#include <cstring>
#include <initializer_list>

#include "app/cp932.h"

// "は、すでに存在します。上書きして、処理を続けてよろしいですか？" (code page 932).
const char kOverwriteQuestionText[] =
    "\x82\xcd\x81\x41\x82\xb7\x82\xc5\x82\xc9\x91\xb6\x8d\xdd\x82\xb5\x82\xdc\x82\xb7\x81\x42"
    "\x8f\xe3\x8f\x91\x82\xab\x82\xb5\x82\xc4\x81\x41\x8f\x88\x97\x9d\x82\xf0\x91\xb1\x82\xaf"
    "\x82\xc4\x82\xe6\x82\xeb\x82\xb5\x82\xa2\x82\xc5\x82\xb7\x82\xa9\x81\x48";
static_assert(sizeof kOverwriteQuestionText == kOverwriteQuestionTextLength + 1);
static_assert(kSavePathSize - 1 + kOverwriteQuestionTextLength < kQuestionSize);

namespace {

// The longest prefix of text, at most limit bytes, that does not end inside a
// double-byte character.
size_t CharacterBoundaryAtOrBefore(std::string_view text, size_t limit) {
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        size_t step = IsCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (i + step > limit) break;
        i += step;
        end = i;
    }
    return end;
}

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

void BuildOverwriteQuestion(std::string_view destination, char* question, size_t size) {
    if (size == 0) return;
    std::string_view text(kOverwriteQuestionText, kOverwriteQuestionTextLength);
    size_t room = size - 1 > text.size() ? size - 1 - text.size() : 0;
    size_t kept = CharacterBoundaryAtOrBefore(destination, room);
    if (!WriteJoined(question, size, {destination.substr(0, kept), text}))
        WriteJoined(question, size, {destination.substr(0, kept)});
}
