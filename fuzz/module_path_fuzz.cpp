// Paths beside the executable (settings file, module directory) from any module
// file name: never past the 260-byte field, never a cut path.
#include <cstring>
#include <memory>

#include "app/module_path.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto [moduleName, fileName] = SplitAtNul(data, size);
    fileName = fileName.substr(0, fileName.find('\0'));
    const size_t fieldSize = 260;
    auto out = std::make_unique<char[]>(fieldSize);
    bool ok = ComposeBesideModule(moduleName, fileName, out.get(), fieldSize);
    std::string_view directory = DirectoryOf(moduleName);
    if (!ok) {
        Require(out[0] == '\0');
        return 0;
    }
    Require(!directory.empty() && directory.back() == '\\');
    Require(std::string(out.get()) == std::string(directory) + fileName);
    return 0;
}
