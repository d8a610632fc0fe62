// Zone.Identifier streams on copies out of the cache, through the security
// manager's zone for each cached address.
#include "save/zone_mark_win.h"

#include "save/long_path_win.h"
#include "save/zone_mark.h"
#include "text/ansi_code_page_win.h"
#include "text/wide_text_win.h"

namespace {

HRESULT ManagerMapUrlToZone(IInternetSecurityManager* manager, LPCWSTR url, DWORD* zone) {
    return manager->MapUrlToZone(url, zone, 0);
}

}  // namespace

const ZoneMarkOps realZoneMarkOps = {
    CoInternetCreateSecurityManager, ManagerMapUrlToZone, CreateFileW, WriteFile, CloseHandle, DeleteFileW,
};
ZoneMarkOps zoneMarkOps = realZoneMarkOps;

namespace {

const wchar_t kStreamSuffix[] = L":Zone.Identifier";
// A zone no lookup gives: marks nothing.
constexpr DWORD kNoZone = 0xFFFFFFFF;

// Writes the whole text as the stream, replacing one that is there; a stream
// that could not be written whole is deleted again. CREATE_ALWAYS with
// FILE_ATTRIBUTE_NORMAL is refused (ERROR_ACCESS_DENIED) on a hidden or system
// file: only then are the copy's own bits of those two asked for, so that the
// common copy costs no attribute query.
void WriteStream(const wchar_t* destination, const std::wstring& path, const std::string& text) {
    HANDLE file = zoneMarkOps.createFile(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        const DWORD attributes = GetFileAttributesW(destination);
        const DWORD hiddenOrSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & hiddenOrSystem) != 0)
            file = zoneMarkOps.createFile(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          attributes & hiddenOrSystem, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    const bool whole = text.size() <= MAXDWORD &&
                       zoneMarkOps.writeFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                       written == text.size();
    const bool closed = zoneMarkOps.closeHandle(file) != FALSE;
    if (!whole || !closed) zoneMarkOps.deleteFile(path.c_str());
}

// On NTFS a file's times belong to the file, not to one stream: writing or
// deleting the mark's stream can move the copy's modified time to now, where
// the plain copy keeps the cached file's. The time read before goes back on.
// Under Wine the stream is a file of its own and nothing moves (save_ops_test
// shows it through the seam's writeFile).
void RestoreModifiedTime(const wchar_t* destination, const FILETIME& before) {
    WIN32_FILE_ATTRIBUTE_DATA now{};
    if (!GetFileAttributesExW(destination, GetFileExInfoStandard, &now) ||
        CompareFileTime(&now.ftLastWriteTime, &before) == 0)
        return;
    HANDLE file = CreateFileW(destination, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFileTime(file, nullptr, nullptr, &before);
    CloseHandle(file);
}

}  // namespace

ZoneMarker::ZoneMarker() {
    if (FAILED(zoneMarkOps.createSecurityManager(nullptr, &manager_, 0))) manager_ = nullptr;
}

ZoneMarker::~ZoneMarker() {
    if (manager_ != nullptr) manager_->Release();
}

void ZoneMarker::MarkCopy(const char* destinationPath, const std::string& sourceUrl, bool fromLowStore) const {
    const std::wstring wide = WideFromAnsi(destinationPath);
    if (wide.empty()) return;
    const wchar_t* destination = wide.c_str();
    DWORD zone = kNoZone;
    const std::wstring url = WideFromAnsi(sourceUrl);
    if (manager_ == nullptr || url.empty() || FAILED(zoneMarkOps.mapUrlToZone(manager_, url.c_str(), &zone)))
        zone = kNoZone;
    zone = ZoneOfCopy(zone, fromLowStore);

    // One that does not fit MAX_PATH (a destination near the limit plus the 16
    // characters of the stream name) goes in the \\?\ form.
    const std::wstring stream = PathWithSuffix(wide, kStreamSuffix);
    if (stream.empty()) return;
    const std::string text = ZoneIdentifierText(zone, sourceUrl, AnsiLeadBytes());
    WIN32_FILE_ATTRIBUTE_DATA before{};
    const bool timed = GetFileAttributesExW(destination, GetFileExInfoStandard, &before) != FALSE;
    if (text.empty()) {
        // The replaced file's mark would speak for what it held before; no mark there is no error.
        zoneMarkOps.deleteFile(stream.c_str());
    } else {
        WriteStream(destination, stream, text);
    }
    if (timed) RestoreModifiedTime(destination, before.ftLastWriteTime);
}
