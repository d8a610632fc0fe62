// The page's address asked of the page windows on screen, when DDE gives none.
#include "browser/page_window.h"

#include <oleauto.h>

#include <string_view>

#include "browser/browser.h"
#include "browser/window_info.h"
#include "text/url_escapes.h"
#include "text/wide_text_win.h"

namespace {

using ObjectFromLresultFunction = HRESULT(WINAPI*)(LRESULT, REFIID, WPARAM, void**);

// oleacc is loaded only when a page window is there to ask: a start without
// one (the common case) pays nothing for it. It stays loaded for the run.
HRESULT WINAPI ObjectFromLresultLoaded(LRESULT result, REFIID interfaceId, WPARAM wParam, void** object) {
    static ObjectFromLresultFunction function = [] {
        HMODULE oleacc = LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return oleacc == nullptr ? nullptr
                                 : reinterpret_cast<ObjectFromLresultFunction>(
                                       reinterpret_cast<void*>(GetProcAddress(oleacc, "ObjectFromLresult")));
    }();
    return function == nullptr ? E_NOTIMPL : function(result, interfaceId, wParam, object);
}

struct Search {
    DWORD ownProcess = 0;
    DWORD deadline = 0;  // tick count at which the search gives up
    UINT getObject = 0;  // the registered WM_HTML_GETOBJECT
    bool comStarted = false;
    HRESULT com = E_FAIL;
    std::string address;
    bool over = false;  // an address found, or no time left
};

bool HasScheme(std::wstring_view url, std::wstring_view scheme) {
    if (url.size() < scheme.size()) return false;
    for (size_t i = 0; i < scheme.size(); ++i)
        if (towlower(url[i]) != scheme[i]) return false;
    return true;
}

// Cancels a call into the page's process once the search's time is up: a
// page that answered WM_HTML_GETOBJECT may hang before it answers the call.
// COM asks MessagePending while this thread waits for the answer, whenever a
// message arrives; a thread timer makes sure one does. Wine 8 did not cancel
// when tried (tools/standin_browser --url-delay hangs a document so): this
// bound is Windows' documented behaviour, untested here.
class DeadlineFilter : public IMessageFilter {
public:
    explicit DeadlineFilter(DWORD deadline) : deadline_(deadline) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id != IID_IUnknown && id != IID_IMessageFilter) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    // Lives on the stack of the search, which outlasts its registration.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
        return SERVERCALL_ISHANDLED;
    }
    // A page that refuses the call (busy) is not asked again.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override {
        return static_cast<LONG>(deadline_ - pageWindowOps.tickCount()) <= 0 ? PENDINGMSG_CANCELCALL
                                                                              : PENDINGMSG_WAITDEFPROCESS;
    }

private:
    DWORD deadline_;
};

// The document's "URL" property, read by name through IDispatch: a document
// in another process is reached through oleaut32's marshaller, which needs no
// type library for IDispatch itself.
std::wstring DocumentUrl(IDispatch* document) {
    LPOLESTR name = const_cast<LPOLESTR>(L"URL");
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(document->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return std::wstring();
    DISPPARAMS none{};
    VARIANT value;
    VariantInit(&value);
    std::wstring url;
    if (SUCCEEDED(document->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, nullptr,
                                   nullptr)) &&
        value.vt == VT_BSTR && value.bstrVal != nullptr) {
        // Bounded as the DDE reply is: a longer text is no address to show.
        const UINT length = SysStringLen(value.bstrVal);
        if (length <= kReplyMaxBytes) url.assign(value.bstrVal, length);
    }
    VariantClear(&value);
    return url;
}

// Asks one page window; true once it gave an address.
bool AskPageWindow(HWND window, Search& search) {
    const DWORD now = pageWindowOps.tickCount();
    const DWORD left = search.deadline - now;
    if (static_cast<LONG>(left) <= 0) {
        search.over = true;
        return false;
    }
    if (!search.comStarted) {
        // The program starts COM on this thread itself; S_FALSE then, and the
        // count is given back all the same.
        search.com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        search.comStarted = true;
    }
    DWORD_PTR result = 0;
    if (pageWindowOps.sendMessageTimeout(window, search.getObject, 0, 0, SMTO_ABORTIFHUNG,
                                         left < kPageWindowTimeoutMs ? left : kPageWindowTimeoutMs, &result) == 0 ||
        result == 0)
        return false;
    IDispatch* document = nullptr;
    if (FAILED(pageWindowOps.objectFromLresult(static_cast<LRESULT>(result), IID_IDispatch, 0,
                                               reinterpret_cast<void**>(&document))) ||
        document == nullptr)
        return false;
    DeadlineFilter filter(search.deadline);
    IMessageFilter* previous = nullptr;
    const bool filtered = SUCCEEDED(CoRegisterMessageFilter(&filter, &previous));
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, nullptr);
    const std::wstring url = DocumentUrl(document);
    document->Release();
    if (timer != 0) KillTimer(nullptr, timer);
    if (filtered) {
        IMessageFilter* ours = nullptr;
        CoRegisterMessageFilter(previous, &ours);
        if (previous != nullptr) previous->Release();
    }
    if (!HasScheme(url, L"http://") && !HasScheme(url, L"https://") && !HasScheme(url, L"ftp://")) return false;
    std::string ansi = AnsiOrEscapedFromUtf16(
        std::u16string_view(reinterpret_cast<const char16_t*>(url.data()), url.size()), AnsiSpellingOf);
    if (ansi.size() > kReplyMaxBytes) return false;
    search.address = std::move(ansi);
    return true;
}

BOOL CALLBACK VisitDescendant(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<Search*>(context);
    // Background tabs' page windows are hidden, or sit in a hidden parent.
    wchar_t className[32] = {};
    if (IsWindowVisible(window) && GetClassNameW(window, className, 32) > 0 &&
        lstrcmpW(className, kPageWindowClass) == 0 && AskPageWindow(window, search))
        search.over = true;
    return !search.over;
}

// Top-level windows come in Z order, the topmost first.
BOOL CALLBACK VisitTopLevel(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<Search*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search.ownProcess && IsWindowVisible(window))
        pageWindowOps.enumChildWindows(window, VisitDescendant, context);
    return !search.over;
}

}  // namespace

const PageWindowOps realPageWindowOps = {
    EnumWindows, EnumChildWindows, SendMessageTimeoutW, ObjectFromLresultLoaded, GetTickCount,
};
PageWindowOps pageWindowOps = realPageWindowOps;

std::string FindPageWindowAddress() {
    Search search;
    search.ownProcess = GetCurrentProcessId();
    search.deadline = pageWindowOps.tickCount() + kPageSearchTimeoutMs;
    search.getObject = RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
    if (search.getObject == 0) return std::string();
    pageWindowOps.enumWindows(VisitTopLevel, reinterpret_cast<LPARAM>(&search));
    if (SUCCEEDED(search.com)) CoUninitialize();
    return search.address;
}

void ShowPageAddress(HWND addressBox) {
    if (FetchBrowserUrl(addressBox)) return;
    const std::string address = FindPageWindowAddress();
    if (!address.empty()) SetWindowTextA(addressBox, address.c_str());
}
