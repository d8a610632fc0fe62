// The running executable's file name.
#include "app/module_path_win.h"

#include "text/ansi_code_page_win.h"
#include "text/ansi_path_win.h"

std::wstring RunningModuleFileNameW() {
    wchar_t name[MAX_PATH] = {};
    // The Unicode call: GetModuleFileNameA puts "?" for every character the
    // ANSI code page lacks, and such a name opens nothing.
    DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
    // A result of MAX_PATH means the name was cut (Windows XP does not even
    // end it with a NUL): a cut name would give a wrong directory.
    if (length == 0 || length >= MAX_PATH) return L"";
    return std::wstring(name, length);
}

std::wstring RunningModuleDirectoryW() {
    const std::wstring module = RunningModuleFileNameW();
    const size_t slash = module.rfind(L'\\');  // UTF-16 has no trail byte that could be "\"
    return slash == std::wstring::npos ? std::wstring() : module.substr(0, slash + 1);
}

std::string RunningModuleFileName() {
    std::string ansi;
    if (!AnsiPathFromWide(RunningModuleFileNameW(), ansi) || ansi.size() >= MAX_PATH) return "";
    return ansi;
}

void ComputeModuleDirectory(char* directory, size_t size) {
    ComposeBesideModule(RunningModuleFileName(), "", directory, size, AnsiLeadBytes());
}
