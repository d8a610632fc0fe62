// The ANSI code page the program runs under: the lead bytes of its
// double-byte characters, and typed Unicode text made into its bytes.
#pragma once

#include <windows.h>

#include "app/lead_bytes.h"

// The ANSI code page's lead bytes (GetCPInfo), read at the first call and
// kept: SettingsFile, constructed before WinMain runs, is the first to ask.
const LeadBytes& AnsiLeadBytes();

// Writes NUL-terminated UTF-16 text as the bytes of codePage, NUL included,
// into out (size bytes). False, with out undefined, when a character has no
// form of its own there (no best-fit stand-in: é is never written as e), the
// text is not valid UTF-16, or it does not fit.
bool ExactBytesInCodePage(UINT codePage, const wchar_t* text, char* out, int size);
