// The stand-in browser (tools/standin_browser.exe) as a separate process for
// one test: started, waited for until its DDE service is registered and its
// frame shown, and stopped again when the object goes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testkit {

struct StandinBrowserOptions {
    std::string reply;    // raw bytes, sent as they are (no NUL added)
    DWORD delayMs = 0;    // each answer held back this long
    bool refuse = false;  // answer every request with no data
    std::string service;  // "" for a name unique to this call
    bool dde = true;      // false: no DDE server, only the frame
    // A frame window of this class with a page window per tab, in this order
    // (none when there are no tabs); background tabs are hidden.
    struct Tab {
        std::string utf8Url;
        bool shown;
    };
    std::string frameClass = "Chrome_WidgetWin_1";
    std::vector<Tab> tabs;
    DWORD pageDelayMs = 0;  // each page window's answer held back this long
};

class StandinBrowser {
public:
    // Check Ready() before use.
    explicit StandinBrowser(const StandinBrowserOptions& options);
    explicit StandinBrowser(const std::string& reply);
    ~StandinBrowser();
    StandinBrowser(const StandinBrowser&) = delete;
    StandinBrowser& operator=(const StandinBrowser&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Service() const { return service_; }
    // One line per request served so far: "request <item> <format>".
    std::string RequestLog() const;

private:
    std::string service_;
    std::string logPath_;
    HANDLE quit_ = nullptr;
    HANDLE process_ = nullptr;
    bool ready_ = false;
};

// Bytes as pairs of hex digits, for the stand-in's --reply-hex.
std::string HexOf(const std::string& bytes);

}  // namespace testkit
