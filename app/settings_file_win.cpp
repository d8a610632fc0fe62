// The settings path: "Setting.ini" in the executable's directory.
#include "app/settings_file.h"

#include "app/module_path_win.h"

SettingsFile::SettingsFile() {
    ComposeBesideModule(RunningModuleFileName(), kSettingsFileName, path_, sizeof path_);
}
