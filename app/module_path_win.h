// The running executable's file name and directory.
#pragma once

#include <windows.h>

#include <string>

#include "app/module_path.h"

// The full file name of the running executable exactly as UTF-16
// (GetModuleFileNameW into 260 units), or "" when it cannot be had or does
// not fit.
std::wstring RunningModuleFileNameW();

// Its folder in UTF-16 with the trailing "\", or "" when it cannot be had.
std::wstring RunningModuleDirectoryW();

// The same in the ANSI code page: its exact spelling, or its short name when
// the code page cannot spell a folder of it (C:\Users\田中\ under 1252); ""
// when neither spells it or it is longer than 259 bytes.
std::string RunningModuleFileName();

// Writes the executable's directory with its trailing "\" into directory
// (size bytes with the NUL), spelled as RunningModuleFileName spells it; ""
// when the name has no "\" or cannot be had.
void ComputeModuleDirectory(char* directory, size_t size);
