// Texts for the Unicode functions. The program's own texts are code page 932
// bytes whatever the system's ANSI code page; paths, settings and cache data
// are bytes in the ANSI code page. Each is converted from its own code page.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Code page 932 bytes (the program's literals) as UTF-16.
std::wstring WideFromCp932(std::string_view text);

// Bytes in the ANSI code page (a path, a setting, a cache cell) as UTF-16.
std::wstring WideFromAnsi(std::string_view text);

// UTF-16 as bytes in the ANSI code page, exactly or not at all: false when a
// character has no spelling of its own there (none, or only a best-fit
// look-alike such as "\" for "¥" in code page 932), or the text is not valid
// UTF-16. A path spelled that way would name another file.
bool AnsiFromWide(std::wstring_view text, std::string& ansi);

// The ANSI code page's own spelling of one code point (a SpellCodePoint for
// DecodeUtf8Escapes): its length in out, 0 when AnsiFromWide refuses it or
// it needs more than capacity bytes.
size_t AnsiSpellingOf(char32_t codePoint, char* out, size_t capacity);

// Bytes in the ANSI code page as UTF-8, exactly: false for bytes that are no
// character there (a lead byte cut off, an unassigned byte).
bool Utf8FromAnsi(std::string_view ansi, std::string& utf8);

// UTF-8 (the paths a browser cache row keeps) as UTF-16 and back; empty for
// a text that is not valid in its encoding.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

// UTF-16 as bytes in the ANSI code page for reading only (text on the
// clipboard): a character the code page lacks becomes its default character.
std::string AnsiFromWideForDisplay(std::wstring_view text);

// MessageBoxW, or a stand-in of the same signature from a test's table.
using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style);

// A message box captioned "Tessiwok" with a UTF-16 text; returns its answer.
int ShowMessage(HWND owner, const std::wstring& text, UINT style, MessageBoxFunction show = MessageBoxW);
// The same with one of the program's code page 932 texts.
int ShowCp932Message(HWND owner, const char* text, UINT style, MessageBoxFunction show = MessageBoxW);
