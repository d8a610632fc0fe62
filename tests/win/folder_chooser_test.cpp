// FolderChooser on the real folder-browse dialog. A derived class answers the
// dialog from inside (OnInitialized posts OK or Cancel), and the operations
// table around the real functions records the messages sent and counts the
// item-id lists returned and freed.
#include "save/folder_chooser.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "text/wide_text_win.h"
#include "tools/testkit/paths.h"

namespace {

constexpr int kStatusControl = 0x3743;

struct Recorded {
    std::vector<UINT> messages;         // BFFM_SET... messages, in order
    std::vector<std::string> selections;  // the lParam text of BFFM_SETSELECTIONW, in code page 932
    std::vector<std::string> statusTexts;
    std::map<const void*, int> returned;  // item-id list -> times returned by the dialog
    std::map<const void*, int> freed;     // item-id list -> times freed
    int frees = 0;
} recorded;

PIDLIST_ABSOLUTE WINAPI RecordingBrowse(LPBROWSEINFOW info) {
    PIDLIST_ABSOLUTE list = SHBrowseForFolderW(info);
    if (list) ++recorded.returned[list];
    return list;
}

void WINAPI RecordingFree(LPVOID list) {
    ++recorded.frees;
    ++recorded.freed[list];
    CoTaskMemFree(list);
}

LRESULT WINAPI RecordingSend(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == BFFM_SETSELECTIONW || message == BFFM_SETSTATUSTEXTW) {
        recorded.messages.push_back(message);
        const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
        const std::string seen = text ? AnsiFromWideForDisplay(text) : "(null)";
        if (message == BFFM_SETSELECTIONW) recorded.selections.push_back(seen);
        if (message == BFFM_SETSTATUSTEXTW) recorded.statusTexts.push_back(seen);
    }
    // Wine answers BFFM_SETSELECTIONW with 0 even when it selected the folder.
    return SendMessageW(window, message, wParam, lParam);
}

std::string PathOf(PCIDLIST_ABSOLUTE list) {
    char path[MAX_PATH] = {};
    if (!list || !SHGetPathFromIDListA(list, path)) return "";
    return path;
}

// Answers the dialog from inside with the button given, after the default
// initialisation, and records every event that reached the overrides.
class ScriptedChooser : public FolderChooser {
public:
    ScriptedChooser(const wchar_t* initialPath, UINT flags, int button = IDOK)
        : FolderChooser(initialPath, flags, nullptr), button_(button) {}

    void OnInitialized() override {
        ++initialized;
        FolderChooser::OnInitialized();
        char status[256] = {};
        GetDlgItemTextA(dialog_, kStatusControl, status, sizeof status);
        statusShown = status;
        PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
    }
    void OnSelectionChanged(PCIDLIST_ABSOLUTE selection) override { selected.push_back(PathOf(selection)); }

    void Answer(int button) { button_ = button; }
    UINT Flags() const { return browseInfo_.ulFlags; }

    int initialized = 0;
    std::vector<std::string> selected;
    std::string statusShown;

private:
    int button_;
};

class FolderChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        recorded = Recorded{};
        folderChooserOps = realFolderChooserOps;
        folderChooserOps.browseForFolder = RecordingBrowse;
        folderChooserOps.freeIdList = RecordingFree;
        folderChooserOps.sendMessage = RecordingSend;
        folder_ = testkit::MakeScratchDirectory(testkit::UniqueName("chooser"));
        wideFolder_ = WideFromAnsi(folder_);
        testkit::SettleDirectoryTimes(folder_);
    }
    void TearDown() override { folderChooserOps = realFolderChooserOps; }

    // Every list the dialog returned was freed exactly once, and nothing else was.
    void ExpectEveryListFreedOnce() {
        EXPECT_EQ(recorded.freed.size(), recorded.returned.size());
        for (const auto& [list, times] : recorded.returned) {
            EXPECT_EQ(times, 1);
            EXPECT_EQ(recorded.freed[list], 1) << "list " << list;
        }
    }
    static int Returned() {
        int total = 0;
        for (const auto& entry : recorded.returned) total += entry.second;
        return total;
    }
    std::string folder_;
    std::wstring wideFolder_;
};

