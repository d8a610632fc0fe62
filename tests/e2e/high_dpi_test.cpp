// The real Tessiwok.exe at 96 and at 144 DPI (LogPixels of the current user,
// read by each program as it starts): the dialog grows with its font and the
// list's columns grow with it. Runs in a Wine prefix of its own (see
// CMakeLists.txt), since every program started there meanwhile would see the
// changed setting.
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

namespace {

const char kDesktopKey[] = "Control Panel\\Desktop";

// LogPixels as the test found it, put back when the test ends.
class DisplayDpi : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
        DWORD size = sizeof saved_;
        hadValue_ = RegQueryValueExA(key_, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&saved_), &size) ==
                    ERROR_SUCCESS;
    }
    void TearDown() override {
        if (key_ == nullptr) return;
        if (hadValue_) {
            RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved_), sizeof saved_);
        } else {
            RegDeleteValueA(key_, "LogPixels");
        }
        RegCloseKey(key_);
    }

    struct Seen {
        std::vector<int> widths;
        SIZE client{0, 0};
    };
    // Starts the program at the DPI and reads its column widths and the dialog's client size.
    Seen StartAt(DWORD dpi) {
        Seen seen;
        EXPECT_EQ(RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi),
                  ERROR_SUCCESS);
        e2e::Tessiwok app;
        if (!app.Start()) {
            ADD_FAILURE() << app.LastError();
            return seen;
        }
        for (const auto& column : app.Columns()) seen.widths.push_back(column.width);
        RECT client{};
        GetClientRect(app.Dialog(), &client);
        seen.client = {client.right, client.bottom};
        return seen;
    }

    HKEY key_ = nullptr;
    DWORD saved_ = 0;
    bool hadValue_ = false;
};

TEST_F(DisplayDpi, ColumnsGrowWithTheDialogAt144) {
    const Seen normal = StartAt(96);
    const Seen large = StartAt(144);
    EXPECT_EQ(normal.widths, (std::vector<int>{130, 60, 60, 120, 120}));
    EXPECT_EQ(large.widths, (std::vector<int>{195, 90, 90, 180, 180}));
    // The dialog's size follows its font's metrics, so the proportion holds to a few pixels.
    ASSERT_GT(normal.client.cx, 0);
    ASSERT_GT(normal.client.cy, 0);
    EXPECT_NEAR(large.client.cx, normal.client.cx * 3 / 2, normal.client.cx / 20)
        << normal.client.cx << " x " << normal.client.cy << " became " << large.client.cx << " x " << large.client.cy;
    EXPECT_NEAR(large.client.cy, normal.client.cy * 3 / 2, normal.client.cy / 20);
}

}  // namespace
