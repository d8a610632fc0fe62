// Starting and stopping the stand-in browser for a test.
#include "tools/testkit/standin_browser.h"

#include "tools/testkit/paths.h"
#include "tools/testkit/process_start.h"

namespace testkit {

std::string HexOf(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    return hex;
}

namespace {

// TESSIWOK_STANDIN_BROWSER (a Unix or Windows path) when set, else the
// build tree's own. The tests built for 32-bit Windows run in a tree without
// tools: they are given the 64-bit stand-in, as a user's browser may be.
std::string StandinBrowserProgram() {
    char named[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("TESSIWOK_STANDIN_BROWSER", named, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return named[0] == '/' ? WindowsPathOf(named) : std::string(named);
    return FindInBuildTree("tools\\standin_browser.exe");
}

}  // namespace

StandinBrowser::StandinBrowser(const StandinBrowserOptions& options) {
    service_ = options.service.empty() ? UniqueName("TessiwokTestBrowser") : options.service;
    const std::string stem = UniqueName("TessiwokStandin");
    const std::string readyName = stem + "-ready";
    const std::string quitName = stem + "-quit";
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    logPath_ = std::string(temp) + stem + ".log";
    DeleteFileA(logPath_.c_str());

    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    quit_ = CreateEventA(nullptr, TRUE, FALSE, quitName.c_str());
    const std::string program = StandinBrowserProgram();
    if (ready == nullptr || quit_ == nullptr || program.empty()) {
        if (ready != nullptr) CloseHandle(ready);
        return;
    }

    std::string command = "\"" + program + "\"";
    if (options.dde) command += " --service \"" + service_ + "\"";
    if (!options.tabs.empty()) command += " --frame " + options.frameClass;
    for (const StandinBrowserOptions::Tab& tab : options.tabs)
        command += (tab.shown ? " --tab " : " --background-tab ") + HexOf(tab.utf8Url);
    command += " --page-delay " + std::to_string(options.pageDelayMs);
    command += options.reply.empty() ? " --reply \"\"" : " --reply-hex " + HexOf(options.reply);
    if (options.refuse) command += " --refuse";
    command += " --delay " + std::to_string(options.delayMs);
    command += " --ready " + readyName + " --quit " + quitName + " --log \"" + logPath_ + "\"";
    // Bounded lifetime: a test that dies does not leave a server behind for long.
    command += " --lifetime 120000";
    PROCESS_INFORMATION info{};
    if (StartProcess(program, command, "", info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        // Ready once the service is registered and the frame shown; a process that ends first never will be.
        HANDLE either[2] = {ready, process_};
        ready_ = WaitForMultipleObjects(2, either, FALSE, 30000) == WAIT_OBJECT_0;
    }
    CloseHandle(ready);
}

namespace {

StandinBrowserOptions Replying(const std::string& reply) {
    StandinBrowserOptions options;
    options.reply = reply;
    return options;
}

}  // namespace

StandinBrowser::StandinBrowser(const std::string& reply) : StandinBrowser(Replying(reply)) {}

StandinBrowser::~StandinBrowser() {
    if (process_ != nullptr) {
        SetEvent(quit_);
        if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
        CloseHandle(process_);
    }
    if (quit_ != nullptr) CloseHandle(quit_);
    DeleteFileA(logPath_.c_str());
}

std::string StandinBrowser::RequestLog() const { return ReadWholeFile(logPath_); }

}  // namespace testkit
