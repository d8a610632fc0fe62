// The toolbar button's value set for any module directory: seven values or none,
// every path text within the 260-byte buffer the platform reads it back into.
#include "browser/toolbar_values.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string directory = AsCString(data, size);
    std::vector<ToolbarButtonValue> values = ToolbarButtonValues(directory.c_str());
    if (values.empty()) return 0;
    Require(values.size() == 7);
    for (const ToolbarButtonValue& value : values) Require(value.text.size() + 1 <= kToolbarPathBufferSize);
    Require(values[2].text == directory + "Tessiwok.exe");
    Require(values[5].text == values[2].text + ",102" && values[6].text == values[5].text);
    return 0;
}
