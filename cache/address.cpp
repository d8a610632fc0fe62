// Address cutting and entry building from cache records.
#include "cache/address.h"

#include <cstring>

void CutToDirectory(char* address) {
    size_t length = std::strlen(address);
    for (size_t i = length; i-- > 1;) {
        if (address[i] == '/') {
            address[i + 1] = '\0';
            return;
        }
    }
}

bool IsCollected(const CacheRecord& record, std::string_view prefix) {
    // A record without a source URL cannot start with any prefix.
    if (record.sourceUrl == nullptr) return false;
    if (std::strncmp(record.sourceUrl, prefix.data(), prefix.size()) != 0) return false;
    if (record.localFile == nullptr) return false;
    if (record.sizeHigh != 0) return false;
    // strncmp matched all prefix bytes, so the URL is at least that long.
    const char* rest = record.sourceUrl + prefix.size();
    size_t restLength = std::strlen(rest);
    if (restLength == 0) return false;
    return rest[restLength - 1] != '/';
}

std::string_view MatchingPrefix(const char* sourceUrl, const CollectPrefixes& prefixes) {
    if (sourceUrl == nullptr || prefixes.sent.empty()) return prefixes.typed;
    if (std::strncmp(sourceUrl, prefixes.typed.data(), prefixes.typed.size()) == 0) return prefixes.typed;
    if (std::strncmp(sourceUrl, prefixes.sent.data(), prefixes.sent.size()) == 0) return prefixes.sent;
    return prefixes.typed;
}

void SetPathAndExtension(std::string_view rest, CacheEntry& entry, SpellCodePoint spell) {
    size_t query = rest.find('?');
    if (query != std::string_view::npos) rest = rest.substr(0, query);
    // Only a path with a "%" can change: the rest are copied as they are.
    if (spell != nullptr && rest.find('%') != std::string_view::npos) {
        entry.relativePath = DecodeUtf8Escapes(rest, spell);
    } else {
        entry.relativePath.assign(rest.data(), rest.size());
    }

    const std::string_view path = entry.relativePath;
    size_t slash = path.rfind('/');
    std::string_view segment = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = segment.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == segment.size()) {
        entry.extension = "---";
    } else {
        std::string_view ext = segment.substr(dot + 1);
        entry.extension.assign(ext.data(), ext.size());
    }
}
