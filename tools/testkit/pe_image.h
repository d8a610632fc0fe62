// Reads a Windows executable (PE32 or PE32+) as bytes: machine, subsystem,
// the DLLs it imports and its resources. No windows.h: it reads executables
// of either width on any host, among them 32-bit ones that cannot run here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testkit {

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr uint16_t kSubsystemWindowsGui = 2;

struct PeResource {
    uint32_t type = 0;      // RT_* number; kNamedResource when named by a string
    uint32_t name = 0;      // resource number; kNamedResource when named by a string
    uint32_t language = 0;
    std::string bytes;
};
constexpr uint32_t kNamedResource = 0xFFFFFFFF;

struct PeImage {
    uint16_t machine = 0;
    bool pe32Plus = false;  // the 64-bit optional header
    uint16_t subsystem = 0;
    std::vector<std::string> imports;  // DLL names as the import table spells them
    uint32_t delayImportSize = 0;      // size of the delay-load directory (0: none)
    std::vector<PeResource> resources;

    // The first resource of this type and number, or nullptr.
    const PeResource* Find(uint32_t type, uint32_t name) const;
    size_t Count(uint32_t type) const;
};

// Reads the image; "" on success, else what is wrong with it. Every offset
// and size in the file is checked against the file's length.
std::string ReadPeImage(std::string_view file, PeImage& image);

// Whether a DLL of that name comes with every Windows (kernel32, user32,
// msvcrt, ...), compared without case; a MinGW runtime DLL such as
// libstdc++-6.dll, libgcc_s_*.dll or libwinpthread-1.dll is not one.
bool IsWindowsSystemDll(std::string_view name);

// The four parts of the fixed file version in a VS_VERSIONINFO resource,
// as "a.b.c.d"; "" when the block holds none.
std::string FixedFileVersion(std::string_view versionResource);

// Text as UTF-16LE bytes, as resources store it (ASCII only).
std::string Utf16(std::string_view ascii);

}  // namespace testkit
