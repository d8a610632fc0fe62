// The settings path of the running executable, also from a folder whose name
// ends in 表 (95 5C), and what the profile functions do with an empty path.
#include "app/program.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/module_path_win.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/process_start.h"

namespace {

const char kProbeVariable[] = "TESSIWOK_SETTINGS_PROBE";

TEST(SettingsFile, IsSettingIniBesideTheExecutable) {
    EXPECT_EQ(std::string(settingsFile.Path()), testkit::ExecutableDirectory() + "Setting.ini");
    char directory[260];
    ComputeModuleDirectory(directory, sizeof directory);
    EXPECT_EQ(std::string(directory), testkit::ExecutableDirectory());
}

// Run by the copy that the next test starts: writes what it computed.
TEST(SettingsFileChild, WritesItsPaths) {
    const char* out = std::getenv(kProbeVariable);
    if (out == nullptr) GTEST_SKIP() << "only run as the copy in the test folder";
    char directory[260];
    ComputeModuleDirectory(directory, sizeof directory);
    ASSERT_TRUE(testkit::WriteWholeFile(out, std::string(settingsFile.Path()) + "\n" + directory + "\n"));
}

TEST(SettingsFile, FolderEndingInATrailByte5CKeepsItsName) {
    // "表" is 95 5C in code page 932: a plain search would end the directory inside it.
    const std::string folder = testkit::MakeScratchDirectory(testkit::UniqueName("settings") + "表") + "\\";
    ASSERT_EQ(folder.substr(folder.size() - 3), "\x95\x5c\\");
    const std::string copy = folder + "probe.exe";
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE)) << GetLastError();

    const std::string out = testkit::MakeScratchDirectory(testkit::UniqueName("probe")) + "\\paths.txt";
    ASSERT_TRUE(SetEnvironmentVariableA(kProbeVariable, out.c_str()));
    PROCESS_INFORMATION child{};
    const bool started =
        testkit::StartProcess(copy, "\"" + copy + "\" --gtest_filter=SettingsFileChild.*", "", child);
    SetEnvironmentVariableA(kProbeVariable, nullptr);
    ASSERT_TRUE(started) << GetLastError();
    CloseHandle(child.hThread);
    ASSERT_EQ(WaitForSingleObject(child.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hProcess);
    EXPECT_EQ(code, 0u);

    EXPECT_EQ(testkit::ReadWholeFile(out), folder + "Setting.ini\n" + folder + "\n");
}

// A directory too long for the settings path leaves the path empty: the
// profile functions must then give the defaults and write no file anywhere.
TEST(SettingsFile, EmptyPathReadsDefaultsAndWritesNothing) {
    char value[260] = "untouched";
    SetLastError(0xdeadbeef);
    DWORD length = GetPrivateProfileStringA("Tessiwok", "Browser", "Iexplore", value, sizeof value, "");
    EXPECT_EQ(std::string(value, length), "Iexplore");

    EXPECT_FALSE(WritePrivateProfileStringA("Tessiwok", "SaveFolder", "C:\\x", ""));
    length = GetPrivateProfileStringA("Tessiwok", "SaveFolder", "", value, sizeof value, "");
    EXPECT_EQ(std::string(value, length), "");
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(GetFileAttributesA((std::string(windows) + "\\Setting.ini").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
