// The folder-browse dialog around SHBrowseForFolderW.
#include "save/folder_chooser.h"

#include <cwchar>

const FolderChooserOps realFolderChooserOps = {
    SHBrowseForFolderW, SHGetPathFromIDListW, CoTaskMemFree, SendMessageW,
};
FolderChooserOps folderChooserOps = realFolderChooserOps;

FolderChooser::FolderChooser(const wchar_t* initialPath, UINT flags, HWND owner)
    : browseInfo_{}, statusText_(nullptr), initialPath_(initialPath), result_(nullptr),
      chosenPath_{}, displayName_{}, dialog_(nullptr) {
    browseInfo_.hwndOwner = owner;
    browseInfo_.ulFlags = flags;
}

FolderChooser::~FolderChooser() {
    if (result_ != nullptr) folderChooserOps.freeIdList(result_);
}

void FolderChooser::SetRoot(PCIDLIST_ABSOLUTE root) { browseInfo_.pidlRoot = root; }

void FolderChooser::SetTitle(const wchar_t* title) { browseInfo_.lpszTitle = title; }

void FolderChooser::SetStatusText(const wchar_t* text) {
    statusText_ = text;
    if (text != nullptr) browseInfo_.ulFlags |= BIF_STATUSTEXT;
}

void FolderChooser::SetFlags(UINT flags) { browseInfo_.ulFlags = flags; }

int FolderChooser::Run() {
    if (result_ != nullptr) {
        folderChooserOps.freeIdList(result_);
        result_ = nullptr;
    }
    browseInfo_.pszDisplayName = displayName_;
    browseInfo_.lpfn = BrowseCallback;
    browseInfo_.lParam = reinterpret_cast<LPARAM>(this);
    browseInfo_.iImage = 0;

    result_ = folderChooserOps.browseForFolder(&browseInfo_);
    dialog_ = nullptr;  // the dialog is gone
    if (result_ == nullptr) {
        std::wmemset(chosenPath_, L'\0', MAX_PATH);
        return kCancelled;
    }
    if (folderChooserOps.getPathFromIdList(result_, chosenPath_)) return kChosen;
    // Whatever the platform left in the buffer names no folder: keep it empty.
    std::wmemset(chosenPath_, L'\0', MAX_PATH);
    return kNotFileSystem;
}

void FolderChooser::OnInitialized() {
    if (initialPath_ != nullptr)
        folderChooserOps.sendMessage(dialog_, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(initialPath_));
    if (statusText_ != nullptr)
        folderChooserOps.sendMessage(dialog_, BFFM_SETSTATUSTEXTW, 1, reinterpret_cast<LPARAM>(statusText_));
}

void FolderChooser::OnSelectionChanged(PCIDLIST_ABSOLUTE) {}

int FolderChooser::OnValidateFailed(const wchar_t*) { return 1; }

std::wstring FolderChooser::GetPath() const {
    return std::wstring(chosenPath_, wcsnlen(chosenPath_, MAX_PATH));
}

int CALLBACK FolderChooser::BrowseCallback(HWND window, UINT event, LPARAM param, LPARAM data) {
    auto* chooser = reinterpret_cast<FolderChooser*>(data);
    if (chooser == nullptr) return 0;
    // The platform's dialog code is below this frame: nothing may unwind into it.
    try {
        switch (event) {
        case BFFM_INITIALIZED:
            chooser->dialog_ = window;
            chooser->OnInitialized();
            return 0;
        case BFFM_SELCHANGED:
            chooser->OnSelectionChanged(reinterpret_cast<PCIDLIST_ABSOLUTE>(param));
            return 0;
        case BFFM_VALIDATEFAILEDW:  // the dialog in Unicode sends the W form only
            return chooser->OnValidateFailed(reinterpret_cast<const wchar_t*>(param));
        default:
            return 0;
        }
    } catch (...) {
        return 0;
    }
}
