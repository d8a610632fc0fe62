// The platform calls behind the search for a page's window, as a table that
// tests can swap to count what is asked and released, or to let the clock run
// out. Defaults to the real functions.
#pragma once

#include <windows.h>

#include <string>

struct PageWindowOps {
    BOOL(WINAPI* enumWindows)(WNDENUMPROC callback, LPARAM context);
    BOOL(WINAPI* enumChildWindows)(HWND parent, WNDENUMPROC callback, LPARAM context);
    LRESULT(WINAPI* sendMessageTimeout)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                                        UINT timeoutMs, PDWORD_PTR result);
    // oleacc's ObjectFromLresult; the real one loads oleacc at its first call.
    HRESULT(WINAPI* objectFromLresult)(LRESULT result, REFIID interfaceId, WPARAM wParam, void** object);
    DWORD(WINAPI* tickCount)();
};

extern const PageWindowOps realPageWindowOps;
extern PageWindowOps pageWindowOps;

// The class of the window that draws a page in Internet Explorer, in Edge's
// IE mode and in programs that embed the engine.
inline constexpr wchar_t kPageWindowClass[] = L"Internet Explorer_Server";
// Each window gets this long to answer, the whole search this long.
inline constexpr DWORD kPageWindowTimeoutMs = 1000;
inline constexpr DWORD kPageSearchTimeoutMs = 1500;

// The address of the page in the topmost visible page window of another
// process, as ANSI code page bytes (AnsiOrEscapedFromUtf16); "" when no
// window answers with an http, https or ftp address in time.
std::string FindPageWindowAddress();
