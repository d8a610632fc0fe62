// The settings path (placeholder until the main dialog lands).
#include "app/settings_file.h"

SettingsFile::SettingsFile() {}
