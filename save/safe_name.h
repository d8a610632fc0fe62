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
// without the dots and spaces at its end (Windows drops them when it creates
// the file, but not from "name.:Zone.Identifier", which would then mark
// another file), and with "_" put in front when the part before the first
// "." (trailing spaces aside, which Windows drops) is a device name: CON,
// PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, COM and LPT with a superscript 1-3
// (as leadBytes says the code page spells them), in any case. A name made
// only of dots and spaces
// ("..", "." or "...", which would name the folder or its parent) becomes as
// many "_", and an empty name (what a folder address with a query leaves,
// "blog/?p=1") becomes "_".
//
// leadBytes: the name's code page. A lead byte and its trail byte are one
// character, so in code page 932 the trail byte 0x5C of 表 or 0x7C of ポ is
// kept; in 1252 or 65001, which have no lead bytes, every 0x5C is a "\". A
// lead byte without a valid trail byte (cut at the end, or followed by a byte
// that cannot be a trail byte) is replaced too. A name that is already safe
// comes back byte for byte; the result is at most one byte longer than the
// name, and never empty.
std::string SafeFileName(std::string_view name, const LeadBytes& leadBytes);

// The name or path without the dots and spaces at its end: what Windows
// makes of its last part. No trail byte of any ANSI code page is a "." or
// a space, so this holds for double-byte text too.
std::string_view WithoutTrailingDotsAndSpaces(std::string_view name);
