// Paths the system hands over in UTF-16, as the ANSI code page bytes that
// open the same file.
#pragma once

#include <windows.h>

#include <string>

// The path in the ANSI code page: its exact spelling there, or else its short
// (8.3) name, which such a volume gives in ASCII. False when neither spells
// it (a volume without short names, or a path that does not exist): a "?"
// or a look-alike would name some other file. path may be cut at its NUL.
bool AnsiPathFromWide(const std::wstring& path, std::string& ansi);
