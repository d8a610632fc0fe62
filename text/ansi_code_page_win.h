// The ANSI code page the program runs under: the lead bytes of its
// double-byte characters (conversions into it: text/wide_text_win.h).
#pragma once

#include <windows.h>

#include "text/lead_bytes.h"

// The ANSI code page's lead bytes (GetCPInfo), read at the first call and
// kept: SettingsFile, constructed before WinMain runs, is the first to ask.
const LeadBytes& AnsiLeadBytes();
