// The DDE client calls behind FetchBrowserUrl, as a table that tests can swap
// to count every handle and block, or to make a call fail that the real
// library cannot be made to fail. Defaults to the real functions.
#pragma once

#include <windows.h>
#include <ddeml.h>

struct DdeFetchOps {
    UINT(WINAPI* initialize)(LPDWORD instance, PFNCALLBACK callback, DWORD flags, DWORD reserved);
    BOOL(WINAPI* uninitialize)(DWORD instance);
    HSZ(WINAPI* createStringHandle)(DWORD instance, LPCSTR text, int codePage);
    BOOL(WINAPI* freeStringHandle)(DWORD instance, HSZ handle);
    HCONV(WINAPI* connect)(DWORD instance, HSZ service, HSZ topic, PCONVCONTEXT context);
    BOOL(WINAPI* disconnect)(HCONV conversation);
    HDDEDATA(WINAPI* clientTransaction)(LPBYTE data, DWORD length, HCONV conversation, HSZ item,
                                        UINT format, UINT type, DWORD timeout, LPDWORD result);
    DWORD(WINAPI* getData)(HDDEDATA data, LPBYTE destination, DWORD most, DWORD offset);
    BOOL(WINAPI* freeDataHandle)(HDDEDATA data);
    HGLOBAL(WINAPI* globalAlloc)(UINT flags, SIZE_T bytes);
    HGLOBAL(WINAPI* globalFree)(HGLOBAL block);
};

extern const DdeFetchOps realDdeFetchOps;
extern DdeFetchOps ddeFetchOps;

// Client instance flags: a standard client that skips every notification.
inline constexpr DWORD kDdeClientFlags = APPCLASS_STANDARD | APPCMD_CLIENTONLY | CBF_SKIP_ALLNOTIFICATIONS;
inline constexpr DWORD kWindowInfoTimeoutMs = 10000;
// The "Browser" setting is read into this many bytes, NUL included.
inline constexpr DWORD kBrowserServiceBufferSize = 255;
