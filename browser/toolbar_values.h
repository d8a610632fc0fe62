// The registry key and value set of the browser toolbar button.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Under HKEY_CURRENT_USER; the GUID names this program's own button.
inline constexpr const char kToolbarButtonKey[] =
    "Software\\Microsoft\\Internet Explorer\\Extensions\\{5D2E7A13-6B4F-4c91-A3D8-0F6C2B9E4A71}";
inline constexpr const char kExecValueName[] = "Exec";

// Paths in the key are bounded like every path the program builds: 260 bytes
// with the NUL. The start-up check reads "Exec" back into a buffer this size.
inline constexpr size_t kToolbarPathBufferSize = 260;

struct ToolbarButtonValue {
    const char* name;  // nullptr for the key's default (unnamed) value
    std::string text;  // stored as REG_SZ with its NUL
};

// The seven values in the order they are written, for an executable in
// moduleDirectory (trailing backslash included). Empty when the longest text,
// moduleDirectory + "Tessiwok.exe,102", does not fit 260 bytes with its NUL
// (a cut path would name another file), and when moduleDirectory is empty
// (the executable's folder could not be had; a bare file name would be looked
// for in whatever folder is current): nothing is offered to write then.
std::vector<ToolbarButtonValue> ToolbarButtonValues(const char* moduleDirectory);
