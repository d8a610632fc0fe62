// The main dialog's procedure in this process, on the dialog template of the
// built Tessiwok.exe: list notifications that no other process can send
// (Wine does not marshal WM_NOTIFY across processes), handed to the dialog
// with the list's state set up beforehand.
#include "app/main_dialog.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/program.h"
#include "res/resource.h"
#include "tools/testkit/paths.h"

namespace {

// Stands in for the dialog's procedure while the list's state is set: the
// list's notifications reach nothing (and are counted).
int heldNotifications = 0;
INT_PTR CALLBACK HoldingProc(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_NOTIFY) ++heldNotifications;
    return FALSE;
}

class DialogNotify : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        const std::string exe = testkit::FindInBuildTree("Tessiwok.exe");
        ASSERT_FALSE(exe.empty());
        templates_ = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(templates_, nullptr);
        dialog_ = CreateDialogParamA(templates_, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc, 0);
        ASSERT_NE(dialog_, nullptr);
        list_ = GetDlgItem(dialog_, IDC_RESULTS);
        save_ = GetDlgItem(dialog_, IDC_SAVE);
        for (int i = 0; i < 6; ++i) {
            CacheEntry entry;
            entry.relativePath = "file" + std::to_string(i) + ".txt";
            entry.extension = "txt";
            entryStore.Append(entry);
        }
        SendMessageA(list_, LVM_SETITEMCOUNT, entryStore.Size(), 0);
    }
    void TearDown() override {
        if (dialog_ != nullptr) DestroyWindow(dialog_);
        if (templates_ != nullptr) FreeLibrary(templates_);
        entryStore.Clear();
    }

    // Sets rows first..last to the state (LVIS_SELECTED or 0) while no
    // notification reaches the dialog's procedure.
    void SetRangeUnseen(int first, int last, UINT state) {
        SetWindowLongPtrA(dialog_, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(HoldingProc));
        heldNotifications = 0;
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED;
        item.state = state;
        for (int row = first; row <= last; ++row) SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
        SetWindowLongPtrA(dialog_, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(MainDialogProc));
        EXPECT_GT(heldNotifications, 0) << "the list did notify; the dialog did not see it";
    }

    // The list's range notification, handed to the dialog's procedure; its answer.
    INT_PTR RangeChanged(int from, int to, UINT newState, UINT oldState) {
        NMLVODSTATECHANGE change{};
        change.hdr.hwndFrom = list_;
        change.hdr.idFrom = IDC_RESULTS;
        change.hdr.code = LVN_ODSTATECHANGED;
        change.iFrom = from;
        change.iTo = to;
        change.uNewState = newState;
        change.uOldState = oldState;
        return MainDialogProc(dialog_, WM_NOTIFY, IDC_RESULTS, reinterpret_cast<LPARAM>(&change));
    }

    HMODULE templates_ = nullptr;
    HWND dialog_ = nullptr;
    HWND list_ = nullptr;
    HWND save_ = nullptr;
};

TEST_F(DialogNotify, SaveButtonFollowsARangeNotification) {
    ASSERT_FALSE(IsWindowEnabled(save_));
    SetRangeUnseen(1, 4, LVIS_SELECTED);
    ASSERT_EQ(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0), 4);
    ASSERT_FALSE(IsWindowEnabled(save_)) << "no notification reached the dialog yet";

    EXPECT_EQ(RangeChanged(1, 4, LVIS_SELECTED, 0), FALSE) << "the notification is left to the list";
    EXPECT_TRUE(IsWindowEnabled(save_));

    SetRangeUnseen(1, 4, 0);
    ASSERT_EQ(SendMessageA(list_, LVM_GETSELECTEDCOUNT, 0, 0), 0);
    ASSERT_TRUE(IsWindowEnabled(save_));
    EXPECT_EQ(RangeChanged(1, 4, 0, LVIS_SELECTED), FALSE);
    EXPECT_FALSE(IsWindowEnabled(save_));
}

}  // namespace

// The find request in the dialog's own notify format, as Windows sends it
// (Wine's list sends LVN_ODFINDITEMW: e2e list_keys_test types into that).
TEST_F(DialogNotify, FindRequestIsAnsweredWithTheRowFound) {
    struct Case { UINT flags; const char* text; LRESULT row; } cases[] = {
        {LVFI_PARTIAL | LVFI_WRAP, "FILE3", 3},               // from row 5, wrapped
        {LVFI_WRAP, "file3", -1},                             // alone: a whole-text search
        {LVFI_PARAM | LVFI_PARTIAL | LVFI_WRAP, "file", -1},  // rows hold no item data
    };
    for (const Case& c : cases) {
        NMLVFINDITEMA request{NMHDR{list_, IDC_RESULTS, LVN_ODFINDITEMA}, 5, LVFINDINFOA{c.flags, c.text, 0, {}, 0}};
        SetWindowLongPtrA(dialog_, DWLP_MSGRESULT, 0);
        EXPECT_EQ(MainDialogProc(dialog_, WM_NOTIFY, IDC_RESULTS, reinterpret_cast<LPARAM>(&request)), TRUE);
        EXPECT_EQ(GetWindowLongPtrA(dialog_, DWLP_MSGRESULT), c.row) << c.text << " flags " << c.flags;
    }
}
