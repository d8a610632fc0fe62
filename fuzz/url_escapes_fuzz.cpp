// Decoding escaped UTF-8 in paths, from arbitrary bytes, under a code page
// that the first byte picks. Rules out a decoding that makes a "/", "?", "."
// or NUL the address did not have, grows the path, touches a path without
// "%", or decodes what it must keep escaped (escaping the decoded UTF-8 again
// must give the escapes back), and a saved name that could leave its folder.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "save/safe_name.h"
#include "text/url_escapes.h"

namespace {

size_t SpellUtf8(char32_t c, char* out, size_t) {
    static const unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
    const size_t length = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    for (size_t i = length; i-- > 1; c >>= 6) out[i] = static_cast<char>(0x80 | (c & 0x3F));
    out[0] = static_cast<char>(kLead[length] | c);
    return length;
}

// A double-byte code page of code page 932's lead bytes that spells the CJK
// range, with trail bytes "\" and "|" among others; and a careless one that
// answers with ASCII or control bytes, which decoding must refuse.
size_t SpellDoubleByte(char32_t c, char* out, size_t capacity) {
    if (capacity < 2 || c < 0x3000 || c > 0x9FFF) return 0;
    out[0] = static_cast<char>(0x88 + c % 0x18);
    out[1] = static_cast<char>(0x40 + c % 0x3F);
    return 2;
}
size_t SpellCareless(char32_t c, char* out, size_t capacity) {
    if (capacity < 2) return 0;
    out[0] = static_cast<char>(c % 3 == 0 ? '\\' : 0x90);
    out[1] = static_cast<char>(c % 5 == 0 ? '/' : c % 5 == 1 ? '\0' : 0x41);
    return c % 2 == 0 ? 1 : 2;
}

// Every byte but letters, digits and "%" as %XX, upper case.
std::string EscapeAllButLettersAndDigits(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '%') {
            out.push_back(static_cast<char>(c));
        } else {
            out += {'%', "0123456789ABCDEF"[c >> 4], "0123456789ABCDEF"[c & 15]};
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const SpellCodePoint kSpellers[] = {SpellUtf8, SpellDoubleByte, SpellCareless};
    if (size == 0) return 0;
    const SpellCodePoint spell = kSpellers[data[0] % 3];
    const std::string path(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::string shown = DecodeUtf8Escapes(path, spell);
    Require(shown.size() <= path.size());
    if (path.find('%') == std::string::npos) Require(shown == path);
    for (char kept : std::string_view("/?.#\0", 5))
        Require(std::count(shown.begin(), shown.end(), kept) == std::count(path.begin(), path.end(), kept));
    Require(std::count(shown.begin(), shown.end(), '%') <= std::count(path.begin(), path.end(), '%'));
    if (spell != SpellDoubleByte)
        Require(std::count(shown.begin(), shown.end(), '\\') == std::count(path.begin(), path.end(), '\\'));

    // Under UTF-8 what stays escaped (ASCII among it) stays as written, and
    // what is decoded is the very bytes the escapes stood for.
    std::string raw = path;
    raw.erase(std::remove(raw.begin(), raw.end(), '%'), raw.end());
    const std::string sent = EscapeAllButLettersAndDigits(raw);
    Require(EscapeAllButLettersAndDigits(DecodeUtf8Escapes(sent, SpellUtf8)) == sent);

    // The saved name of the decoded path stays one name inside the folder.
    const std::string_view last = std::string_view(shown).substr(shown.find_last_of('/') + 1);
    const LeadBytes& leadBytes = spell == SpellDoubleByte ? Cp932LeadBytes() : NoLeadBytes();
    const std::string saved = SafeFileName(last, leadBytes);
    Require(LastBackslash(saved, leadBytes) == std::string::npos && saved.find('/') == std::string::npos);
    return 0;
}
