// Conversions between the program's code pages and UTF-16, and its message box.
#include "text/wide_text_win.h"

#include <climits>
#include <cstring>
#include <new>

namespace {

// These run inside the dialog's procedure: memory that cannot be had gives
// the empty text (or a refusal), never an exception.
// flags as MultiByteToWideChar takes them (MB_ERR_INVALID_CHARS: none for
// bytes that are no character, rather than a stand-in for them).
std::wstring WideFrom(UINT codePage, std::string_view text, DWORD flags = 0) {
    if (text.empty() || text.size() > INT_MAX) return std::wstring();
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
    if (needed <= 0) return std::wstring();
    try {
        std::wstring wide(static_cast<size_t>(needed), L'\0');
        if (MultiByteToWideChar(codePage, flags, text.data(), length, &wide[0], needed) != needed) return std::wstring();
        return wide;
    } catch (const std::bad_alloc&) {
        return std::wstring();
    }
}

// flags and usedDefault as WideCharToMultiByte takes them for the code page.
bool BytesFrom(UINT codePage, std::wstring_view text, DWORD flags, BOOL* usedDefault, std::string& ansi) {
    ansi.clear();
    if (text.empty()) return true;
    if (text.size() > INT_MAX) return false;
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, usedDefault);
    if (needed <= 0) return false;
    try {
        ansi.assign(static_cast<size_t>(needed), '\0');
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (WideCharToMultiByte(codePage, flags, text.data(), length, &ansi[0], needed, nullptr, usedDefault) != needed) {
        ansi.clear();
        return false;
    }
    return true;
}

bool AnsiFrom(std::wstring_view text, DWORD flags, BOOL* usedDefault, std::string& ansi) {
    return BytesFrom(CP_ACP, text, flags, usedDefault, ansi);
}

}  // namespace

std::wstring WideFromCp932(std::string_view text) { return WideFrom(932, text); }

std::wstring WideFromAnsi(std::string_view text) { return WideFrom(CP_ACP, text); }

std::wstring WideFromUtf8(std::string_view utf8) { return WideFrom(CP_UTF8, utf8, MB_ERR_INVALID_CHARS); }

std::string Utf8FromWide(std::wstring_view wide) {
    std::string utf8;
    if (!BytesFrom(CP_UTF8, wide, WC_ERR_INVALID_CHARS, nullptr, utf8)) utf8.clear();
    return utf8;
}

bool AnsiFromWide(std::wstring_view text, std::string& ansi) {
    // UTF-8 (65001, the active code page of a manifest or of Windows' beta
    // option) spells every character; WideCharToMultiByte takes only 0 or
    // WC_ERR_INVALID_CHARS there, and no used-default flag. Every other code
    // page reports a character it lacks through that flag, and without
    // WC_NO_BEST_FIT_CHARS it would put a look-alike instead.
    if (GetACP() == CP_UTF8) return AnsiFrom(text, WC_ERR_INVALID_CHARS, nullptr, ansi);
    BOOL usedDefault = FALSE;
    if (!AnsiFrom(text, WC_NO_BEST_FIT_CHARS, &usedDefault, ansi)) return false;
    if (!usedDefault) return true;
    ansi.clear();
    return false;
}

size_t AnsiSpellingOf(char32_t codePoint, char* out, size_t capacity) {
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
    wchar_t units[2] = {};
    size_t count = 1;
    if (codePoint >= 0x10000) {  // a surrogate pair: the emoji and other planes
        units[0] = static_cast<wchar_t>(0xD800 + ((codePoint - 0x10000) >> 10));
        units[1] = static_cast<wchar_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        count = 2;
    } else {
        units[0] = static_cast<wchar_t>(codePoint);
    }
    std::string ansi;
    if (!AnsiFromWide(std::wstring_view(units, count), ansi) || ansi.empty() || ansi.size() > capacity) return 0;
    std::memcpy(out, ansi.data(), ansi.size());
    return ansi.size();
}

bool Utf8FromAnsi(std::string_view ansi, std::string& utf8) {
    utf8.clear();
    if (ansi.empty()) return true;
    const std::wstring wide = WideFrom(CP_ACP, ansi, MB_ERR_INVALID_CHARS);
    return !wide.empty() && BytesFrom(CP_UTF8, wide, WC_ERR_INVALID_CHARS, nullptr, utf8);
}

std::string AnsiFromWideForDisplay(std::wstring_view text) {
    std::string ansi;
    if (!AnsiFrom(text, 0, nullptr, ansi)) ansi.clear();
    return ansi;
}

int ShowMessage(HWND owner, const std::wstring& text, UINT style, MessageBoxFunction show) {
    return show(owner, text.c_str(), L"Tessiwok", style);
}

int ShowCp932Message(HWND owner, const char* text, UINT style, MessageBoxFunction show) {
    return ShowMessage(owner, WideFromCp932(text), style, show);
}
