// The files of both unpacked release archives, read as bytes: each
// Tessiwok.exe is built for its processor as a GUI program, carries its
// manifest, icon, dialog and version, and needs no DLL that Windows lacks
// (each program is also run by unpacked_archive_test built for its width,
// the x86 one only where Wine can run 32-bit programs); the guide and the
// licences are text that Notepad shows as written.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/testkit/paths.h"
#include "tools/testkit/pe_image.h"

namespace {

using testkit::PeImage;

constexpr uint32_t kIcon = 3, kDialog = 5, kGroupIcon = 14, kVersion = 16, kManifest = 24;

struct Build {
    const char* arch;           // as the archive names it
    uint16_t machine;
    bool pe32Plus;
    const char* manifestArch;   // processorArchitecture in the manifest
};

std::string UnpackedFile(const Build& build, const std::string& name) {
    return std::string("C:\\Tessiwok-unpacked\\") + build.arch + "\\Tessiwok\\" + name;
}

class ReleaseFiles : public ::testing::TestWithParam<Build> {};

TEST_P(ReleaseFiles, ProgramFitsItsProcessorAndNeedsOnlyWindows) {
    const Build build = GetParam();
    const std::string bytes = testkit::ReadWholeFile(UnpackedFile(build, "Tessiwok.exe"));
    ASSERT_FALSE(bytes.empty()) << UnpackedFile(build, "Tessiwok.exe");
    PeImage image;
    ASSERT_EQ(testkit::ReadPeImage(bytes, image), "");

    EXPECT_EQ(image.machine, build.machine);
    EXPECT_EQ(image.pe32Plus, build.pe32Plus);
    EXPECT_EQ(image.subsystem, testkit::kSubsystemWindowsGui);

    // Statically linked: no MinGW runtime DLL (libgcc, libstdc++, winpthread).
    EXPECT_FALSE(image.imports.empty());
    for (const std::string& dll : image.imports) EXPECT_TRUE(testkit::IsWindowsSystemDll(dll)) << dll;
    EXPECT_EQ(image.delayImportSize, 0u);

    const testkit::PeResource* manifest = image.Find(kManifest, 1);
    ASSERT_NE(manifest, nullptr);
    EXPECT_NE(manifest->bytes.find(std::string("processorArchitecture=\"") + build.manifestArch + "\""),
              std::string::npos)
        << manifest->bytes;
    EXPECT_NE(manifest->bytes.find("version=\"" TESSIWOK_VERSION_FROM_PROJECT "\""), std::string::npos);
    EXPECT_NE(manifest->bytes.find("Microsoft.Windows.Common-Controls"), std::string::npos);

    // Icon group 102 with its three images (the toolbar button names it).
    const testkit::PeResource* icons = image.Find(kGroupIcon, 102);
    ASSERT_NE(icons, nullptr);
    ASSERT_GE(icons->bytes.size(), 6u);
    EXPECT_EQ(static_cast<uint8_t>(icons->bytes[4]), 3);  // GRPICONDIR idCount
    EXPECT_EQ(image.Count(kIcon), 3u);

    // The version resource holds the project's version, and the dialog's
    // own text "Tessiwok <version>" agrees with it.
    const testkit::PeResource* version = image.Find(kVersion, 1);
    ASSERT_NE(version, nullptr);
    const std::string fixed = testkit::FixedFileVersion(version->bytes);
    EXPECT_EQ(fixed, TESSIWOK_VERSION_FROM_PROJECT);
    EXPECT_NE(version->bytes.find(testkit::Utf16("ProductVersion")), std::string::npos);
    EXPECT_NE(version->bytes.find(testkit::Utf16(TESSIWOK_VERSION_FROM_PROJECT)), std::string::npos);
    const testkit::PeResource* dialog = image.Find(kDialog, 101);
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(dialog->bytes.find(testkit::Utf16("Tessiwok " + fixed) + std::string(2, '\0')), std::string::npos)
        << "the dialog does not show Tessiwok " << fixed;
}

// Notepad on a Japanese Windows takes a file with a UTF-8 byte order mark as
// UTF-8; Windows line ends everywhere.
void ExpectWindowsText(const std::string& text, const std::string& what) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << what << ": bare LF at byte " << i;
        }
        if (text[i] == '\r') {
            ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << what << ": bare CR at byte " << i;
        }
    }
    EXPECT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << what;
}

TEST_P(ReleaseFiles, GuideAndLicenceAreWindowsText) {
    const Build build = GetParam();
    const std::string guide = testkit::ReadWholeFile(UnpackedFile(build, "README-ja.txt"));
    ASSERT_GT(guide.size(), 3u);
    EXPECT_EQ(guide.substr(0, 3), "\xEF\xBB\xBF");
    ExpectWindowsText(guide, "README-ja.txt");
    // What the guide names is what the program uses (the guide is UTF-8; these are ASCII).
    for (const char* word : {"Tessiwok " TESSIWOK_VERSION_FROM_PROJECT, "Setting.ini", "SaveFolder=", "Browser=",
                             "Iexplore", "LICENSE.txt", "THIRD-PARTY-LICENSES.txt",
                             "{5D2E7A13-6B4F-4c91-A3D8-0F6C2B9E4A71}"})
        EXPECT_NE(guide.find(word), std::string::npos) << word;
    EXPECT_EQ(guide.find('@'), std::string::npos) << "a placeholder was left in the guide";

    const std::string licence = testkit::ReadWholeFile(UnpackedFile(build, "LICENSE.txt"));
    ExpectWindowsText(licence, "LICENSE.txt");
    EXPECT_EQ(licence.rfind("MIT License", 0), 0u);
    EXPECT_NE(licence.find("Copyright (c) "), std::string::npos);
    EXPECT_NE(licence.find(" the Tessiwok authors\r\n"), std::string::npos);

    // The licences of the decoders linked into the program, each with its own words.
    const std::string notice = testkit::ReadWholeFile(UnpackedFile(build, "THIRD-PARTY-LICENSES.txt"));
    ExpectWindowsText(notice, "THIRD-PARTY-LICENSES.txt");
    for (const char* words : {"== zlib", "Jean-loup Gailly and Mark Adler", "Permission is granted to anyone",
                              "== Brotli", "by the Brotli Authors", "Permission is hereby granted, free of charge",
                              "== Zstandard", "Meta Platforms", "Redistributions in binary form must reproduce"})
        EXPECT_NE(notice.find(words), std::string::npos) << words;
}

INSTANTIATE_TEST_SUITE_P(Archives, ReleaseFiles,
                         ::testing::Values(Build{"x64", testkit::kMachineAmd64, true, "amd64"},
                                           Build{"x86", testkit::kMachineI386, false, "x86"}),
                         [](const auto& info) { return std::string(info.param.arch); });

}  // namespace
