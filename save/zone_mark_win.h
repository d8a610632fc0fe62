// Marks files copied out of the cache with the zone their address belongs to
// (the NTFS stream Zone.Identifier that a browser writes beside a download).
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <string>

// The platform calls the marker makes, as a table a test can swap: to make a
// mark fail to be written, or a zone lookup answer what the test needs.
// Defaults to the real functions.
struct ZoneMarkOps {
    HRESULT(WINAPI* createSecurityManager)(IServiceProvider* provider, IInternetSecurityManager** manager,
                                           DWORD reserved);
    HRESULT (*mapUrlToZone)(IInternetSecurityManager* manager, LPCWSTR url, DWORD* zone);  // the manager's own
    HANDLE(WINAPI* createFile)(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE templateFile);
    BOOL(WINAPI* writeFile)(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped);
    BOOL(WINAPI* closeHandle)(HANDLE handle);
    BOOL(WINAPI* deleteFile)(LPCWSTR path);
};

extern const ZoneMarkOps realZoneMarkOps;
extern ZoneMarkOps zoneMarkOps;

// One per save command: holds the security manager from the first copy to the
// last. Marking never shows a message and never changes the copy itself.
class ZoneMarker {
public:
    ZoneMarker();   // without a security manager every copy is left unmarked
    ~ZoneMarker();  // releases the manager
    ZoneMarker(const ZoneMarker&) = delete;
    ZoneMarker& operator=(const ZoneMarker&) = delete;

    // After a successful copy from the cached address sourceUrl (ANSI code
    // page bytes, as the cache gave it) to destination: writes
    // "<destination>:Zone.Identifier" for the Internet and Restricted zones,
    // replacing a mark the replaced file carried; for any other zone, or when
    // the zone cannot be told, deletes such a stale mark. A mark that cannot
    // be written whole (no streams on FAT32, exFAT, some shares) is deleted:
    // the copy stays as it is, unmarked. The copy keeps the modified time it
    // had before the mark. A copy from the low-integrity store is marked as
    // ZoneOfCopy says.
    void MarkCopy(const char* destination, const std::string& sourceUrl, bool fromLowStore) const;  // ANSI path

private:
    IInternetSecurityManager* manager_ = nullptr;  // owned; null: none could be created
};
