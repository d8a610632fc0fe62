// A stand-in for the web browser's DDE server: serves the window-information
// topic under a given service name and answers every CF_TEXT request for the
// browser's most recently active window with the given raw bytes. A client
// that connects without a service name (any server of the topic) reaches it.
//
//   standin_browser --service NAME [--reply TEXT | --reply-hex HEX | --reply-file PATH]
//                   [--delay MS] [--refuse] [--ready EVENT] [--quit EVENT] [--lifetime MS]
//                   [--log PATH]
//
// --ready names an event (made by whoever starts this) that is set once the
// service is registered; without it "ready" is printed on stdout instead.
// It serves until the --quit event is set or --lifetime (default 10 minutes)
// runs out. --delay holds each answer back, for a client that times out.
// --refuse answers every request with no data, as a browser that cannot.
// --log appends one line per request: "request <item> <format>".
#include <windows.h>
#include <ddeml.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/testkit/paths.h"

namespace {

DWORD instance = 0;
HSZ serviceName = nullptr;
HSZ topic = nullptr;
HSZ item = nullptr;
std::string reply;
DWORD delayMs = 0;
bool refuse = false;
HANDLE quitEvent = nullptr;
std::string logPath;

void LogRequest(HSZ requested, UINT format) {
    if (logPath.empty()) return;
    char name[256] = {};
    DdeQueryStringA(instance, requested, name, sizeof name, CP_WINANSI);
    if (FILE* log = std::fopen(logPath.c_str(), "ab")) {
        std::fprintf(log, "request %s %u\n", name, format);
        std::fclose(log);
    }
}

HDDEDATA CALLBACK Serve(UINT type, UINT format, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:  // hsz1 topic, hsz2 service (filtered by the name service)
        return reinterpret_cast<HDDEDATA>(static_cast<UINT_PTR>(DdeCmpStringHandles(hsz1, topic) == 0));
    case XTYP_WILDCONNECT: {  // a client that names no service or no topic
        // hsz1 topic, hsz2 service, either may be 0: answer with the one pair
        // served here, as browsers do, when it matches what was named.
        if ((hsz1 != nullptr && DdeCmpStringHandles(hsz1, topic) != 0) ||
            (hsz2 != nullptr && DdeCmpStringHandles(hsz2, serviceName) != 0))
            return nullptr;
        HSZPAIR pairs[2] = {{serviceName, topic}, {nullptr, nullptr}};
        return DdeCreateDataHandle(instance, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0, nullptr, 0, 0);
    }
    case XTYP_REQUEST:  // hsz1 topic, hsz2 item
        LogRequest(hsz2, format);
        if (refuse || format != CF_TEXT || DdeCmpStringHandles(hsz2, item) != 0) return nullptr;
        if (delayMs != 0) {
            // Holding the answer back blocks this thread, as a busy browser would.
            if (quitEvent != nullptr)
                WaitForSingleObject(quitEvent, delayMs);
            else
                Sleep(delayMs);
        }
        return DdeCreateDataHandle(instance, reinterpret_cast<LPBYTE>(&reply[0]),
                                   static_cast<DWORD>(reply.size()), 0, hsz2, CF_TEXT, 0);
    default:
        return nullptr;
    }
}

bool FromHex(const char* hex, std::string& bytes) {
    size_t n = std::strlen(hex);
    if (n % 2 != 0) return false;
    for (size_t i = 0; i < n; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], '\0'};
        char* end = nullptr;
        unsigned long value = std::strtoul(pair, &end, 16);
        if (end != pair + 2) return false;
        bytes.push_back(static_cast<char>(value));
    }
    return true;
}

int Usage(const char* why) {
    std::fprintf(stderr, "standin_browser: %s\n", why);
    return 64;
}

}  // namespace

int main(int argc, char** argv) {
    std::string service;
    std::string readyName;
    std::string quitName;
    DWORD lifetimeMs = 10 * 60 * 1000;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--refuse") {
            refuse = true;
            continue;
        }
        if (i + 1 >= argc) return Usage(("missing value after " + option).c_str());
        const char* value = argv[++i];
        if (option == "--service") service = value;
        else if (option == "--reply") reply = value;
        else if (option == "--reply-hex") {
            reply.clear();
            if (!FromHex(value, reply)) return Usage("--reply-hex needs pairs of hex digits");
        } else if (option == "--reply-file") {
            reply = testkit::ReadWholeFile(value);
        } else if (option == "--delay") delayMs = std::strtoul(value, nullptr, 10);
        else if (option == "--ready") readyName = value;
        else if (option == "--quit") quitName = value;
        else if (option == "--lifetime") lifetimeMs = std::strtoul(value, nullptr, 10);
        else if (option == "--log") logPath = value;
        else return Usage(("unknown option " + option).c_str());
    }
    if (service.empty()) return Usage("--service is required");

    if (!quitName.empty()) {
        quitEvent = OpenEventA(SYNCHRONIZE, FALSE, quitName.c_str());
        if (quitEvent == nullptr) return Usage("the --quit event does not exist");
    }

    const DWORD flags = APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES | CBF_FAIL_EXECUTES |
                        CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (DdeInitializeA(&instance, Serve, flags, 0) != DMLERR_NO_ERROR) {
        std::fprintf(stderr, "standin_browser: DdeInitializeA failed\n");
        return 1;
    }
    serviceName = DdeCreateStringHandleA(instance, service.c_str(), CP_WINANSI);
    topic = DdeCreateStringHandleA(instance, "WWW_GetWindowInfo", CP_WINANSI);
    item = DdeCreateStringHandleA(instance, "0xFFFFFFFF", CP_WINANSI);
    if (DdeNameService(instance, serviceName, nullptr, DNS_REGISTER) == nullptr) {
        std::fprintf(stderr, "standin_browser: cannot register service %s\n", service.c_str());
        DdeUninitialize(instance);
        return 1;
    }

    if (readyName.empty()) {
        std::printf("ready\n");
        std::fflush(stdout);
    } else if (HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, readyName.c_str())) {
        SetEvent(ready);
        CloseHandle(ready);
    }

    // The DDE windows live on this thread: pump until told to stop.
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= lifetimeMs) break;
        DWORD waited = MsgWaitForMultipleObjects(quitEvent ? 1 : 0, &quitEvent, FALSE, lifetimeMs - elapsed,
                                                 QS_ALLINPUT);
        if (quitEvent != nullptr && waited == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    DdeNameService(instance, serviceName, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(instance, item);
    DdeFreeStringHandle(instance, topic);
    DdeFreeStringHandle(instance, serviceName);
    DdeUninitialize(instance);
    if (quitEvent != nullptr) CloseHandle(quitEvent);
    return 0;
}
