// The Zone.Identifier text for a copy from a cached address.
#include "save/zone_mark.h"


namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSchemeByte(char c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }

// Where the authority starts (just after "scheme://"), or npos.
size_t AuthorityStart(std::string_view address) {
    const size_t colon = address.find(':');
    if (colon == std::string_view::npos || colon == 0 || !IsAsciiLetter(address[0])) return std::string_view::npos;
    for (size_t i = 1; i < colon; ++i)
        if (!IsSchemeByte(address[i])) return std::string_view::npos;
    if (address.substr(colon + 1, 2) != "//") return std::string_view::npos;
    return colon + 3;
}

}  // namespace

uint32_t ZoneOfCopy(uint32_t mapped, bool fromLowStore) {
    return fromLowStore && mapped != kZoneUntrusted ? kZoneInternet : mapped;
}

std::string WithoutUserInfo(std::string_view address, const LeadBytes& leadBytes) {
    const size_t start = AuthorityStart(address);
    if (start == std::string_view::npos) return std::string(address);
    const size_t end = address.find_first_of("/?#", start);
    const std::string_view authority = address.substr(start, end == std::string_view::npos ? end : end - start);
    size_t lastAt = std::string_view::npos;
    for (size_t i = 0; i < authority.size(); i += CharacterLength(authority, i, leadBytes))
        if (authority[i] == '@') lastAt = i;
    if (lastAt == std::string_view::npos) return std::string(address);
    std::string cut(address.substr(0, start));
    cut.append(address.substr(start + lastAt + 1));
    return cut;
}

std::string OnOneLine(std::string_view address) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string line;
    line.reserve(address.size());
    for (char c : address) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            line.push_back(c);
            continue;
        }
        line.push_back('%');
        line.push_back(kHex[byte >> 4]);
        line.push_back(kHex[byte & 0x0F]);
    }
    return line;
}

std::string ZoneIdentifierText(uint32_t zone, std::string_view address, const LeadBytes& leadBytes) {
    if (zone != kZoneInternet && zone != kZoneUntrusted) return "";
    std::string text = "[ZoneTransfer]\r\nZoneId=";
    text.push_back(static_cast<char>('0' + zone));
    text += "\r\n";
    if (!address.empty()) text += "HostUrl=" + OnOneLine(WithoutUserInfo(address, leadBytes)) + "\r\n";
    return text;
}
