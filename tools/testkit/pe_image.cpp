// Reads a PE executable from its bytes.
#include "tools/testkit/pe_image.h"

#include <cstring>

namespace testkit {

namespace {

class Reader {
public:
    explicit Reader(std::string_view file) : file_(file) {}
    bool Has(uint64_t offset, uint64_t size) const { return offset <= file_.size() && size <= file_.size() - offset; }
    uint16_t U16(uint64_t offset) const { return static_cast<uint16_t>(Byte(offset) | Byte(offset + 1) << 8); }
    uint32_t U32(uint64_t offset) const { return U16(offset) | static_cast<uint32_t>(U16(offset + 2)) << 16; }
    std::string_view Bytes(uint64_t offset, uint64_t size) const {
        return Has(offset, size) ? file_.substr(offset, size) : std::string_view();
    }
    // A NUL-terminated text at offset; "" when it runs off the end.
    std::string Text(uint64_t offset) const {
        if (offset >= file_.size()) return "";
        size_t end = file_.find('\0', offset);
        if (end == std::string_view::npos) return "";
        return std::string(file_.substr(offset, end - offset));
    }

private:
    uint32_t Byte(uint64_t offset) const { return offset < file_.size() ? static_cast<uint8_t>(file_[offset]) : 0; }
    std::string_view file_;
};

struct Section {
    uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

class Image {
public:
    Image(const Reader& reader, std::vector<Section> sections) : r_(reader), sections_(std::move(sections)) {}
    // The file offset of an address in the loaded image; false when no
    // section's raw data holds it.
    bool Offset(uint32_t rva, uint64_t& offset) const {
        for (const Section& s : sections_) {
            if (rva >= s.virtualAddress && rva - s.virtualAddress < s.rawSize) {
                offset = static_cast<uint64_t>(s.rawOffset) + (rva - s.virtualAddress);
                return r_.Has(offset, 1);
            }
        }
        return false;
    }

private:
    const Reader& r_;
    std::vector<Section> sections_;
};

constexpr size_t kMaxImports = 1000;
constexpr size_t kMaxResources = 10000;

std::string ReadImports(const Reader& r, const Image& image, uint32_t rva, std::vector<std::string>& imports) {
    if (rva == 0) return "";
    uint64_t at = 0;
    if (!image.Offset(rva, at)) return "import table outside the sections";
    for (size_t i = 0;; ++i, at += 20) {
        if (i == kMaxImports) return "import table without an end";
        if (!r.Has(at, 20)) return "import table runs off the file";
        const uint32_t nameRva = r.U32(at + 12);
        if (nameRva == 0 && r.U32(at + 16) == 0) return "";
        uint64_t nameAt = 0;
        if (!image.Offset(nameRva, nameAt)) return "imported DLL name outside the sections";
        std::string name = r.Text(nameAt);
        if (name.empty()) return "imported DLL without a name";
        imports.push_back(name);
    }
}

// Walks the three levels of the resource tree (type, name, language).
struct ResourceWalk {
    const Reader& r;
    const Image& image;
    uint64_t base;  // file offset of the root directory
    std::vector<PeResource>& out;

