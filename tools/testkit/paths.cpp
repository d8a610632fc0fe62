// Paths for the Windows tests.
#include "tools/testkit/paths.h"

#include <windows.h>
#include <shlobj.h>
#include <knownfolders.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>

namespace testkit {

std::string WindowsPathOf(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string ExecutableDirectory() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    size_t slash = s.find_last_of('\\');
    return slash == std::string::npos ? s : s.substr(0, slash + 1);
}

std::string FindInBuildTree(const std::string& relative) {
    std::string dir = ExecutableDirectory();
    for (;;) {
        std::string candidate = dir + relative;
        if (GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) return candidate;
        // The build tree's root holds CMakeCache.txt: look no higher.
        if (GetFileAttributesA((dir + "CMakeCache.txt").c_str()) != INVALID_FILE_ATTRIBUTES) return "";
        if (dir.size() < 2) return "";
        size_t slash = dir.find_last_of('\\', dir.size() - 2);
        if (slash == std::string::npos) return "";
        dir.resize(slash + 1);
    }
}

void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = dir + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}


std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = data.cFileName;
        // Wine keeps an NTFS stream ("x.gif:Zone.Identifier") as a file of
        // that name beside its file; Windows lists no such name.
        if (name != "." && name != ".." && name.find(':') == std::string::npos) names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

// The folders this process made, removed when it ends however its tests went.
struct ScratchFolders {
    std::vector<std::string> made;
    ~ScratchFolders() {
        for (const std::string& dir : made) RemoveTree(dir);
    }
};

ScratchFolders& Scratch() {
    static ScratchFolders folders;
    return folders;
}

}  // namespace

std::string MakeScratchDirectory(const std::string& name) {
    // TESSIWOK_SCRATCH gives a test program a folder of its own to work in,
    // away from the temp folder that every other test changes.
    std::string parent;
    char own[MAX_PATH] = {};
    DWORD ownLength = GetEnvironmentVariableA("TESSIWOK_SCRATCH", own, MAX_PATH);
    if (ownLength > 0 && ownLength < MAX_PATH) {
        CreateDirectoryA(own, nullptr);
        parent = std::string(own) + "\\";
    } else {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        parent = temp;
    }
    std::string dir = parent + "tessiwok-" + name;
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    Scratch().made.push_back(dir);
    return dir;
}

std::string UniqueName(const std::string& stem) {
    static std::atomic<int> counter{0};
    std::ostringstream out;
    out << stem << GetCurrentProcessId() << "x" << GetTickCount() % 100000 << "n" << counter++;
    return out.str();
}

void SettleDirectoryTimes(const std::string& path) {
    for (size_t end = path.find('\\'); ; end = path.find('\\', end + 1)) {
        std::string dir = end == std::string::npos ? path : path.substr(0, end);
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            while (FindNextFileA(find, &data)) {
            }
            FindClose(find);
        }
        if (end == std::string::npos) break;
    }
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string InternetCacheFolder() {
    PWSTR known = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_InternetCache, 0, nullptr, &known))) return "";
    char ansi[MAX_PATH] = {};
    const int length = WideCharToMultiByte(CP_ACP, 0, known, -1, ansi, sizeof ansi, nullptr, nullptr);
    CoTaskMemFree(known);
    if (length <= 1) return "";
    std::string folder = ansi;
    if (folder.back() != '\\') folder.push_back('\\');
    return folder;
}

}  // namespace testkit
