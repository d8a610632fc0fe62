// Paths the Windows tests need: the build tree and Unix paths as Wine sees them.
#pragma once

#include <string>
#include <vector>

namespace testkit {

// A Unix path as a Windows path on Wine's Z: drive ("/a/b" -> "Z:\a\b").
std::string WindowsPathOf(const std::string& unixPath);

// The directory of the running executable, with a trailing backslash.
std::string ExecutableDirectory();

// A file of the build tree, given relative to its root ("tools\\x.exe"),
// looked for from the running executable's directory up to the tree's root
// (where CMakeCache.txt is); "" if none.
std::string FindInBuildTree(const std::string& relative);

// Deletes a directory with everything in it (read-only files too).
void RemoveTree(const std::string& dir);

// The names in a folder, "." and ".." left out, in byte order; as on
// Windows, a file's streams (Wine's "<file>:<stream>" files) are not listed.
std::vector<std::string> FilesIn(const std::string& folder);

// A fresh, empty directory for one test: under TESSIWOK_SCRATCH (a Windows
// path) when that is set, else under the temp folder. Removed with all it
// holds when the process ends.
std::string MakeScratchDirectory(const std::string& name);

// A name unique to this process and call, for hosts, folders and services.
std::string UniqueName(const std::string& stem);

// Reads every directory from the drive root down to path (a folder) once.
// Under Wine the folder-browse dialog finds a folder to select by comparing
// item-id lists that carry each directory's access time, and Linux (relatime)
// moves that time on the first read after a change: read once beforehand, a
// directory keeps its time while the dialog parses the path and fills its tree.
void SettleDirectoryTimes(const std::string& path);

// Whole file as bytes; "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// The current user's Internet cache folder (FOLDERID_InternetCache) in the
// ANSI code page, ending in "\\"; "" when unknown.
std::string InternetCacheFolder();

}  // namespace testkit
