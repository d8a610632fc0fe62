// The resources that the built Tessiwok.exe carries: dialog template 101 as
// the dialog manager reads it (styles, positions in dialog units, texts, font,
// control order = tab order), the manifest and the version information.
#include "tests/e2e/driver.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tessiwok_version.h"

namespace {

// UTF-16 text of a template as code page 932 bytes.
std::string Cp932(const std::wstring& text) {
    int bytes = WideCharToMultiByte(932, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(932, 0, text.c_str(), static_cast<int>(text.size()), &out[0], bytes, nullptr, nullptr);
    return out;
}

// Reads a DLGTEMPLATEEX and its items.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* at) : at_(at) {}
    WORD Word() { WORD v; std::memcpy(&v, at_, 2); at_ += 2; return v; }
    DWORD Dword() { DWORD v; std::memcpy(&v, at_, 4); at_ += 4; return v; }
    short Short() { return static_cast<short>(Word()); }
    // A sz_Or_Ord: an ordinal as "#n", else the text.
    std::string Text() {
        if (Peek() == 0xFFFF) {
            Word();
            return "#" + std::to_string(Word());
        }
        std::wstring text;
        for (WORD c = Word(); c != 0; c = Word()) text.push_back(static_cast<wchar_t>(c));
        return Cp932(text);
    }
    void AlignDword(const BYTE* base) {
        while ((at_ - base) % 4 != 0) ++at_;
    }
    void Skip(size_t bytes) { at_ += bytes; }

private:
    WORD Peek() const { WORD v; std::memcpy(&v, at_, 2); return v; }
    const BYTE* at_;
};

struct Item {
    DWORD style;
    short x, y, cx, cy;
    int id;
    std::string windowClass;
    std::string text;
};

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExA(e2e::BuiltExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << e2e::BuiltExePath() << " error " << GetLastError();
    }
    void TearDown() override {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    const BYTE* Resource(LPCSTR type, LPCSTR name, DWORD* size = nullptr) {
        HRSRC found = FindResourceExA(module_, type, name, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
        if (found == nullptr) return nullptr;
        if (size != nullptr) *size = SizeofResource(module_, found);
        return static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
    }
    HMODULE module_ = nullptr;
};

TEST_F(Resources, DialogTemplate101) {
    const BYTE* base = Resource(RT_DIALOG, MAKEINTRESOURCEA(IDD_MAIN));
    ASSERT_NE(base, nullptr);
    TemplateReader r(base);
    EXPECT_EQ(r.Word(), 1);       // dlgVer
    EXPECT_EQ(r.Word(), 0xFFFF);  // signature: DIALOGEX
    r.Dword();                    // help id
    EXPECT_EQ(r.Dword(), 0u);     // extended style
    const DWORD style = r.Dword();
    EXPECT_EQ(style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT));
    const WORD count = r.Word();
    ASSERT_EQ(count, 7);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 0);
    EXPECT_EQ(r.Short(), 301);
    EXPECT_EQ(r.Short(), 161);
    EXPECT_EQ(r.Text(), "");  // no menu
    EXPECT_EQ(r.Text(), "");  // the standard dialog class
    EXPECT_EQ(r.Text(), "Tessiwok");
    EXPECT_EQ(r.Word(), 9);   // points
    r.Word();                 // weight
    r.Word();                 // italic, character set
    EXPECT_EQ(r.Text(), "ＭＳ Ｐゴシック");

