// Drives the running Tessiwok dialog for the demo script, as a user would.
//   dialogctl wait [TIMEOUT_MS]    wait for the dialog; print "x y width height"
//   dialogctl collect ADDRESS      type the address and press the collect button
//   dialogctl close                close the dialog (the close box)
// Exits 1 when there is no Tessiwok dialog (wait: none came in time).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "res/resource.h"

namespace {

HWND FindDialog() {
    HWND dialog = FindWindowA("#32770", "Tessiwok");
    return dialog != nullptr && GetDlgItem(dialog, IDC_RESULTS) != nullptr ? dialog : nullptr;
}

int Wait(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    HWND dialog = nullptr;
    while ((dialog = FindDialog()) == nullptr || !IsWindowVisible(dialog)) {
        if (GetTickCount64() >= deadline) return 1;
        Sleep(20);
    }
    RECT rect{};
    GetWindowRect(dialog, &rect);
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}

int Collect(const char* address) {
    HWND dialog = FindDialog();
    if (dialog == nullptr) return 1;
    SendMessageA(GetDlgItem(dialog, IDC_ADDRESS), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(address));
    // Sent, not posted: returns when the collection is over and the list filled.
    SendMessageA(GetDlgItem(dialog, IDC_COLLECT), BM_CLICK, 0, 0);
    // The list repaints when its thread gets round to it; paint the whole
    // dialog, frame included, now, so that a screenshot taken next shows it.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return 0;
}

int Close() {
    HWND dialog = FindDialog();
    if (dialog == nullptr) return 1;
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "wait") == 0)
        return Wait(argc >= 3 ? std::strtoul(argv[2], nullptr, 10) : 30000);
    if (argc >= 3 && std::strcmp(argv[1], "collect") == 0) return Collect(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "close") == 0) return Close();
    std::fprintf(stderr, "usage: dialogctl wait [TIMEOUT_MS] | collect ADDRESS | close\n");
    return 2;
}
