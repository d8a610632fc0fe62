// The shell's folder-browse dialog as a small class whose events reach
// virtual operations, so that a derived class can react to them. In Unicode:
// a folder whose name the ANSI code page cannot spell comes back as it is,
// and its caller decides what to do with it.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

// The platform calls FolderChooser makes, as a table a test can swap (to
// count the item-id lists freed, or to see the messages sent to the dialog).
// Defaults to the real functions.
struct FolderChooserOps {
    PIDLIST_ABSOLUTE(WINAPI* browseForFolder)(LPBROWSEINFOW info);
    BOOL(WINAPI* getPathFromIdList)(PCIDLIST_ABSOLUTE list, LPWSTR path);
    void(WINAPI* freeIdList)(LPVOID list);
    LRESULT(WINAPI* sendMessage)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

extern const FolderChooserOps realFolderChooserOps;
extern FolderChooserOps folderChooserOps;

class FolderChooser {
public:
    // Results of Run.
    static constexpr int kChosen = 1;        // a folder with a file-system path
    static constexpr int kCancelled = 2;     // the chosen path is all zero
    static constexpr int kNotFileSystem = 3;  // an item without a path: use none

    // The texts are borrowed, not copied: keep them alive until Run returns.
    FolderChooser(const wchar_t* initialPath, UINT flags, HWND owner);
    FolderChooser(const FolderChooser&) = delete;
    FolderChooser& operator=(const FolderChooser&) = delete;

    virtual ~FolderChooser();
    virtual void SetRoot(PCIDLIST_ABSOLUTE root);  // borrowed
    virtual void SetTitle(const wchar_t* title);
    // A non-null text also adds BIF_STATUSTEXT; a later null leaves the flag.
    virtual void SetStatusText(const wchar_t* text);
    virtual void SetFlags(UINT flags);  // replaces every flag, BIF_STATUSTEXT too
    // Shows the modal dialog; returns kChosen, kCancelled or kNotFileSystem.
    virtual int Run();
    // Selects the initial path (also an empty one), then shows the status text.
    virtual void OnInitialized();
    virtual void OnSelectionChanged(PCIDLIST_ABSOLUTE selection);
    // Returns 1, which keeps the dialog open.
    virtual int OnValidateFailed(const wchar_t* typed);

    // A copy of the chosen path: "" after a cancelled Run or before any Run.
    std::wstring GetPath() const;
    static int CALLBACK BrowseCallback(HWND window, UINT event, LPARAM param, LPARAM data);

protected:
    BROWSEINFOW browseInfo_;
    const wchar_t* statusText_;     // borrowed; null: none
    const wchar_t* initialPath_;    // borrowed; null: select nothing
    PIDLIST_ABSOLUTE result_;       // owned: freed by the next Run and by the destructor
    wchar_t chosenPath_[MAX_PATH];
    wchar_t displayName_[MAX_PATH]; // filled by the platform, read by nobody
    HWND dialog_;                   // the running dialog, from BFFM_INITIALIZED until Run returns
};