TEST_F(FolderChooserTest, OkOnTheInitialFolderChoosesItThroughTheOverrides) {
    {
        ScriptedChooser chooser(wideFolder_.c_str(), 0);
        ASSERT_EQ(chooser.Run(), FolderChooser::kChosen);
        EXPECT_EQ(chooser.GetPath(), wideFolder_);
        EXPECT_EQ(chooser.initialized, 1);
        // Selecting the initial folder is a selection change the override sees.
        ASSERT_FALSE(chooser.selected.empty());
        EXPECT_EQ(chooser.selected.back(), folder_);
        EXPECT_EQ(recorded.selections, std::vector<std::string>{folder_});
        EXPECT_EQ(recorded.frees, 0);  // held until the object goes
    }
    EXPECT_EQ(recorded.frees, 1);
    ExpectEveryListFreedOnce();
}

TEST_F(FolderChooserTest, EmptyInitialPathIsSentAndNullIsNot) {
    {
        ScriptedChooser chooser(L"", 0, IDCANCEL);
        EXPECT_EQ(chooser.Run(), FolderChooser::kCancelled);
        EXPECT_EQ(chooser.initialized, 1);
    }
    EXPECT_EQ(recorded.messages, std::vector<UINT>{BFFM_SETSELECTIONW});
    EXPECT_EQ(recorded.selections, std::vector<std::string>{""});

    recorded = Recorded{};
    {
        ScriptedChooser chooser(nullptr, 0, IDCANCEL);
        EXPECT_EQ(chooser.Run(), FolderChooser::kCancelled);
        EXPECT_EQ(chooser.initialized, 1);
    }
    EXPECT_TRUE(recorded.messages.empty());
}

TEST_F(FolderChooserTest, StatusTextIsSentAfterTheSelectionEvenWithoutItsFlag) {
    static const wchar_t status[] = L"status line";
    ScriptedChooser chooser(wideFolder_.c_str(), BIF_RETURNONLYFSDIRS, IDCANCEL);
    chooser.SetStatusText(status);
    EXPECT_EQ(chooser.Flags(), static_cast<UINT>(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT));
    chooser.SetStatusText(nullptr);  // a null text leaves the flag
    EXPECT_EQ(chooser.Flags(), static_cast<UINT>(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT));
    chooser.SetStatusText(status);
    chooser.SetFlags(0);
    EXPECT_EQ(chooser.Flags(), 0u);

    EXPECT_EQ(chooser.Run(), FolderChooser::kCancelled);
    EXPECT_EQ(recorded.messages, (std::vector<UINT>{BFFM_SETSELECTIONW, BFFM_SETSTATUSTEXTW}));
    EXPECT_EQ(recorded.statusTexts, std::vector<std::string>{"status line"});
    EXPECT_EQ(chooser.statusShown, "status line");  // the dialog's status line holds it
}

TEST_F(FolderChooserTest, SecondRunFreesTheFirstListAndDestructionTheLast) {
    {
        ScriptedChooser chooser(wideFolder_.c_str(), 0);
        ASSERT_EQ(chooser.Run(), FolderChooser::kChosen);
        ASSERT_EQ(recorded.returned.size(), 1u);
        const void* first = recorded.returned.begin()->first;
        ASSERT_EQ(chooser.Run(), FolderChooser::kChosen);
        EXPECT_EQ(recorded.frees, 1);
        EXPECT_EQ(recorded.freed[first], 1);
        EXPECT_EQ(chooser.initialized, 2);
        EXPECT_EQ(chooser.GetPath(), wideFolder_);
    }
    EXPECT_EQ(recorded.frees, 2);
    ExpectEveryListFreedOnce();
}

