// The folder-browse dialog around SHBrowseForFolderA.
#include "save/folder_chooser.h"

#include <cstring>

const FolderChooserOps realFolderChooserOps = {
    SHBrowseForFolderA, SHGetPathFromIDListA, CoTaskMemFree, SendMessageA,
};
FolderChooserOps folderChooserOps = realFolderChooserOps;

FolderChooser::FolderChooser(const char* initialPath, UINT flags, HWND owner)
    : browseInfo_{}, statusText_(nullptr), initialPath_(initialPath), result_(nullptr),
      chosenPath_{}, displayName_{}, dialog_(nullptr) {
    browseInfo_.hwndOwner = owner;
    browseInfo_.ulFlags = flags;
}

FolderChooser::~FolderChooser() {
    if (result_ != nullptr) folderChooserOps.freeIdList(result_);
}

void FolderChooser::SetRoot(PCIDLIST_ABSOLUTE root) { browseInfo_.pidlRoot = root; }

void FolderChooser::SetTitle(const char* title) { browseInfo_.lpszTitle = title; }

void FolderChooser::SetStatusText(const char* text) {
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
        std::memset(chosenPath_, 0, sizeof chosenPath_);
        return kCancelled;
    }
    if (folderChooserOps.getPathFromIdList(result_, chosenPath_)) return kChosen;
    // Whatever the platform left in the buffer names no folder: keep it empty.
    std::memset(chosenPath_, 0, sizeof chosenPath_);
    return kNotFileSystem;
}

void FolderChooser::OnInitialized() {
    if (initialPath_ != nullptr)
        folderChooserOps.sendMessage(dialog_, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(initialPath_));
    if (statusText_ != nullptr)
        folderChooserOps.sendMessage(dialog_, BFFM_SETSTATUSTEXTA, 1, reinterpret_cast<LPARAM>(statusText_));
}

void FolderChooser::OnSelectionChanged(PCIDLIST_ABSOLUTE) {}

int FolderChooser::OnValidateFailed(const char*) { return 1; }

std::string FolderChooser::GetPath() const {
    return std::string(chosenPath_, strnlen(chosenPath_, sizeof chosenPath_));
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
        case BFFM_VALIDATEFAILEDA:
            return chooser->OnValidateFailed(reinterpret_cast<const char*>(param));
        default:
            return 0;
        }
    } catch (...) {
        return 0;
    }
}
