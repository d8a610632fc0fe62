// The search for a page's window, against the stand-in browser's frames:
// how long each window may take and the whole search, through a clock that
// the test moves, and every document released.
#include "browser/page_window.h"

#include <oleauto.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tools/testkit/standin_browser.h"

namespace {

DWORD now = 0;
std::vector<UINT> asked;  // the time-out of each window asked, in order

DWORD WINAPI Clock() { return now; }

// Every page window is hung: its whole time-out runs out.
LRESULT WINAPI HungWindow(HWND, UINT, WPARAM, LPARAM, UINT flags, UINT timeoutMs, PDWORD_PTR) {
    EXPECT_EQ(flags & SMTO_ABORTIFHUNG, static_cast<UINT>(SMTO_ABORTIFHUNG));
    asked.push_back(timeoutMs);
    now += timeoutMs;
    return 0;
}

std::unique_ptr<testkit::StandinBrowser> Frame(const char* url) {
    testkit::StandinBrowserOptions options;
    options.dde = false;
    options.tabs = {{url, true}};
    return std::make_unique<testkit::StandinBrowser>(options);
}

class PageWindowSearch : public ::testing::Test {
protected:
    void SetUp() override {
        pageWindowOps = realPageWindowOps;
        now = 0;
        asked.clear();
        for (const char* url : {"http://a.test/", "http://b.test/", "http://c.test/"}) {
            browsers_.push_back(Frame(url));
            ASSERT_TRUE(browsers_.back()->Ready());
        }
    }
    void TearDown() override { pageWindowOps = realPageWindowOps; }
    std::vector<std::unique_ptr<testkit::StandinBrowser>> browsers_;
};

TEST_F(PageWindowSearch, HungWindowsGetASecondEachAndTheSearchStopsAtItsLimit) {
    pageWindowOps.tickCount = Clock;
    pageWindowOps.sendMessageTimeout = HungWindow;
    EXPECT_EQ(FindPageWindowAddress(), "");
    EXPECT_EQ(asked, (std::vector<UINT>{kPageWindowTimeoutMs, kPageSearchTimeoutMs - kPageWindowTimeoutMs}));
}

// The document as the search holds it: forwards to the real one (a proxy to
// the stand-in's) and counts the references the search takes and gives back.
class CountedDocument : public IDispatch {
public:
    explicit CountedDocument(IDispatch* real) : real_(real) {}
    ~CountedDocument() { real_->Release(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id != IID_IUnknown && id != IID_IDispatch) return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++held); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--held); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return real_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return real_->GetTypeInfo(i, l, t); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID l, DISPID* ids) override {
        return real_->GetIDsOfNames(id, names, count, l, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID id, LCID l, WORD f, DISPPARAMS* p, VARIANT* r, EXCEPINFO* e,
                                     UINT* a) override {
        return real_->Invoke(d, id, l, f, p, r, e, a);
    }
    static inline LONG held = 0;  // references the search holds
    static inline int made = 0;

private:
    IDispatch* real_;
};

HRESULT WINAPI CountedObject(LRESULT result, REFIID id, WPARAM wParam, void** object) {
    IDispatch* real = nullptr;
    const HRESULT got = realPageWindowOps.objectFromLresult(result, id, wParam, reinterpret_cast<void**>(&real));
    if (FAILED(got)) return got;
    ++CountedDocument::made;
    CountedDocument::held = 1;
    *object = static_cast<IDispatch*>(new CountedDocument(real));  // leaked: a test's few bytes
    return got;
}

TEST_F(PageWindowSearch, TheTopmostAnswersAndItsDocumentIsReleased) {
    pageWindowOps.objectFromLresult = CountedObject;
    EXPECT_EQ(FindPageWindowAddress(), "http://c.test/");
    EXPECT_EQ(CountedDocument::made, 1);
    EXPECT_EQ(CountedDocument::held, 0);
}

}  // namespace
