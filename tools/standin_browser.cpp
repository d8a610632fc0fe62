// A stand-in for the web browser: its DDE server, and its frame window with
// page windows. The DDE server serves the window-information topic under a
// given service name and answers every CF_TEXT request for the browser's most
// recently active window with the given raw bytes. A client that connects
// without a service name (any server of the topic) reaches it. The frame (of
// the class given, as Edge's Chrome_WidgetWin_1 or IE's IEFrame) holds one
// tab window per --tab or --background-tab, in that order, each holding an
// "Internet Explorer_Server" window that answers WM_HTML_GETOBJECT with a
// document object whose "URL" property is the tab's address. Background
// tabs are hidden, as a browser hides them.
//
//   standin_browser [--service NAME] [--reply TEXT | --reply-hex HEX | --reply-file PATH]
//                   [--delay MS] [--refuse] [--ready EVENT] [--quit EVENT] [--lifetime MS]
//                   [--log PATH] [--frame CLASS] [--tab HEX] [--background-tab HEX]...
//                   [--page-delay MS] [--url-delay MS]
//
// Without --service there is no DDE server. --tab and --background-tab take
// the address as UTF-8 in hex; --page-delay holds each page window's answer
// back, as a hung page; --url-delay holds back the document's answer for its
// address, as a page that hangs after handing its document out.
//
// --ready names an event (made by whoever starts this) that is set once the
// service is registered; without it "ready" is printed on stdout instead.
// It serves until the --quit event is set or --lifetime (default 10 minutes)
// runs out. --delay holds each answer back, for a client that times out.
// --refuse answers every request with no data, as a browser that cannot.
// --log appends one line per request: "request <item> <format>".
#include <windows.h>
#include <ddeml.h>
#include <oleacc.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/testkit/paths.h"

namespace {

DWORD instance = 0;
HSZ serviceName = nullptr;
HSZ topic = nullptr;
HSZ item = nullptr;
std::string reply;
DWORD delayMs = 0;
bool refuse = false;
HANDLE quitEvent = nullptr;
std::string logPath;
DWORD pageDelayMs = 0;
DWORD urlDelayMs = 0;
UINT getObjectMessage = 0;

// The page's document as far as a client reads it: IDispatch with one
// property, "URL". oleaut32 marshals IDispatch without a type library.
class Document : public IDispatch {
public:
    explicit Document(const std::wstring& url) : url_(url) {}
    virtual ~Document() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id != IID_IUnknown && id != IID_IDispatch) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (count != 1 || lstrcmpiW(names[0], L"URL") != 0) {
            for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
            return DISP_E_UNKNOWNNAME;
        }
        ids[0] = kUrl;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (id != kUrl) return DISP_E_MEMBERNOTFOUND;
        if (urlDelayMs != 0) {
            if (quitEvent != nullptr)
                WaitForSingleObject(quitEvent, urlDelayMs);
            else
                Sleep(urlDelayMs);
        }
        if (!(flags & DISPATCH_PROPERTYGET) || result == nullptr) return DISP_E_MEMBERNOTFOUND;
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocStringLen(url_.data(), static_cast<UINT>(url_.size()));
        return S_OK;
    }

private:
    static constexpr DISPID kUrl = 1;
    std::wstring url_;
    ULONG references_ = 1;
};

