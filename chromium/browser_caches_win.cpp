// Finds Edge's and Chrome's cache folders, opens their files beside the
// running browser, and turns their entries into rows.
#include "chromium/browser_caches_win.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <exception>

#include "cache/address.h"
#include "cache/address_rows.h"
#include "cache/collect.h"
#include "cache/local_time_win.h"
#include "chromium/browser_cache.h"
#include "text/wide_text_win.h"

namespace {

// Closes a handle the file owns.
class WinFile : public CacheFile {
public:
    WinFile(HANDLE handle, uint64_t size, uint64_t writeTime) : handle_(handle), size_(size), writeTime_(writeTime) {}
    ~WinFile() override { CloseHandle(handle_); }
    // Measured once at opening: the browser may append meanwhile, and what
    // lies past the size measured is not read.
    uint64_t Size() const override { return size_; }
    uint64_t WriteTime() const override { return writeTime_; }
    bool ReadAt(uint64_t offset, void* buffer, size_t count) override {
        auto* at = static_cast<char*>(buffer);
        while (count > 0) {
            OVERLAPPED where{};
            where.Offset = static_cast<DWORD>(offset);
            where.OffsetHigh = static_cast<DWORD>(offset >> 32);
            const DWORD ask = count > 0x100000 ? 0x100000 : static_cast<DWORD>(count);
            DWORD got = 0;
            if (!ReadFile(handle_, at, ask, &got, &where) || got == 0) return false;
            at += got;
            offset += got;
            count -= got;
        }
        return true;
    }

private:
    HANDLE handle_;
    uint64_t size_;
    uint64_t writeTime_;
};

class WinFolder : public CacheFolder {
public:
    explicit WinFolder(std::wstring path) : path_(std::move(path)) {}

    std::unique_ptr<CacheFile> Open(const std::string& name) override {
        std::wstring path = path_ + L"\\" + WideFromUtf8(name);
        std::replace(path.begin(), path.end(), L'/', L'\\');
        // The browser holds its files open and may write, rename or delete
        // them while they are read: every sharing mode, reading only.
        const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        LARGE_INTEGER size{};
        FILETIME written{};
        if (!GetFileSizeEx(handle, &size) || size.QuadPart < 0 || !GetFileTime(handle, nullptr, nullptr, &written)) {
            CloseHandle(handle);
            return nullptr;
        }
        const uint64_t writeTime = static_cast<uint64_t>(written.dwHighDateTime) << 32 | written.dwLowDateTime;
        return std::unique_ptr<CacheFile>(new WinFile(handle, static_cast<uint64_t>(size.QuadPart), writeTime));
    }

