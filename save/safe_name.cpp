// File names from the URL cache made safe to create inside a chosen folder.
#include "save/safe_name.h"

#include <cstring>

#include "text/lead_bytes.h"

namespace {

bool IsForbiddenInFileName(unsigned char byte) {
    return byte < 0x20 || (byte != '\0' && std::strchr("\\/:*?\"<>|", byte) != nullptr);
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringAsciiCase(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (AsciiUpper(text[i]) != upper[i]) return false;
    return true;
}

// Windows opens a device for these whatever extension follows: COM and LPT
// with a digit 1-9 or a superscript 1-3, spelled as the code page spells it.
bool IsDeviceName(std::string_view base, const LeadBytes& leadBytes) {
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL"})
        if (EqualsIgnoringAsciiCase(base, device)) return true;
    if (base.size() < 4) return false;
    if (!EqualsIgnoringAsciiCase(base.substr(0, 3), "COM") && !EqualsIgnoringAsciiCase(base.substr(0, 3), "LPT"))
        return false;
    const std::string_view number = base.substr(3);
    if (number.size() == 1 && number[0] >= '1' && number[0] <= '9') return true;
    for (int digit = 1; digit <= 3; ++digit)
        if (!leadBytes.SuperscriptDigit(digit).empty() && number == leadBytes.SuperscriptDigit(digit)) return true;
    return false;
}

// "." and ".." name the folder itself and its parent, and Windows drops the
// trailing dots and spaces of a name, so "..." or ". ." mean the folder too.
bool IsOnlyDotsAndSpaces(std::string_view name) {
    return !name.empty() && name.find_first_not_of(". ") == std::string_view::npos;
}

}  // namespace

std::string SafeFileName(std::string_view name, const LeadBytes& leadBytes) {
    // An address that is a folder plus a query ("blog/?p=1") leaves no name at
    // all: the destination would be the folder itself.
    if (name.empty()) return "_";
    if (IsOnlyDotsAndSpaces(name)) return std::string(name.size(), '_');
    std::string safe;
    safe.reserve(name.size() + 1);
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(name[i]);
        if (leadBytes.IsLead(byte)) {
            if (i + 1 < name.size() && leadBytes.IsTrail(static_cast<unsigned char>(name[i + 1]))) {
                safe.append(name.substr(i, 2));
                ++i;
            } else {
                safe.push_back('_');  // no character: the platform would make something else of it
            }
        } else {
            safe.push_back(IsForbiddenInFileName(byte) ? '_' : name[i]);
        }
    }
    safe.resize(WithoutTrailingDotsAndSpaces(safe).size());
    if (safe.empty()) return "_";
    if (IsDeviceName(std::string_view(safe).substr(0, safe.find('.')), leadBytes)) safe.insert(safe.begin(), '_');
    return safe;
}

std::string_view WithoutTrailingDotsAndSpaces(std::string_view name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
    return name;
}
