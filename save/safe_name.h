// File names from the URL cache made safe to create inside a chosen folder.
#pragma once

#include <string>
#include <string_view>

#include "text/lead_bytes.h"

// The cache holds addresses that any program may have written, and the last
// segment of one may mean something else in a Windows file name: "..\..\x.dll"
// would leave the folder, "a:b.gif" names a stream of a file "a", "CON.gif"
// or "nul" a device. This returns the name with every byte that Windows does
// not allow in a file name (\ / : * ? " < > | and 0x00-0x1F) replaced by "_",
// and with "_" put in front when the part before the first "." (trailing
// spaces aside, which Windows drops) is a device name: CON, PRN, AUX, NUL,
// COM1-COM9, LPT1-LPT9, in any case. A name made only of dots and spaces
// ("..", "." or "...", which would name the folder or its parent) becomes as
// many "_", and an empty name (what a folder address with a query leaves,
// "blog/?p=1") becomes "_".
//
// leadBytes: the name's code page. A lead byte and its trail byte are one
// character, so in code page 932 the trail byte 0x5C of 表 or 0x7C of ポ is
// kept; in 1252 or 65001, which have no lead bytes, every 0x5C is a "\". A
// lead byte without a valid trail byte (cut at the end, or followed by a byte
// that cannot be a trail byte) is replaced too. A name that is already safe
// comes back byte for byte; the result is as long as the name or one byte
// longer. A lone trailing "." or space is left to the platform.
std::string SafeFileName(std::string_view name, const LeadBytes& leadBytes);
