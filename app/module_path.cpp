// Paths beside the executable.
#include "app/module_path.h"

#include <cstring>


std::string_view DirectoryOf(std::string_view moduleFileName, const LeadBytes& leadBytes) {
    size_t slash = LastBackslash(moduleFileName, leadBytes);
    if (slash == std::string_view::npos) return {};
    return moduleFileName.substr(0, slash + 1);
}

bool ComposeBesideModule(std::string_view moduleFileName, std::string_view fileName, char* out, size_t size,
                         const LeadBytes& leadBytes) {
    if (size == 0) return false;
    out[0] = '\0';
    std::string_view directory = DirectoryOf(moduleFileName, leadBytes);
    if (directory.empty()) return false;
    if (directory.size() + fileName.size() >= size) return false;
    std::memcpy(out, directory.data(), directory.size());
    std::memcpy(out + directory.size(), fileName.data(), fileName.size());
    out[directory.size() + fileName.size()] = '\0';
    return true;
}
