// Safe file names from arbitrary bytes, in a code page that the first byte
// picks: nothing that could leave the folder or name it, name a stream or be
// refused, nothing that ends in a dot or a space (Windows would trim it), and
// nothing more than one byte longer.
// Rules out keeping a lead byte whose next byte is no trail byte (the pair
// would hide a "/" or a control byte), a forbidden set missing one of
// \ / : * ? " < > |, and a replacement that is not idempotent.
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "save/safe_name.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const LeadBytes& leadBytes = TakeLeadBytes(data, size);
    std::string_view name(reinterpret_cast<const char*>(data), size);
    const std::string safe = SafeFileName(name, leadBytes);
    Require(safe.size() <= name.size() + 1);
    Require(!safe.empty());
    Require(safe.back() != '.' && safe.back() != ' ');
    for (size_t i = 0; i < safe.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(safe[i]);
        if (leadBytes.IsLead(byte)) {
            // Every lead byte left has its trail byte, never a separator or control byte: one character.
            const unsigned char trail = i + 1 < safe.size() ? static_cast<unsigned char>(safe[i + 1]) : 0;
            Require(leadBytes.IsTrail(trail) && trail >= 0x40);
            ++i;
            continue;
        }
        Require(byte >= 0x20);
        for (char forbidden : std::string_view("\\/:*?\"<>|")) Require(safe[i] != forbidden);
    }
    // The search the save commands use for "\" finds none either.
    Require(LastBackslash(safe, leadBytes) == std::string_view::npos);
    Require(SafeFileName(safe, leadBytes) == safe);
    // Never the folder itself or its parent, nor a name that Windows trims to nothing.
    Require(safe != "." && safe != "..");
    Require(safe.find_first_not_of(". ") != std::string::npos);
    // Bytes are only ever replaced by "_" or dropped from the end, after the
    // one "_" put in front of a device name.
    auto keptFromName = [&](std::string_view kept) {
        if (kept.size() > name.size()) return false;
        for (size_t i = 0; i < kept.size(); ++i)
            if (kept[i] != name[i] && kept[i] != '_') return false;
        return true;
    };
    Require(keptFromName(safe) || (safe[0] == '_' && keptFromName(std::string_view(safe).substr(1))));
    return 0;
}