    std::string Directory(uint32_t offset, int level, PeResource path) {
        const uint64_t at = base + offset;
        if (!r.Has(at, 16)) return "resource directory runs off the file";
        const uint32_t count = static_cast<uint32_t>(r.U16(at + 12)) + r.U16(at + 14);
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t entry = at + 16 + 8ull * i;
            if (!r.Has(entry, 8)) return "resource entry runs off the file";
            const uint32_t id = r.U32(entry);
            const uint32_t target = r.U32(entry + 4);
            const uint32_t key = (id & 0x80000000u) ? kNamedResource : id;
            if (level == 0) path.type = key;
            if (level == 1) path.name = key;
            if (level == 2) path.language = key;
            const bool subdirectory = (target & 0x80000000u) != 0;
            if (subdirectory != (level < 2)) return "resource tree is not three levels deep";
            std::string error = subdirectory ? Directory(target & 0x7FFFFFFFu, level + 1, path) : Leaf(target, path);
            if (!error.empty()) return error;
        }
        return "";
    }
    std::string Leaf(uint32_t offset, PeResource resource) {
        if (out.size() == kMaxResources) return "too many resources";
        const uint64_t at = base + offset;
        if (!r.Has(at, 16)) return "resource data entry runs off the file";
        uint64_t data = 0;
        const uint32_t size = r.U32(at + 4);
        if (!image.Offset(r.U32(at), data) || !r.Has(data, size)) return "resource data outside the file";
        resource.bytes = std::string(r.Bytes(data, size));
        out.push_back(std::move(resource));
        return "";
    }
};

}  // namespace

const PeResource* PeImage::Find(uint32_t type, uint32_t name) const {
    for (const PeResource& resource : resources)
        if (resource.type == type && resource.name == name) return &resource;
    return nullptr;
}

size_t PeImage::Count(uint32_t type) const {
    size_t count = 0;
    for (const PeResource& resource : resources) count += resource.type == type;
    return count;
}

std::string ReadPeImage(std::string_view file, PeImage& image) {
    image = PeImage{};
    Reader r(file);
    if (!r.Has(0, 64) || r.Bytes(0, 2) != "MZ") return "no MZ header";
    const uint64_t pe = r.U32(0x3C);
    if (!r.Has(pe, 24) || r.Bytes(pe, 4) != std::string_view("PE\0\0", 4)) return "no PE signature";
    image.machine = r.U16(pe + 4);
    const uint16_t sectionCount = r.U16(pe + 6);
    const uint16_t optionalSize = r.U16(pe + 20);
    const uint64_t optional = pe + 24;
    if (!r.Has(optional, optionalSize) || optionalSize < 2) return "optional header runs off the file";
    const uint16_t magic = r.U16(optional);
    if (magic != 0x10B && magic != 0x20B) return "unknown optional header";
    image.pe32Plus = magic == 0x20B;
    const uint64_t directoriesAt = optional + (image.pe32Plus ? 112 : 96);
    if (optionalSize < directoriesAt - optional) return "optional header too short";
    image.subsystem = r.U16(optional + 68);
    const uint32_t directoryCount = r.U32(directoriesAt - 4);
    if (optionalSize < directoriesAt - optional + 8ull * directoryCount) return "data directories run off the header";
    auto directory = [&](uint32_t index) { return index < directoryCount ? r.U32(directoriesAt + 8ull * index) : 0u; };
    auto directorySize = [&](uint32_t index) {
        return index < directoryCount ? r.U32(directoriesAt + 8ull * index + 4) : 0u;
    };

    std::vector<Section> sections;
    const uint64_t table = optional + optionalSize;
    if (!r.Has(table, 40ull * sectionCount)) return "section table runs off the file";
    for (uint16_t i = 0; i < sectionCount; ++i) {
        const uint64_t at = table + 40ull * i;
        sections.push_back({r.U32(at + 12), r.U32(at + 8), r.U32(at + 20), r.U32(at + 16)});
    }
    Image mapped(r, std::move(sections));

    std::string error = ReadImports(r, mapped, directory(1), image.imports);
    if (!error.empty()) return error;
    image.delayImportSize = directorySize(13);
    if (directory(2) != 0) {
        uint64_t base = 0;
        if (!mapped.Offset(directory(2), base)) return "resource tree outside the sections";
        ResourceWalk walk{r, mapped, base, image.resources};
        error = walk.Directory(0, 0, PeResource{});
        if (!error.empty()) return error;
    }
    return "";
}

bool IsWindowsSystemDll(std::string_view name) {
    static const char* const kSystemDlls[] = {
        "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll",  "kernel32.dll", "msvcrt.dll",
        "ole32.dll",    "oleaut32.dll", "shell32.dll",  "shlwapi.dll", "urlmon.dll",  "user32.dll",  "version.dll",
        "wininet.dll",  "ws2_32.dll",
    };
    std::string lower(name);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const char* dll : kSystemDlls)
        if (lower == dll) return true;
    return false;
}

std::string FixedFileVersion(std::string_view versionResource) {
    // VS_FIXEDFILEINFO starts with the signature 0xFEEF04BD, then the
    // structure version, then the file version as two 32-bit halves.
    const std::string_view signature("\xBD\x04\xEF\xFE", 4);
    const size_t at = versionResource.find(signature);
    Reader r(versionResource);
    if (at == std::string_view::npos || !r.Has(at, 16)) return "";
    const uint32_t high = r.U32(at + 8), low = r.U32(at + 12);
    return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." + std::to_string(low >> 16) + "." +
           std::to_string(low & 0xFFFF);
}

std::string Utf16(std::string_view ascii) {
    std::string out;
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

}  // namespace testkit
