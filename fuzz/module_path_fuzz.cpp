// Paths beside the executable (settings file, module directory) from any module
// file name and a lead-byte table picked by the first byte, against a
// reference written here: the directory ends at the last
// "\" that is a character of its own, and the whole path with its NUL fits the
// 260-byte field or nothing is written. Rules out a directory cut at a trail
// byte 0x5C (a plain search for "\"), a path cut to fit, and a field filled
// one byte too far (the exactly-full case writes its NUL past the end).
#include <cstring>
#include <memory>
#include <string>

#include "app/module_path.h"
#include "fuzz/fuzz_input.h"

namespace {

// Characters left to right; remembers where the last one-byte "\" ends.
std::string ReferenceDirectory(const std::string& name, const LeadBytes& leadBytes) {
    size_t end = 0;
    for (size_t i = 0; i < name.size();) {
        if (leadBytes.IsLead(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) {
            i += 2;
            continue;
        }
        if (name[i] == '\\') end = i + 1;
        ++i;
    }
    return name.substr(0, end);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const LeadBytes& leadBytes = TakeLeadBytes(data, size);
    auto [moduleName, fileName] = SplitAtNul(data, size);
    fileName = fileName.substr(0, fileName.find('\0'));
    const size_t fieldSize = 260;
    auto out = std::make_unique<char[]>(fieldSize);
    std::memset(out.get(), 'Z', fieldSize);
    const bool ok = ComposeBesideModule(moduleName, fileName, out.get(), fieldSize, leadBytes);

    const std::string directory = ReferenceDirectory(moduleName, leadBytes);
    Require(std::string(DirectoryOf(moduleName, leadBytes)) == directory);
    const bool fits = !directory.empty() && directory.size() + fileName.size() + 1 <= fieldSize;
    Require(ok == fits);
    Require(std::string(out.get(), strnlen(out.get(), fieldSize)) == (fits ? directory + fileName : ""));
    return 0;
}
