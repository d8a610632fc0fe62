// Paths beside the executable, composed from its module file name. ANSI code
// page bytes: the directory ends at the last "\" that is not a trail byte of
// a double-byte character (leadBytes: that code page's lead bytes).
#pragma once

#include <cstddef>
#include <string_view>

#include "text/lead_bytes.h"

// The directory part of a module file name with its trailing "\", or an empty
// view when the name holds no "\" at all.
std::string_view DirectoryOf(std::string_view moduleFileName, const LeadBytes& leadBytes);

// Writes the directory of moduleFileName (trailing "\" included) followed by
// fileName into out, which holds size bytes including the NUL; fileName may
// be empty to get the directory alone. When the name has no directory, or the
// result would not fit, out becomes "" and the answer is false: a cut path
// would name another file or folder.
bool ComposeBesideModule(std::string_view moduleFileName, std::string_view fileName, char* out, size_t size,
                         const LeadBytes& leadBytes);
