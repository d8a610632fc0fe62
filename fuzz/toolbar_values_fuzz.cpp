// The toolbar button's value set for any module directory, against the table
// written out here: all seven values for a directory that is not empty and
// whose longest text, directory + "Tessiwok.exe,102", fits 260 bytes with its
// NUL; none otherwise. Rules out a function that always answers nothing, one
// that offers a set for an empty directory or one byte too long, and values
// out of order or under the wrong names.
#include <cstring>

#include "browser/toolbar_values.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string directory = AsCString(data, size);
    const std::vector<ToolbarButtonValue> values = ToolbarButtonValues(directory.c_str());
    const std::string exec = directory + "Tessiwok.exe";
    const bool offered = !directory.empty() && exec.size() + 4 + 1 <= 260;
    if (!offered) {
        Require(values.empty());
        return 0;
    }
    const struct {
        const char* name;
        std::string text;
    } expected[] = {
        {nullptr, "Tessiwok"},
        {"Clsid", "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}"},
        {"Exec", exec},
        {"Default Visible", "Yes"},
        {"ButtonText", "Tessiwok"},
        {"Icon", exec + ",102"},
        {"HotIcon", exec + ",102"},
    };
    Require(values.size() == 7);
    for (size_t i = 0; i < 7; ++i) {
        const char* name = values[i].name;
        Require(expected[i].name == nullptr ? name == nullptr : name != nullptr && std::strcmp(name, expected[i].name) == 0);
        Require(values[i].text == expected[i].text);
    }
    return 0;
}