LRESULT CALLBACK PageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == getObjectMessage && getObjectMessage != 0) {
        if (pageDelayMs != 0) {
            if (quitEvent != nullptr)
                WaitForSingleObject(quitEvent, pageDelayMs);
            else
                Sleep(pageDelayMs);
        }
        auto* document = reinterpret_cast<Document*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        return document == nullptr ? 0 : LresultFromObject(IID_IDispatch, wParam, document);
    }
    if (message == WM_NCDESTROY) {
        if (auto* document = reinterpret_cast<Document*>(GetWindowLongPtrW(window, GWLP_USERDATA))) document->Release();
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

struct Tab {
    std::wstring url;
    bool shown;
};

// The frame, shown, with a tab window per tab (hidden for background tabs)
// and a visible page window in each; false when a window cannot be made.
bool ShowFrame(const std::wstring& frameClass, const std::vector<Tab>& tabs) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW frame{};
    frame.lpfnWndProc = DefWindowProcW;
    frame.hInstance = instance;
    frame.lpszClassName = frameClass.c_str();
    WNDCLASSW tab = frame;
    tab.lpszClassName = L"TabWindowClass";
    WNDCLASSW page = frame;
    page.lpfnWndProc = PageWindowProc;
    page.lpszClassName = L"Internet Explorer_Server";
    if (!RegisterClassW(&frame) || !RegisterClassW(&tab) || !RegisterClassW(&page)) return false;
    HWND frameWindow = CreateWindowExW(0, frameClass.c_str(), L"Stand-in browser", WS_OVERLAPPEDWINDOW, 40, 40, 480,
                                       320, nullptr, nullptr, instance, nullptr);
    if (frameWindow == nullptr) return false;
    for (const Tab& each : tabs) {
        HWND tabWindow = CreateWindowExW(0, L"TabWindowClass", L"", WS_CHILD | (each.shown ? WS_VISIBLE : 0), 0, 0,
                                         460, 280, frameWindow, nullptr, instance, nullptr);
        HWND pageWindow = tabWindow == nullptr ? nullptr
                                               : CreateWindowExW(0, L"Internet Explorer_Server", L"",
                                                                 WS_CHILD | WS_VISIBLE, 0, 0, 460, 280, tabWindow,
                                                                 nullptr, instance, nullptr);
        if (pageWindow == nullptr) return false;
        SetWindowLongPtrW(pageWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new Document(each.url)));
    }
    ShowWindow(frameWindow, SW_SHOWNORMAL);
    SetWindowPos(frameWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return true;
}

std::wstring WideFromUtf8(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    std::wstring wide(utf8.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0],
                                           static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return wide;
}

void LogRequest(HSZ requested, UINT format) {
    if (logPath.empty()) return;
    char name[256] = {};
    DdeQueryStringA(instance, requested, name, sizeof name, CP_WINANSI);
    if (FILE* log = std::fopen(logPath.c_str(), "ab")) {
        std::fprintf(log, "request %s %u\n", name, format);
        std::fclose(log);
    }
}

HDDEDATA CALLBACK Serve(UINT type, UINT format, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    switch (type) {
    case XTYP_CONNECT:  // hsz1 topic, hsz2 service (filtered by the name service)
        return reinterpret_cast<HDDEDATA>(static_cast<UINT_PTR>(DdeCmpStringHandles(hsz1, topic) == 0));
    case XTYP_WILDCONNECT: {  // a client that names no service or no topic
        // hsz1 topic, hsz2 service, either may be 0: answer with the one pair
        // served here, as browsers do, when it matches what was named.
        if ((hsz1 != nullptr && DdeCmpStringHandles(hsz1, topic) != 0) ||
            (hsz2 != nullptr && DdeCmpStringHandles(hsz2, serviceName) != 0))
            return nullptr;
        HSZPAIR pairs[2] = {{serviceName, topic}, {nullptr, nullptr}};
        return DdeCreateDataHandle(instance, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0, nullptr, 0, 0);
    }
    case XTYP_REQUEST:  // hsz1 topic, hsz2 item
        LogRequest(hsz2, format);
        if (refuse || format != CF_TEXT || DdeCmpStringHandles(hsz2, item) != 0) return nullptr;
        if (delayMs != 0) {
            // Holding the answer back blocks this thread, as a busy browser would.
            if (quitEvent != nullptr)
                WaitForSingleObject(quitEvent, delayMs);
            else
                Sleep(delayMs);
        }
        return DdeCreateDataHandle(instance, reinterpret_cast<LPBYTE>(&reply[0]),
                                   static_cast<DWORD>(reply.size()), 0, hsz2, CF_TEXT, 0);
    default:
        return nullptr;
    }
}

bool FromHex(const char* hex, std::string& bytes) {
    size_t n = std::strlen(hex);
    if (n % 2 != 0) return false;
    for (size_t i = 0; i < n; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], '\0'};
        char* end = nullptr;
        unsigned long value = std::strtoul(pair, &end, 16);
        if (end != pair + 2) return false;
        bytes.push_back(static_cast<char>(value));
    }
    return true;
}

