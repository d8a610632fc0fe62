// Percent escapes in addresses: the name a browser shows for a path that it
// sent as escaped UTF-8, the escaped form it sends a typed address in, and
// an address a page window reports in UTF-16 put into the ANSI code page.
// Byte work only; the ANSI code page comes in through a spelling callback.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Writes the ANSI code page's own spelling of a code point into out (at most
// capacity bytes) and returns its length; 0 when the code page has none of
// its own (no best-fit look-alike).
using SpellCodePoint = size_t (*)(char32_t codePoint, char* out, size_t capacity);

// Room that a spelling gets: 2 bytes in a double-byte code page, 4 in UTF-8.
constexpr size_t kSpellingCapacity = 8;

// Characters that address bars keep escaped because they hide or reorder
// text: C1 controls, bidirectional controls, zero-width and other invisible
// characters, line and paragraph separators.
bool StaysEscaped(char32_t codePoint);

// The path with its %XX escapes of UTF-8 turned into characters of the ANSI
// code page, as a browser shows them. Each run of consecutive escapes is
// judged as a whole: a run that is not valid UTF-8 (RFC 3629: no overlong
// form, no surrogate, nothing past U+10FFFF), such as Shift_JIS bytes that a
// page escaped itself, stays as written. In a valid run each character is
// decoded on its own, and stays as written (its hex in the case it had) when
// it is ASCII (%20, %2F, %25, %00 ...), stays escaped (above), or the code
// page has no spelling for it. A spelling is taken only when its first byte
// is 0x80 or above and no byte is below 0x40, so decoding never makes a "/",
// "\" of its own, ".", "?", "%" or NUL. Raw bytes are copied as they are.
std::string DecodeUtf8Escapes(std::string_view path, SpellCodePoint spell);

// UTF-8 text with every byte 0x80 and above written as %XX in upper-case hex,
// as a browser sends an address; ASCII, escapes included, stays as it is.
std::string EscapeNonAscii(std::string_view utf8);

// UTF-16 text (the address a page's window reports) as ANSI code page bytes:
// each character as the code page spells it (under the rules of
// DecodeUtf8Escapes), every other one as upper-case %XX of its UTF-8, as a
// browser sends it. ASCII controls are escaped too, so no NUL or line break
// gets through; a lone surrogate counts as U+FFFD.
std::string AnsiOrEscapedFromUtf16(std::u16string_view text, SpellCodePoint spell);
