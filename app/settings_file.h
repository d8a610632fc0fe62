// The settings file "Setting.ini" beside the executable.
#pragma once

// Section and keys of the settings file.
inline constexpr const char kSettingsSection[] = "Tessiwok";
inline constexpr const char kSaveFolderKey[] = "SaveFolder";
inline constexpr const char kBrowserKey[] = "Browser";

class SettingsFile {
public:
    SettingsFile();  // computes the path from the executable's file name
    virtual ~SettingsFile() = default;
    const char* Path() const { return path_; }

private:
    char path_[260] = {};
};
