// The settings file "Setting.ini" beside the executable.
#pragma once

// Name, section and keys of the settings file.
inline constexpr const char kSettingsFileName[] = "Setting.ini";
inline constexpr const char kSettingsSection[] = "Tessiwok";
inline constexpr const char kSaveFolderKey[] = "SaveFolder";
inline constexpr const char kBrowserKey[] = "Browser";

class SettingsFile {
public:
    SettingsFile();  // computes the path from the executable's file name
    virtual ~SettingsFile() = default;

    // The full path of "Setting.ini" in the executable's directory. It is ""
    // when that path would not fit its 260 bytes (a directory of more than
    // 248 bytes) or the directory cannot be found: the profile functions then
    // read every default and write nothing, rather than use another file.
    // Spelled in the ANSI code page: exactly, or through the folder's short
    // name where the code page cannot spell it; "" also when neither does.
    const char* Path() const { return path_; }
    // The same file exactly, in UTF-16: what the Unicode profile functions
    // take when Path() is "" but the executable's folder is known.
    const wchar_t* WidePath() const { return widePath_; }

private:
    char path_[260] = {};
    wchar_t widePath_[260] = {};
};
