// Percent escapes in addresses: decoding escaped UTF-8, escaping for sending,
// and UTF-16 addresses spelled or escaped.
#include "text/url_escapes.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The byte of the escape "%XX" at text[at], or -1 when none starts there.
int EscapedByte(std::string_view text, size_t at) {
    if (at + 3 > text.size() || text[at] != '%') return -1;
    const int high = HexValue(text[at + 1]);
    const int low = HexValue(text[at + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Length of the UTF-8 character at bytes[at] and its code point; 0 when no
// valid character starts there (RFC 3629's table of well-formed sequences).
size_t Utf8Character(std::string_view bytes, size_t at, char32_t& codePoint) {
    const unsigned char lead = static_cast<unsigned char>(bytes[at]);
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;  // bounds of the second byte
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() - at < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(bytes[at + i]);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    return length;
}

// The code page's spelling of a character that may be decoded, or 0 bytes.
size_t Spelling(char32_t codePoint, SpellCodePoint spell, char (&out)[kSpellingCapacity]) {
    if (codePoint < 0x80 || StaysEscaped(codePoint)) return 0;
    const size_t length = spell(codePoint, out, sizeof out);
    if (length == 0 || length > sizeof out || static_cast<unsigned char>(out[0]) < 0x80) return 0;
    for (size_t i = 1; i < length; ++i)
        if (static_cast<unsigned char>(out[i]) < 0x40) return 0;
    return length;
}

// Appends the run of escapes text[begin, end), decoded where it may be.
void AppendRun(std::string_view text, size_t begin, size_t end, SpellCodePoint spell, std::string& out) {
    std::string bytes;
    bytes.reserve((end - begin) / 3);
    for (size_t at = begin; at < end; at += 3) bytes.push_back(static_cast<char>(EscapedByte(text, at)));
    std::string decoded;
    size_t written = begin;  // the escape of the current character in text
    for (size_t at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        const size_t length = Utf8Character(bytes, at, codePoint);
        if (length == 0) {  // not UTF-8: the whole run stays as written
            out.append(text.substr(begin, end - begin));
            return;
        }
        char spelled[kSpellingCapacity];
        const size_t spelledLength = Spelling(codePoint, spell, spelled);
        if (spelledLength > 0) {
            decoded.append(spelled, spelledLength);
        } else {
            decoded.append(text.substr(written, 3 * length));
        }
        at += length;
        written += 3 * length;
    }
    out.append(decoded);
}

// Appends the byte as %XX in upper-case hex.
void AppendEscape(char c, std::string& out) {
    static const char kHex[] = "0123456789ABCDEF";
    const unsigned char byte = static_cast<unsigned char>(c);
    out.push_back('%');
    out.push_back(kHex[byte >> 4]);
    out.push_back(kHex[byte & 0x0F]);
}

// The UTF-8 bytes of a code point (at most U+10FFFF, no surrogate).
std::string Utf8Of(char32_t c) {
    std::string bytes;
    if (c < 0x80) {
        bytes.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        bytes.push_back(static_cast<char>(0xC0 | (c >> 6)));
        bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        bytes.push_back(static_cast<char>(0xE0 | (c >> 12)));
        bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        bytes.push_back(static_cast<char>(0xF0 | (c >> 18)));
        bytes.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    return bytes;
}

// The code point of the UTF-16 character at text[at] and its length in units.
size_t Utf16Character(std::u16string_view text, size_t at, char32_t& codePoint) {
    const char32_t unit = text[at];
    if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF) {
        codePoint = 0x10000 + ((unit - 0xD800) << 10) + (text[at + 1] - 0xDC00);
        return 2;
    }
    codePoint = unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit;
    return 1;
}

}  // namespace

bool StaysEscaped(char32_t c) {
    return (c >= 0x80 && c <= 0x9F) || c == 0xAD || c == 0x34F || c == 0x61C || c == 0x115F || c == 0x1160 ||
           c == 0x180E || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
           (c >= 0x2060 && c <= 0x206F) || c == 0x3164 || (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF ||
           c == 0xFFA0 || (c >= 0xE0000 && c <= 0xE0FFF);
}

std::string DecodeUtf8Escapes(std::string_view path, SpellCodePoint spell) {
    std::string out;
    out.reserve(path.size());
    for (size_t at = 0; at < path.size();) {
        if (EscapedByte(path, at) < 0) {
            out.push_back(path[at++]);
            continue;
        }
        size_t end = at;
        while (EscapedByte(path, end) >= 0) end += 3;
        AppendRun(path, at, end, spell, out);
        at = end;
    }
    return out;
}

std::string EscapeNonAscii(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        if (static_cast<unsigned char>(c) < 0x80) {
            out.push_back(c);
        } else {
            AppendEscape(c, out);
        }
    }
    return out;
}

std::string AnsiOrEscapedFromUtf16(std::u16string_view text, SpellCodePoint spell) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        char32_t codePoint = 0;
        at += Utf16Character(text, at, codePoint);
        char spelled[kSpellingCapacity];
        if (codePoint >= 0x20 && codePoint < 0x7F) {
            out.push_back(static_cast<char>(codePoint));
        } else if (const size_t length = Spelling(codePoint, spell, spelled)) {
            out.append(spelled, length);
        } else {
            for (char byte : Utf8Of(codePoint)) AppendEscape(byte, out);
        }
    }
    return out;
}
