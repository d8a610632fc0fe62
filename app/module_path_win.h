// The running executable's file name and directory.
#pragma once

#include <windows.h>

#include <string>

#include "app/module_path.h"

// The full file name of the running executable (GetModuleFileNameA into 260
// bytes), or "" when it cannot be had or does not fit.
std::string RunningModuleFileName();

// Writes the executable's directory with its trailing "\" into directory
// (size bytes with the NUL); "" when the name has no "\" or cannot be had.
void ComputeModuleDirectory(char* directory, size_t size);
