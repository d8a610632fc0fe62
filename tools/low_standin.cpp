// Stands in for the low-integrity collector in tests: started as the program
// would start Tessiwok.exe in that role (same command line, the pipe as its
// standard output), it writes prepared records instead of walking the cache.
// The case comes from TESSIWOK_LOW_CASE:
//   mixed       sound records, each kind of bad one, copies of the cache's own
//               records under the prefix, and a record cut in the middle
//   broken      a sound record, a head with a length past the limit, another
//   hang        a sound record, then never ends
//   grandchild  starts a copy of itself that hangs holding the pipe, writes a
//               record "grandchild/<its process id>" and ends
//   nothing     ends at once
//   moved       the own rows' addresses with other local files, one accessed
//               later than its own row, one never
//   bulk        256 records of 800 bytes or more (bulk/<n>.html), then ends
//   endless     sound records of new addresses until nobody reads them
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstdint>
#include <string>

#include "cache/low_record.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/url_cache_fixture.h"

namespace {

void Add(std::string& out, const std::string& url, const std::string& file, uint32_t sizeHigh = 0,
         FileTime lastAccess = {}) {
    LowRecord record;
    record.sourceUrl = url;
    record.localFile = file;
    record.sizeLow = 7;
    record.sizeHigh = sizeHigh;
    record.lastAccess = lastAccess;
    record.lastModified = FileTime{0x2A4C8000, 0x01D9B1F0};
    AppendLowRecord(record, out);
}

bool Write(const std::string& bytes) {
    DWORD wrote = 0;
    return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) &&
           wrote == bytes.size();
}

}  // namespace

int main() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count != 3) return 2;
    std::string hex;
    for (const wchar_t* c = arguments[2]; *c; ++c) hex.push_back(static_cast<char>(*c));
    std::string prefix;
    if (!BytesOfHex(hex, prefix)) return 2;
    const char* which = std::getenv("TESSIWOK_LOW_CASE");
    const std::string scenario = which ? which : "";
    const std::string folder = testkit::InternetCacheFolder();
    std::string out;

    if (scenario == "mixed") {
        Add(out, prefix + "low/a.html", folder + "Low\\IE\\A1\\a.html");
        for (const testkit::CacheRecordCopy& own : testkit::CacheRecords())
            if (own.url.compare(0, prefix.size(), prefix) == 0 && own.hasLocalFile) Add(out, own.url, own.localFile);
        Add(out, prefix + "low/a.html", folder + "Low\\IE\\A1\\a.html");                  // twice
        Add(out, prefix + "unc.html", "\\\\server\\share\\unc.html");
        Add(out, prefix + "device.html", "\\\\?\\" + folder + "Low\\device.html");
        Add(out, prefix + "dot-device.html", "\\\\.\\" + folder + "Low\\dot-device.html");
        Add(out, prefix + "relative.html", "Low\\relative.html");
        Add(out, prefix + "elsewhere.html", "C:\\windows\\win.ini");
        Add(out, prefix + "climbs.html", folder + "Low\\..\\..\\climbs.html");
        Add(out, prefix + "stream.html", folder + "Low\\s.html:hidden");
        Add(out, "http://other.tessiwok.test/b.html", folder + "Low\\b.html");             // another site
        Add(out, prefix + "huge.bin", folder + "Low\\huge.bin", 1);                        // 4 GiB or more
        Add(out, prefix, folder + "Low\\index.html");                                      // the directory itself
        std::string upper = folder;  // the same folder in other case, through "."
        for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        Add(out, prefix + "low/case.png", upper.substr(0, 3) + "." + upper.substr(2) + "Low\\c.png");
        // A path the ANSI code page cannot spell comes by its short name.
        const std::string longFile = folder + "Low\\Tessiwok long folder\\short.png";
        CreateDirectoryA((folder + "Low").c_str(), nullptr);
        CreateDirectoryA(longFile.substr(0, longFile.rfind('\\')).c_str(), nullptr);
        CloseHandle(CreateFileA(longFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        char shortName[MAX_PATH] = {};
        const DWORD shortLength = GetShortPathNameA(longFile.c_str(), shortName, MAX_PATH);
        if (shortLength != 0 && shortLength < MAX_PATH) Add(out, prefix + "low/short.png", shortName);
        std::string cut;
        Add(cut, prefix + "cut.html", folder + "Low\\cut.html");
        out += cut.substr(0, cut.size() - 3);
        Write(out);
    } else if (scenario == "broken") {
        Add(out, prefix + "first.html", folder + "Low\\first.html");
        out += std::string(4, '\xFF') + std::string(28, '\x01');
        Add(out, prefix + "after.html", folder + "Low\\after.html");
        Write(out);
    } else if (scenario == "moved") {
        const FileTime in2057{0, 0x02000000};
        Add(out, prefix + "own1.html", folder + "Low\\IE\\Y\\own1.html", 0, in2057);
        Add(out, prefix + "img/own2.png", folder + "Low\\IE\\Y\\own2.png");
        Write(out);
    } else if (scenario == "bulk") {
        for (int i = 0; i < 256; ++i)
            Add(out, prefix + "bulk/" + std::to_string(i) + ".html?" + std::string(700, 'q'),
                folder + "Low\\IE\\B\\" + std::to_string(i) + ".html");
        Write(out);
    } else if (scenario == "endless") {
        for (unsigned i = 0;; ++i) {
            Add(out, prefix + "endless/" + std::to_string(i) + ".html", folder + "Low\\E\\" + std::to_string(i) + ".html");
            if (i % 100 != 99) continue;
            if (!Write(out)) break;
            out.clear();
        }
    } else if (scenario == "hang") {
        Add(out, prefix + "before-hang.html", folder + "Low\\before-hang.html");
        Write(out);
        Sleep(INFINITE);
    } else if (scenario == "grandchild") {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring line = GetCommandLineW();
        SetEnvironmentVariableA("TESSIWOK_LOW_CASE", "hang");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        PROCESS_INFORMATION info{};
        if (CreateProcessW(self, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
            Add(out, prefix + "grandchild/" + std::to_string(info.dwProcessId), folder + "Low\\g.html");
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
        }
        Write(out);
    }
    return 0;
}
