// The page address out of the browser's window-information reply.
#include "browser/window_info.h"

char* ParseWindowInfoReply(char* reply) {
    char* address = reply;
    if (*address == '"') ++address;  // one quote only; spaces are not skipped
    char* end = address;
    while (*end != '\0' && *end != ',' && *end != '"') ++end;
    *end = '\0';
    return address;
}
