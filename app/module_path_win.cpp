// The running executable's file name.
#include "app/module_path_win.h"

#include "text/ansi_code_page_win.h"

std::string RunningModuleFileName() {
    char name[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, name, MAX_PATH);
    // A result of MAX_PATH means the name was cut (Windows XP does not even
    // end it with a NUL): a cut name would give a wrong directory.
    if (length == 0 || length >= MAX_PATH) return "";
    return std::string(name, length);
}

void ComputeModuleDirectory(char* directory, size_t size) {
    ComposeBesideModule(RunningModuleFileName(), "", directory, size, AnsiLeadBytes());
}
