// The browser's answer to the window-information request, and the page
// address taken out of it. Plain byte work over ANSI code page text: the two
// bytes looked for (comma, double quote) never occur as a trail byte of a
// double-byte code page (trail bytes start at 0x40), nor inside UTF-8.
#pragma once

#include <cstddef>

// Fixed names of the request: the topic, and the item that asks for the
// browser's most recently active window.
inline constexpr const char kWindowInfoTopic[] = "WWW_GetWindowInfo";
inline constexpr const char kWindowInfoItem[] = "0xFFFFFFFF";

// The reply block: zero-filled, one byte longer than the most that is copied
// into it, so the text in it always ends with a NUL.
inline constexpr size_t kReplyBlockSize = 5000;
inline constexpr size_t kReplyMaxBytes = kReplyBlockSize - 1;

// Takes the first field of the NUL-terminated reply, in place: skips at most
// one opening double quote, then ends the text at the first comma or double
// quote. Returns where the address starts inside the reply (never null). No
// trimming and no unescaping.
char* ParseWindowInfoReply(char* reply);
