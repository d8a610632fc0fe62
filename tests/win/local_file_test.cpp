// The cached file's name where the ANSI enumeration lost characters ("?"):
// asked for again in UTF-16 through the LocalFileOps seam, since no Wine
// profile folder can be given a name the test's code page (932) lacks.
#include "cache/local_file_win.h"

#include <gtest/gtest.h>

#include <string>

#include "tools/testkit/paths.h"

namespace {

std::wstring exactName;  // what the stub's record names; "" makes the lookup fail
std::wstring askedUrl;

BOOL WINAPI StubEntryInfo(LPCWSTR url, LPINTERNET_CACHE_ENTRY_INFOW info, LPDWORD size) {
    askedUrl = url;
    const DWORD needed = static_cast<DWORD>(sizeof *info + (exactName.size() + 1) * sizeof(wchar_t));
    if (exactName.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (info == nullptr || *size < needed) {
        *size = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    *info = INTERNET_CACHE_ENTRY_INFOW{};
    auto* name = reinterpret_cast<wchar_t*>(info + 1);
    exactName.copy(name, exactName.size());
    name[exactName.size()] = L'\0';
    info->lpszLocalFileName = name;
    return TRUE;
}

TEST(ExactLocalFile, NameWithQuestionMarksIsAskedForInUnicodeAndSpelledByItsShortName) {
    // 한 (Hangul) has no spelling in code page 932: only the short name opens it.
    const std::string scratch = testkit::MakeScratchDirectory(testkit::UniqueName("lf"));  // ASCII
    const std::wstring folder(scratch.begin(), scratch.end());
    const std::wstring profile = folder + L"\\\uD55C";
    ASSERT_TRUE(CreateDirectoryW(profile.c_str(), nullptr));
    HANDLE file = CreateFileW((profile + L"\\f[1].gif").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "cached", 6, &written, nullptr);
    CloseHandle(file);

    localFileOps.getEntryInfo = StubEntryInfo;
    const std::string lossy = "C:\\x\\?\\f[1].gif";
    exactName = profile + L"\\f[1].gif";
    const std::string exact = ExactLocalFile(lossy.c_str(), "http://h.test/f.gif");
    EXPECT_EQ(askedUrl, L"http://h.test/f.gif");
    EXPECT_EQ(exact.find('?'), std::string::npos) << exact;
    EXPECT_EQ(testkit::ReadWholeFile(exact), "cached") << exact;

    // No "?": taken as it is, nothing asked. A lookup that fails leaves the name.
    askedUrl.clear();
    EXPECT_EQ(ExactLocalFile("C:\\x\\f.gif", "http://h.test/f.gif"), "C:\\x\\f.gif");
    EXPECT_TRUE(askedUrl.empty());
    exactName.clear();
    EXPECT_EQ(ExactLocalFile(lossy.c_str(), "http://h.test/f.gif"), lossy);
    localFileOps = realLocalFileOps;
}

}  // namespace
