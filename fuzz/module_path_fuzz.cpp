// Paths beside the executable (settings file, module directory) from any module
// file name, against a reference written here: the directory ends at the last
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

bool IsLead(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

// Characters left to right; remembers where the last one-byte "\" ends.
std::string ReferenceDirectory(const std::string& name) {
    size_t end = 0;
    for (size_t i = 0; i < name.size();) {
        if (IsLead(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) {
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
    auto [moduleName, fileName] = SplitAtNul(data, size);
    fileName = fileName.substr(0, fileName.find('\0'));
    const size_t fieldSize = 260;
    auto out = std::make_unique<char[]>(fieldSize);
    std::memset(out.get(), 'Z', fieldSize);
    const bool ok = ComposeBesideModule(moduleName, fileName, out.get(), fieldSize);

    const std::string directory = ReferenceDirectory(moduleName);
    Require(std::string(DirectoryOf(moduleName)) == directory);
    const bool fits = !directory.empty() && directory.size() + fileName.size() + 1 <= fieldSize;
    Require(ok == fits);
    Require(std::string(out.get(), strnlen(out.get(), fieldSize)) == (fits ? directory + fileName : ""));
    return 0;
}
