// Program entry: the one modal dialog, run to its end.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/main_dialog.h"
#include "app/module_path_win.h"
#include "app/program.h"
#include "cache/low_collect.h"
#include "res/resource.h"

// The program-wide objects (app/program_win.cpp) are constructed before this
// runs: the settings file first, then the empty entry store.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The low-integrity collector that a collection starts: no dialog.
    if (RunLowCollectorRole()) return 0;

    ComputeModuleDirectory(ModuleDirectory, sizeof ModuleDirectory);

    // Registers the list view class of common controls 6 (the manifest asks
    // for that version) before the dialog template needs it.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    // The shell's folder-browse dialog needs COM on the calling thread;
    // Wine tolerates its absence, Windows does not promise to.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc, 0);

    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}