    std::vector<std::string> Names() override {
        std::vector<std::string> names;
        WIN32_FIND_DATAW found;
        const HANDLE find = FindFirstFileExW((path_ + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                             nullptr, 0);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            if (found.cFileName[0] != L'.') names.push_back(Utf8FromWide(found.cFileName));
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return names;
    }

private:
    std::wstring path_;
};

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Where a cache keeps the file that names its format.
bool HoldsCache(const std::wstring& folder) {
    return Exists(folder + L"\\index") || Exists(folder + L"\\index-dir");
}

std::vector<std::wstring> SubfolderNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                         FindExSearchLimitToDirectories, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const bool folderProper = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                                  (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        if (folderProper && found.cFileName[0] != L'.') names.push_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// The rows of one cache folder under the collection's prefixes.
class RowSink : public BrowserRecordSink {
public:
    RowSink(const CollectPrefixes& prefixes, ZoneRules& rules, AddressRows& rows, std::string folder,
            SavableEncoding savable)
        : prefixes_(prefixes), rules_(rules), rows_(rows), folder_(std::move(folder)), savable_(savable) {}

    bool Wants(std::string_view address) override {
        address_.assign(address.data(), address.size());
        return PrefixLength() != std::string::npos;
    }

    void Take(BrowserRecord& record) override {
        address_ = record.address;
        const size_t prefixLength = PrefixLength();
        if (prefixLength == std::string::npos || !savable_(record.response.contentEncoding)) return;
        CacheEntry entry;
        SetPathAndExtension(std::string_view(address_).substr(prefixLength), entry, AnsiSpellingOf);
        entry.sourceUrl = record.address;
        entry.size = record.bodySize;
        entry.lastAccess = LocalTime(FileTimeOf(record.lastUsed), rules_);
        entry.lastModified = LocalTime(FileTimeOf(record.response.lastModified), rules_);
        entry.store = RowStore::Browser;
        entry.browser = EntryRefOf(record, folder_);
        rows_.Offer(std::move(entry));
    }

private:
    static FILETIME FileTimeOf(uint64_t value) {
        FILETIME time;
        time.dwLowDateTime = static_cast<DWORD>(value);
        time.dwHighDateTime = static_cast<DWORD>(value >> 32);
        return time;
    }

    // The keep-tests of the URL cache's rows, for an address whose body is
    // no local file but the entry itself; npos when it is not kept.
    size_t PrefixLength() const {
        if (address_.find('\0') != std::string::npos) return std::string::npos;
        CacheRecord kept;
        kept.sourceUrl = address_.c_str();
        kept.localFile = "";
        const std::string_view prefix = MatchingPrefix(kept.sourceUrl, prefixes_);
        return IsCollected(kept, prefix) ? prefix.size() : std::string::npos;
    }

    const CollectPrefixes& prefixes_;
    ZoneRules& rules_;
    AddressRows& rows_;
    std::string folder_;
    SavableEncoding savable_;
    std::string address_;
};

}  // namespace

std::vector<std::wstring> FindBrowserCacheFoldersUnder(const std::wstring& localAppData) {
    static const wchar_t* const kBrowsers[] = {
        L"Microsoft\\Edge", L"Microsoft\\Edge Beta", L"Microsoft\\Edge Dev", L"Microsoft\\Edge SxS",
        L"Google\\Chrome",  L"Google\\Chrome Beta",  L"Google\\Chrome Dev",  L"Google\\Chrome SxS",
    };
    std::vector<std::wstring> folders;
    for (const wchar_t* browser : kBrowsers) {
        const std::wstring userData = localAppData + L"\\" + browser + L"\\User Data";
        for (const std::wstring& profile : SubfolderNames(userData)) {
            const std::wstring cache = userData + L"\\" + profile + L"\\Cache";
            if (HoldsCache(cache + L"\\Cache_Data")) folders.push_back(cache + L"\\Cache_Data");
            else if (HoldsCache(cache)) folders.push_back(cache);
        }
    }
    return folders;
}

std::vector<std::wstring> FindBrowserCacheFolders() {
    PWSTR path = nullptr;
    std::vector<std::wstring> folders;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path)) && path != nullptr)
        folders = FindBrowserCacheFoldersUnder(path);
    CoTaskMemFree(path);
    return folders;
}

std::unique_ptr<CacheFolder> OpenBrowserCacheFolder(const std::string& folderUtf8) {
    if (folderUtf8.empty()) return nullptr;
    return std::unique_ptr<CacheFolder>(new WinFolder(WideFromUtf8(folderUtf8)));
}

// Both run inside the dialog's procedure: memory that cannot be had, or any
// other failure, ends the browsers' part where it stands. The URL cache's
// rows stay, and so do the rows offered before, each whole.
void AppendBrowserCacheEntries(const char* prefix, EntryStore& store, SavableEncoding savable) {
    std::vector<std::wstring> folders;
    try {
        folders = FindBrowserCacheFolders();
    } catch (const std::exception&) {
        return;
    }
    AppendBrowserCacheRows(folders, prefix, store, savable);
}

void AppendBrowserCacheRows(const std::vector<std::wstring>& folders, const char* prefix, EntryStore& store,
                            SavableEncoding savable) {
    if (folders.empty()) return;
    try {
        const std::string sent = SentPrefix(prefix);
        const CollectPrefixes prefixes{prefix, sent};
        ZoneRules rules;
        ReadZone(rules);
        AddressRows rows(store);
        for (const std::wstring& folder : folders) {
            // A profile whose listing fails (memory, or a record the checks
            // let through to a throwing library call) is passed over; the
            // next one is read.
            try {
                WinFolder files(folder);
                RowSink sink(prefixes, rules, rows, Utf8FromWide(folder), savable);
                ListBrowserCache(files, sink);
            } catch (const std::exception&) {
            }
        }
    } catch (const std::exception&) {
    }
}
