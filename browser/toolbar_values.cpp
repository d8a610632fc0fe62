// The value set of the browser toolbar button.
#include "browser/toolbar_values.h"

#include <cstring>

namespace {

constexpr char kExecutableName[] = "Tessiwok.exe";
constexpr char kIconSuffix[] = ",102";  // icon group 102 of the executable
constexpr char kProductName[] = "Tessiwok";
// The browser's class for a toolbar button that starts a program.
constexpr char kRunProgramButtonClass[] = "{1FBA04EE-3024-11D2-8F1F-0000F87ABD16}";

}  // namespace

std::vector<ToolbarButtonValue> ToolbarButtonValues(const char* moduleDirectory) {
    const size_t directoryLength = std::strlen(moduleDirectory);
    const size_t longest = directoryLength + (sizeof kExecutableName - 1) + (sizeof kIconSuffix - 1);
    if (directoryLength == 0 || longest + 1 > kToolbarPathBufferSize) return {};

    std::string exec(moduleDirectory, directoryLength);
    exec += kExecutableName;
    const std::string icon = exec + kIconSuffix;
    return {
        {nullptr, kProductName},
        {"Clsid", kRunProgramButtonClass},
        {kExecValueName, exec},
        {"Default Visible", "Yes"},
        {"ButtonText", kProductName},
        {"Icon", icon},
        {"HotIcon", icon},
    };
}
