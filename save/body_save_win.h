// Writes a decoded body to a file: whole, or not at all.
#pragma once

#include <windows.h>

#include <string_view>

#include "save/body_decode.h"

// The platform calls the writer makes, as a table a test can swap: to make a
// write or the final move fail. Defaults to the real functions.
struct BodyFileOps {
    HANDLE(WINAPI* createFile)(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE templateFile);
    BOOL(WINAPI* writeFile)(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped);
    BOOL(WINAPI* closeHandle)(HANDLE handle);
    BOOL(WINAPI* moveFileEx)(LPCWSTR from, LPCWSTR to, DWORD flags);
    BOOL(WINAPI* deleteFile)(LPCWSTR path);
};

extern const BodyFileOps realBodyFileOps;
extern BodyFileOps bodyFileOps;

// Decodes the raw body that reader gives, by contentEncoding, into a new
// temporary file beside destination (an ANSI code page path, as the save
// commands build it), and moves that over destination once it is whole.
// False, with no temporary file left and destination as it was, when the
// encoding cannot be decoded, the reader fails or reports a change, the body
// is corrupt, cut short or decodes past kMaxDecodedBodySize, or the file
// cannot be written or moved into place. An existing destination is
// replaced as it stands: its read-only, hidden or system attribute is the
// caller's to clear first, as for a copy.
bool WriteDecodedBody(BodyReader& reader, std::string_view contentEncoding, const char* destination);