TEST_F(FolderChooserTest, CancelAfterAChosenFolderLeavesNoPath) {
    {
        ScriptedChooser chooser(wideFolder_.c_str(), 0);
        ASSERT_EQ(chooser.Run(), FolderChooser::kChosen);
        ASSERT_EQ(chooser.GetPath(), wideFolder_);
        chooser.Answer(IDCANCEL);
        EXPECT_EQ(chooser.Run(), FolderChooser::kCancelled);
        EXPECT_EQ(chooser.GetPath(), L"");
        EXPECT_EQ(recorded.frees, 1);  // the first run's list, before the dialog
    }
    EXPECT_EQ(recorded.frees, 1);  // a cancelled run holds nothing more
    ExpectEveryListFreedOnce();
}

TEST_F(FolderChooserTest, NothingChosenYetGivesAnEmptyPath) {
    FolderChooser chooser(wideFolder_.c_str(), 0, nullptr);
    EXPECT_EQ(chooser.GetPath(), L"");
}

// The events reach the virtual operations through the static callback; the
// default refusal of a failed validation keeps the dialog open.
TEST_F(FolderChooserTest, CallbackDispatchesEveryEventToTheOverrides) {
    struct Validating : FolderChooser {
        Validating() : FolderChooser(nullptr, 0, nullptr) {}
        int OnValidateFailed(const wchar_t* typed) override {
            typedText = typed;
            return 0;
        }
        void OnSelectionChanged(PCIDLIST_ABSOLUTE selection) override { seen = selection; }
        std::wstring typedText;
        PCIDLIST_ABSOLUTE seen = nullptr;
    } validating;
    const LPARAM self = reinterpret_cast<LPARAM>(&validating);
    EXPECT_EQ(FolderChooser::BrowseCallback(nullptr, BFFM_VALIDATEFAILEDW, reinterpret_cast<LPARAM>(L"typed"), self), 0);
    EXPECT_EQ(validating.typedText, L"typed");
    ITEMIDLIST empty{};
    EXPECT_EQ(FolderChooser::BrowseCallback(nullptr, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(&empty), self), 0);
    EXPECT_EQ(validating.seen, &empty);
    EXPECT_EQ(FolderChooser::BrowseCallback(nullptr, BFFM_IUNKNOWN, 0, self), 0);

    FolderChooser plain(nullptr, 0, nullptr);
    EXPECT_EQ(FolderChooser::BrowseCallback(nullptr, BFFM_VALIDATEFAILEDW, reinterpret_cast<LPARAM>(L"x"),
                                            reinterpret_cast<LPARAM>(&plain)),
              1);
}

// An item without a file-system path, as the platform reports it for a
// virtual folder: whatever it left in the buffer is not kept.
int pathLookups = 0;
BOOL WINAPI NoFileSystemPath(PCIDLIST_ABSOLUTE, LPWSTR path) {
    ++pathLookups;
    lstrcpyW(path, L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    return FALSE;
}

TEST_F(FolderChooserTest, ItemWithoutAFileSystemPathGivesResult3AndItsListIsStillFreed) {
    pathLookups = 0;
    {
        ScriptedChooser chooser(wideFolder_.c_str(), 0);
        ASSERT_EQ(chooser.Run(), FolderChooser::kChosen);
        folderChooserOps.getPathFromIdList = NoFileSystemPath;
        EXPECT_EQ(chooser.Run(), FolderChooser::kNotFileSystem);
        EXPECT_EQ(pathLookups, 1);
        EXPECT_EQ(chooser.GetPath(), L"") << "neither the earlier folder nor what the lookup left";
        EXPECT_EQ(recorded.frees, 1) << "the first run's list; the second's is held";
        EXPECT_EQ(Returned(), 2);

        // And once more: the list of the run without a path goes first.
        EXPECT_EQ(chooser.Run(), FolderChooser::kNotFileSystem);
        EXPECT_EQ(recorded.frees, 2);
    }
    EXPECT_EQ(recorded.frees, 3);
    EXPECT_EQ(Returned(), 3);
    // The platform may hand out an address again once it was freed: every
    // address is freed as often as it was returned.
    EXPECT_EQ(recorded.freed, recorded.returned);
}

}  // namespace
