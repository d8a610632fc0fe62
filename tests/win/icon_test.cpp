// The icon group that the toolbar button names ("Tessiwok.exe,102"), read from
// the built executable as the browser would find it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "res/resource.h"
#include "tools/testkit/paths.h"

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {  // GRPICONDIRENTRY
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD id;
};
struct GroupIconHeader {  // GRPICONDIR without its entries
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

const BYTE* LoadData(HMODULE module, LPCSTR name, LPCSTR type, DWORD* size) {
    HRSRC found = FindResourceA(module, name, type);
    if (found == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    *size = SizeofResource(module, found);
    return loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
}

TEST(Icon, GroupHoldsThreeSixteenColourImages) {
    const std::string exe = testkit::FindInBuildTree("Tessiwok.exe");
    ASSERT_FALSE(exe.empty());
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << exe;

    DWORD size = 0;
    const BYTE* group = LoadData(module, MAKEINTRESOURCEA(IDI_TESSIWOK), RT_GROUP_ICON, &size);
    ASSERT_NE(group, nullptr);
    ASSERT_GE(size, sizeof(GroupIconHeader));
    GroupIconHeader header;
    std::memcpy(&header, group, sizeof header);
    EXPECT_EQ(header.type, 1);
    ASSERT_EQ(header.count, 3);
    ASSERT_EQ(size, sizeof header + 3 * sizeof(GroupIconEntry));

    const int sizes[] = {32, 16, 20};
    for (int i = 0; i < 3; ++i) {
        GroupIconEntry entry;
        std::memcpy(&entry, group + sizeof header + i * sizeof entry, sizeof entry);
        EXPECT_EQ(entry.width, sizes[i]) << "image " << i;
        EXPECT_EQ(entry.height, sizes[i]) << "image " << i;
        EXPECT_EQ(entry.colourCount, 16) << "image " << i;
        EXPECT_EQ(entry.bitCount, 4) << "image " << i;

        // The image itself: a DIB whose height counts the colour rows and the mask.
        DWORD imageSize = 0;
        const BYTE* image = LoadData(module, MAKEINTRESOURCEA(entry.id), RT_ICON, &imageSize);
        ASSERT_NE(image, nullptr) << "image " << i;
        ASSERT_EQ(imageSize, entry.bytesInResource) << "image " << i;
        BITMAPINFOHEADER info;
        ASSERT_GE(imageSize, sizeof info);
        std::memcpy(&info, image, sizeof info);
        EXPECT_EQ(info.biWidth, sizes[i]) << "image " << i;
        EXPECT_EQ(info.biHeight, 2 * sizes[i]) << "image " << i;
        EXPECT_EQ(info.biBitCount, 4) << "image " << i;
        EXPECT_EQ(info.biCompression, static_cast<DWORD>(BI_RGB)) << "image " << i;
        const DWORD colourRow = (sizes[i] * 4 + 31) / 32 * 4;
        const DWORD maskRow = (sizes[i] + 31) / 32 * 4;
        EXPECT_EQ(imageSize, sizeof info + 16 * 4 + sizes[i] * (colourRow + maskRow)) << "image " << i;
    }

    // The platform makes icons of it at each size.
    for (int s : sizes) {
        HICON icon = static_cast<HICON>(
            LoadImageA(module, MAKEINTRESOURCEA(IDI_TESSIWOK), IMAGE_ICON, s, s, LR_DEFAULTCOLOR));
        EXPECT_NE(icon, nullptr) << s;
        if (icon) DestroyIcon(icon);
    }
    FreeLibrary(module);
}

}  // namespace
