// The Zone.Identifier text that marks a file copied out of the cache with the
// zone its address belongs to, as a browser marks a download. Byte strings
// only (addresses in the ANSI code page, whose lead bytes are given): built
// natively too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/lead_bytes.h"

// The URL security zones, as the platform's security manager numbers them.
inline constexpr uint32_t kZoneLocalMachine = 0;
inline constexpr uint32_t kZoneIntranet = 1;
inline constexpr uint32_t kZoneTrusted = 2;
inline constexpr uint32_t kZoneInternet = 3;
inline constexpr uint32_t kZoneUntrusted = 4;  // Restricted sites

// The zone a copy is marked with: the one its address maps to (any value,
// a failed lookup's too), but for a file from the low-integrity store at
// least the Internet zone. Protected Mode pages, which write that store, run
// only in the Internet and Restricted zones, and any low process can write
// it: its address is a claim. Restricted stays Restricted. A browser's own
// disk cache is written by the browser's network process, at the user's own
// integrity, for the address it fetched: like the program's own store, its
// mapped zone holds (a page may have made the browser fetch an intranet
// address, but the bytes came from there).
uint32_t ZoneOfCopy(uint32_t mapped, bool fromLowStore);

// The address without its user name and password: in "scheme://authority..."
// the authority runs from after "//" up to the first "/", "?" or "#", and
// everything in it up to and including its last "@" goes. The "@" search
// knows double-byte characters (0x40 is a trail byte, as in ァ 83 40 of code
// page 932); the three end bytes never are. An address without "scheme://" (a scheme is a
// letter followed by letters, digits, "+", "-" or ".") comes back unchanged.
std::string WithoutUserInfo(std::string_view address, const LeadBytes& leadBytes);

// The address with every control byte (0x00-0x1F, 0x7F) written as "%XX",
// so that it stays on one line. No trail byte is a control byte, so no
// double-byte character is split; other bytes, "%" among them, stay as they are.
std::string OnOneLine(std::string_view address);

// The stream's whole text for a copy from the address, or "" when the zone
// gets no mark: only the Internet (3) and Restricted (4) zones do, as for a
// download; the computer, intranet, trusted sites and any other value (an
// unknown zone, a failed lookup) do not. The text is
//   [ZoneTransfer]\r\nZoneId=<zone>\r\nHostUrl=<address>\r\n
// with the address cut by WithoutUserInfo and put on one line by OnOneLine;
// an empty address leaves out the HostUrl line. No length limit: the text
// grows with the address (the cache bounds that).
std::string ZoneIdentifierText(uint32_t zone, std::string_view address, const LeadBytes& leadBytes);
