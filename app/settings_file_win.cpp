// The settings path: "Setting.ini" in the executable's directory.
#include "app/settings_file_win.h"

#include <string>

#include "app/module_path_win.h"
#include "app/program.h"
#include "text/ansi_code_page_win.h"
#include "text/wide_text_win.h"

SettingsFile::SettingsFile() {
    const std::wstring folder = RunningModuleDirectoryW();
    const std::wstring wide = folder + L"Setting.ini";
    if (!folder.empty() && wide.size() < sizeof widePath_ / sizeof widePath_[0]) wide.copy(widePath_, wide.size());
    ComposeBesideModule(RunningModuleFileName(), kSettingsFileName, path_, sizeof path_, AnsiLeadBytes());
}

DWORD ReadSetting(const char* key, const char* fallback, char* buffer, DWORD size, ReadProfileFunction read) {
    if (size == 0) return 0;
    if (settingsFile.Path()[0] != '\0' || settingsFile.WidePath()[0] == L'\0')
        return read(kSettingsSection, key, fallback, buffer, size, settingsFile.Path());
    std::wstring wide(size, L'\0');
    const DWORD length = GetPrivateProfileStringW(WideFromAnsi(kSettingsSection).c_str(), WideFromAnsi(key).c_str(),
                                                  WideFromAnsi(fallback).c_str(), &wide[0], size,
                                                  settingsFile.WidePath());
    wide.resize(length < size ? length : 0);
    std::string ansi;
    if (!AnsiFromWide(wide, ansi) || ansi.size() >= size || length + 1 >= size) ansi = fallback;
    if (ansi.size() >= size) ansi.clear();
    ansi.copy(buffer, ansi.size());
    buffer[ansi.size()] = '\0';
    return static_cast<DWORD>(ansi.size());
}

bool WriteSetting(const char* key, const char* value, WriteProfileFunction write) {
    if (settingsFile.Path()[0] != '\0' || settingsFile.WidePath()[0] == L'\0')
        return write(kSettingsSection, key, value, settingsFile.Path()) != FALSE;
    return WritePrivateProfileStringW(WideFromAnsi(kSettingsSection).c_str(), WideFromAnsi(key).c_str(),
                                      WideFromAnsi(value).c_str(), settingsFile.WidePath()) != FALSE;
}
