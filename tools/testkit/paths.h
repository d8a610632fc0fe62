// Paths the Windows tests need: the build tree and Unix paths as Wine sees them.
#pragma once

#include <string>

namespace testkit {

// A Unix path as a Windows path on Wine's Z: drive ("/a/b" -> "Z:\a\b").
std::string WindowsPathOf(const std::string& unixPath);

// The directory of the running executable, with a trailing backslash.
std::string ExecutableDirectory();

// A file of the build tree, given relative to its root ("tools\\x.exe"),
// looked for from the running executable's directory up to the tree's root
// (where CMakeCache.txt is); "" if none.
std::string FindInBuildTree(const std::string& relative);

// A fresh, empty directory for one test (under the build tree's temp folder).
std::string MakeScratchDirectory(const std::string& name);

// A name unique to this process and call, for hosts, folders and services.
std::string UniqueName(const std::string& stem);

// Whole file as bytes; "" when it cannot be read.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace testkit
