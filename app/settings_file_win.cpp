// The settings path: "Setting.ini" in the executable's directory.
#include "app/settings_file.h"

#include "app/module_path_win.h"
#include "text/ansi_code_page_win.h"

SettingsFile::SettingsFile() {
    ComposeBesideModule(RunningModuleFileName(), kSettingsFileName, path_, sizeof path_, AnsiLeadBytes());
}
