// A cached file name with "?" (what the ANSI enumeration makes of a profile
// folder the code page cannot spell) is asked for again in UTF-16, through
// the LocalFileOps seam: no Wine profile folder can be given such a name.
#include "cache/local_file_win.h"

#include <gtest/gtest.h>

#include <string>

#include "tools/testkit/paths.h"

namespace {

std::wstring exactName;  // what the stub's record names

BOOL WINAPI StubEntryInfo(LPCWSTR url, LPINTERNET_CACHE_ENTRY_INFOW info, LPDWORD size) {
    const DWORD needed = static_cast<DWORD>(sizeof *info + (exactName.size() + 1) * sizeof(wchar_t));
    const bool small = info == nullptr || *size < needed;
    if (small || std::wstring(url) != L"http://h.test/f.gif") {
        *size = needed;
        SetLastError(small ? ERROR_INSUFFICIENT_BUFFER : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    *info = INTERNET_CACHE_ENTRY_INFOW{};
    info->lpszLocalFileName = reinterpret_cast<wchar_t*>(info + 1);
    exactName.copy(info->lpszLocalFileName, exactName.size());
    info->lpszLocalFileName[exactName.size()] = L'\0';
    return TRUE;
}

TEST(ExactLocalFile, NameWithQuestionMarksIsOpenedByItsShortName) {
    // 한 (Hangul) has no spelling in code page 932: only the short name opens it.
    const std::string scratch = testkit::MakeScratchDirectory(testkit::UniqueName("lf"));  // ASCII
    const std::wstring profile = std::wstring(scratch.begin(), scratch.end()) + L"\\\uD55C";
    ASSERT_TRUE(CreateDirectoryW(profile.c_str(), nullptr));
    exactName = profile + L"\\f[1].gif";
    HANDLE file = CreateFileW(exactName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "cached", 6, &written, nullptr));
    CloseHandle(file);

    localFileOps.getEntryInfo = StubEntryInfo;
    EXPECT_EQ(testkit::ReadWholeFile(ExactLocalFile("C:\\x\\?\\f[1].gif", "http://h.test/f.gif")), "cached");
    EXPECT_EQ(ExactLocalFile("C:\\x\\f.gif", "http://other.test/"), "C:\\x\\f.gif");  // no "?": not asked
    EXPECT_EQ(ExactLocalFile("C:\\?\\f.gif", "http://other.test/"), "C:\\?\\f.gif");  // not found: as it came
    localFileOps = realLocalFileOps;
}

}  // namespace