    std::vector<Item> items;
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword(base);
        Item item{};
        r.Dword();  // help id
        EXPECT_EQ(r.Dword(), 0u) << "extended style of item " << i;
        item.style = r.Dword();
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = static_cast<int>(r.Dword());
        item.windowClass = r.Text();
        item.text = r.Text();
        r.Skip(r.Word());  // creation data
        items.push_back(item);
    }

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const Item expected[] = {
        {child | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, 11, 14, 245, 14, IDC_ADDRESS, "#129", ""},
        {child | WS_TABSTOP | BS_PUSHBUTTON, 260, 14, 34, 14, IDC_COLLECT, "#128", "回収"},
        {child | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 2, 37, 297, 103, IDC_RESULTS,
         "SysListView32", ""},
        {child | WS_DISABLED | WS_TABSTOP | BS_PUSHBUTTON, 234, 143, 61, 14, IDC_SAVE, "#128", "保存"},
        {child | BS_GROUPBOX, 2, 2, 297, 32, -1, "#128", "回収対象URL（指定した階層以下のキャッシュを対象とします）"},
        {child | WS_GROUP | SS_LEFT, 4, 147, 102, 8, -1, "#130", "Tessiwok 1.0.0.1"},
        {child | WS_TABSTOP | BS_AUTOCHECKBOX, 122, 146, 108, 10, IDC_TOOLBAR, "#128", "IEのツールバーに登録する"},
    };
    for (size_t i = 0; i < 7; ++i) {
        const Item& got = items[i];
        const Item& want = expected[i];
        EXPECT_EQ(got.style, want.style) << "item " << i << " " << want.text;
        EXPECT_EQ(got.x, want.x) << "item " << i;
        EXPECT_EQ(got.y, want.y) << "item " << i;
        EXPECT_EQ(got.cx, want.cx) << "item " << i;
        EXPECT_EQ(got.cy, want.cy) << "item " << i;
        EXPECT_EQ(got.id, want.id) << "item " << i;
        // Class names do not depend on case (windres writes them in capitals).
        EXPECT_EQ(lstrcmpiA(got.windowClass.c_str(), want.windowClass.c_str()), 0)
            << "item " << i << " " << got.windowClass;
        EXPECT_EQ(got.text, want.text) << "item " << i;
    }
}

TEST_F(Resources, ManifestAsksForCommonControls6AsInvoker) {
    DWORD size = 0;
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    size = SizeofResource(module_, found);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module_, found)));
    ASSERT_NE(bytes, nullptr);
    std::string manifest(bytes, size);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    // System-DPI-aware, so that Windows draws it sharp instead of stretching it
    // (Wine never stretches: the high-DPI test cannot see this).
    EXPECT_NE(manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">"), std::string::npos);
    EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"),
              std::string::npos);
    // No forced code page: under the UTF-8 option the ANSI functions spell every path.
    EXPECT_EQ(manifest.find("<activeCodePage"), std::string::npos);
    // Made for Windows 7, 8, 8.1 and 10/11: no version lies or shims meant for older programs.
    const size_t compatibility = manifest.find("<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">");
    ASSERT_NE(compatibility, std::string::npos);
    for (const char* os : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                           "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"{") + os + "}\"/>", compatibility), std::string::npos) << os;
}

// The version resource holds the project's version (tessiwok_version.h), and
// the dialog's own text, "Tessiwok 1.0.0.1" as the template writes it, agrees.
TEST_F(Resources, VersionAgreesWithTheProjectAndTheDialogText) {
    std::string path = e2e::BuiltExePath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_NE(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    const std::string version = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(version, TESSIWOK_VERSION_TEXT);
    for (const char* key : {"FileVersion", "ProductVersion"}) {
        char* text = nullptr;
        const std::string query = std::string("\\StringFileInfo\\041103a4\\") + key;
        ASSERT_TRUE(VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length)) << key;
        EXPECT_EQ(std::string(text), version) << key;
    }

    // The static text is the dialog's sixth item; read it as the dialog shows it.
    e2e::Tessiwok app;
    ASSERT_TRUE(app.Start()) << app.LastError();
    std::string shown;
    for (HWND child = GetWindow(app.Dialog(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (e2e::ClassNameOf(child) == "Static") shown = e2e::WindowText(child);
    EXPECT_EQ(shown, "Tessiwok " + version);
    ASSERT_TRUE(app.PressKey(VK_ESCAPE));
    EXPECT_EQ(app.WaitForExit(), 0u);
}

}  // namespace