int Usage(const char* why) {
    std::fprintf(stderr, "standin_browser: %s\n", why);
    return 64;
}

}  // namespace

int main(int argc, char** argv) {
    std::string service;
    std::string readyName;
    std::string quitName;
    DWORD lifetimeMs = 10 * 60 * 1000;
    std::wstring frameClass = L"Chrome_WidgetWin_1";
    std::vector<Tab> tabs;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--refuse") {
            refuse = true;
            continue;
        }
        if (i + 1 >= argc) return Usage(("missing value after " + option).c_str());
        const char* value = argv[++i];
        if (option == "--service") service = value;
        else if (option == "--reply") reply = value;
        else if (option == "--reply-hex") {
            reply.clear();
            if (!FromHex(value, reply)) return Usage("--reply-hex needs pairs of hex digits");
        } else if (option == "--reply-file") {
            reply = testkit::ReadWholeFile(value);
        } else if (option == "--delay") delayMs = std::strtoul(value, nullptr, 10);
        else if (option == "--ready") readyName = value;
        else if (option == "--quit") quitName = value;
        else if (option == "--lifetime") lifetimeMs = std::strtoul(value, nullptr, 10);
        else if (option == "--log") logPath = value;
        else if (option == "--frame") frameClass = WideFromUtf8(value);
        else if (option == "--page-delay") pageDelayMs = std::strtoul(value, nullptr, 10);
        else if (option == "--url-delay") urlDelayMs = std::strtoul(value, nullptr, 10);
        else if (option == "--tab" || option == "--background-tab") {
            std::string url;
            if (!FromHex(value, url)) return Usage((option + " needs pairs of hex digits").c_str());
            tabs.push_back(Tab{WideFromUtf8(url), option == "--tab"});
        }
        else return Usage(("unknown option " + option).c_str());
    }
    if (service.empty() && tabs.empty()) return Usage("--service or a tab is required");

    if (!quitName.empty()) {
        quitEvent = OpenEventA(SYNCHRONIZE, FALSE, quitName.c_str());
        if (quitEvent == nullptr) return Usage("the --quit event does not exist");
    }

    // LresultFromObject needs COM on the thread that owns the page windows.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (!tabs.empty()) {
        getObjectMessage = RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
        if (!ShowFrame(frameClass, tabs)) {
            std::fprintf(stderr, "standin_browser: cannot make the frame and its page windows\n");
            return 1;
        }
    }

    const DWORD flags = APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES | CBF_FAIL_EXECUTES |
                        CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (!service.empty()) {
        if (DdeInitializeA(&instance, Serve, flags, 0) != DMLERR_NO_ERROR) {
            std::fprintf(stderr, "standin_browser: DdeInitializeA failed\n");
            return 1;
        }
        serviceName = DdeCreateStringHandleA(instance, service.c_str(), CP_WINANSI);
        topic = DdeCreateStringHandleA(instance, "WWW_GetWindowInfo", CP_WINANSI);
        item = DdeCreateStringHandleA(instance, "0xFFFFFFFF", CP_WINANSI);
        if (DdeNameService(instance, serviceName, nullptr, DNS_REGISTER) == nullptr) {
            std::fprintf(stderr, "standin_browser: cannot register service %s\n", service.c_str());
            DdeUninitialize(instance);
            return 1;
        }
    }

    if (readyName.empty()) {
        std::printf("ready\n");
        std::fflush(stdout);
    } else if (HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, readyName.c_str())) {
        SetEvent(ready);
        CloseHandle(ready);
    }

    // The DDE windows live on this thread: pump until told to stop.
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= lifetimeMs) break;
        DWORD waited = MsgWaitForMultipleObjects(quitEvent ? 1 : 0, &quitEvent, FALSE, lifetimeMs - elapsed,
                                                 QS_ALLINPUT);
        if (quitEvent != nullptr && waited == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    if (instance != 0) {
        DdeNameService(instance, serviceName, nullptr, DNS_UNREGISTER);
        DdeFreeStringHandle(instance, item);
        DdeFreeStringHandle(instance, topic);
        DdeFreeStringHandle(instance, serviceName);
        DdeUninitialize(instance);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    if (quitEvent != nullptr) CloseHandle(quitEvent);
    return 0;
}
