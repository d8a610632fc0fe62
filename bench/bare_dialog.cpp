// The start-up benchmark's baseline: a process that shows Tessiwok's dialog
// template with a dialog procedure that does nothing, so that the difference
// to Tessiwok.exe is the program's own start-up work.
//   bench_bare_dialog --show TESSIWOK_EXE   (without --show it only says so)
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "res/resource.h"

namespace {

INT_PTR CALLBACK BareProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], "--show") != 0) {
        std::printf("bench_bare_dialog: the baseline of bench_startup; it runs it itself\n");
        return 0;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HMODULE templates = LoadLibraryExA(argv[2], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (templates == nullptr) return 1;
    DialogBoxParamA(templates, MAKEINTRESOURCEA(IDD_MAIN), nullptr, BareProc, 0);
    return 0;
}
