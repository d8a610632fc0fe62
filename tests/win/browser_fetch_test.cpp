// The page address asked of a browser over real DDE: the stand-in browser runs
// as a separate process under a service name of each test's own, named to the
// program through the "Browser" setting of its settings file.
#include "browser/browser.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/program.h"
#include "browser/dde_fetch.h"
#include "tools/testkit/paths.h"
#include "tools/testkit/standin_browser.h"

using testkit::StandinBrowser;
using testkit::StandinBrowserOptions;

namespace {

const char kOneRequest[] = "request 0xFFFFFFFF 1\n";  // the item, CF_TEXT

class FetchBrowserUrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_STRNE(settingsFile.Path(), "");
        ddeFetchOps = realDdeFetchOps;
        // A box with text in it tells "left alone" from "set to an empty text".
        box_ = CreateWindowExA(0, "EDIT", "untouched", WS_POPUP | ES_AUTOHSCROLL, 0, 0, 300, 20, nullptr, nullptr,
                               nullptr, nullptr);
        ASSERT_NE(box_, nullptr);
    }
    void TearDown() override {
        DestroyWindow(box_);
        WritePrivateProfileStringA(kSettingsSection, kBrowserKey, nullptr, settingsFile.Path());
        ddeFetchOps = realDdeFetchOps;
    }
    static void AskBrowser(const std::string& service) {
        ASSERT_TRUE(WritePrivateProfileStringA(kSettingsSection, kBrowserKey, service.c_str(), settingsFile.Path()));
    }
    std::string Box() const {
        std::vector<char> text(20000);
        int n = GetWindowTextA(box_, text.data(), static_cast<int>(text.size()));
        return std::string(text.data(), n);
    }
    HWND box_ = nullptr;
};

TEST_F(FetchBrowserUrlTest, TheFirstFieldOfTheReplyFillsTheBox) {
    const std::string longAddress = "http://host/" + std::string(5988, 'a');
    struct Case {
        const char* what;
        std::string reply;
        std::string address;
    } cases[] = {
        {"address and title", std::string("\"http://host/dir/page.html\",\"Page title\"\0", 40),
         "http://host/dir/page.html"},
        {"code page 932 bytes", std::string("\"http://host/\x95\x5C/\x83\x41.html\",\"\x95\x5C\"\0", 29),
         "http://host/\x95\x5C/\x83\x41.html"},
        {"no quotes", std::string("http://host/x.html,title\0", 25), "http://host/x.html"},
        {"an empty text", std::string(1, '\0'), ""},
        {"a NUL ends the text", std::string("http://host/a\0b,c", 17), "http://host/a"},
        {"exactly 4999 bytes", longAddress.substr(0, 4999), longAddress.substr(0, 4999)},
        {"longer than 4999 bytes is cut", longAddress, longAddress.substr(0, 4999)},
    };
    for (const Case& c : cases) {
        StandinBrowser browser(c.reply);
        ASSERT_TRUE(browser.Ready()) << c.what;
        AskBrowser(browser.Service());
        SetWindowTextA(box_, "untouched");
        FetchBrowserUrl(box_);
        EXPECT_EQ(Box(), c.address) << c.what;
        EXPECT_EQ(browser.RequestLog(), kOneRequest) << c.what;
    }
}

TEST_F(FetchBrowserUrlTest, TheSettingNamesTheBrowserAsked) {
    StandinBrowser first("\"http://first/\"");
    StandinBrowser second("\"http://second/\"");
    ASSERT_TRUE(first.Ready() && second.Ready());
    AskBrowser(second.Service());
    FetchBrowserUrl(box_);
    EXPECT_EQ(Box(), "http://second/");
    EXPECT_EQ(first.RequestLog(), "");
    EXPECT_EQ(second.RequestLog(), kOneRequest);
}

TEST_F(FetchBrowserUrlTest, WithoutTheSettingIexploreIsAsked) {
    StandinBrowserOptions options;
    options.reply = "\"http://default/\",\"t\"";
    options.service = "Iexplore";
    StandinBrowser browser(options);
    ASSERT_TRUE(browser.Ready());
    WritePrivateProfileStringA(kSettingsSection, kBrowserKey, nullptr, settingsFile.Path());
    FetchBrowserUrl(box_);
    EXPECT_EQ(Box(), "http://default/");
}

// The calls as the program made them, passed on to the real library and
// written down with the arguments that matter: the order of the releases,
// and which calls a failure leaves out.
struct Recorder {
    std::vector<std::string> calls;
    std::map<HSZ, std::string> strings;
    bool failInitialize = false;
    bool failAllocation = false;
    std::string failString = "\x01";  // a string handle of this text cannot be created
    bool timeOut = false;              // the request runs out of time without reaching the server
    // What is held, counted up on every acquisition and down on every release.
    int instances = 0, liveStrings = 0, conversations = 0, dataHandles = 0, blocks = 0;
} recorder;

std::string Name(HSZ handle) {
    auto found = recorder.strings.find(handle);
    return found == recorder.strings.end() ? "?" : found->second;
}

UINT WINAPI RecInitialize(LPDWORD instance, PFNCALLBACK callback, DWORD flags, DWORD reserved) {
    recorder.calls.push_back("initialize " + std::to_string(*instance) + " " + std::to_string(flags) + " " +
                             std::to_string(reserved));
    if (recorder.failInitialize) return DMLERR_SYS_ERROR;
    UINT result = DdeInitializeA(instance, callback, flags, reserved);
    if (result == DMLERR_NO_ERROR) ++recorder.instances;
    return result;
}
BOOL WINAPI RecUninitialize(DWORD instance) {
    recorder.calls.push_back("uninitialize");
    --recorder.instances;
    return DdeUninitialize(instance);
}
HSZ WINAPI RecCreateString(DWORD instance, LPCSTR text, int codePage) {
    recorder.calls.push_back("string " + std::string(text) + " " + std::to_string(codePage));
    if (recorder.failString == text) return nullptr;
    HSZ handle = DdeCreateStringHandleA(instance, text, codePage);
    if (handle) {
        recorder.strings[handle] = text;
        ++recorder.liveStrings;
    }
    return handle;
}
BOOL WINAPI RecFreeString(DWORD instance, HSZ handle) {
    recorder.calls.push_back("free string " + Name(handle));
    --recorder.liveStrings;
    return DdeFreeStringHandle(instance, handle);
}
HCONV WINAPI RecConnect(DWORD instance, HSZ service, HSZ topic, PCONVCONTEXT context) {
    recorder.calls.push_back("connect " + Name(service) + " " + Name(topic) + (context ? " context" : ""));
    HCONV conversation = DdeConnect(instance, service, topic, context);
    if (conversation) ++recorder.conversations;
    return conversation;
}
BOOL WINAPI RecDisconnect(HCONV conversation) {
    recorder.calls.push_back("disconnect");
    --recorder.conversations;
    return DdeDisconnect(conversation);
}
HDDEDATA WINAPI RecTransaction(LPBYTE data, DWORD length, HCONV conversation, HSZ item, UINT format, UINT type,
                               DWORD timeout, LPDWORD result) {
    recorder.calls.push_back("request " + Name(item) + " " + std::to_string(format) + " " + std::to_string(type) +
                             " " + std::to_string(timeout) + (data || length || result ? " extra" : ""));
    if (recorder.timeOut) return nullptr;  // what the library gives when the time-out runs out
    HDDEDATA reply = DdeClientTransaction(data, length, conversation, item, format, type, timeout, result);
    if (reply) ++recorder.dataHandles;
    return reply;
}
DWORD WINAPI RecGetData(HDDEDATA data, LPBYTE destination, DWORD most, DWORD offset) {
    recorder.calls.push_back("get data " + std::to_string(most) + " " + std::to_string(offset));
    return DdeGetData(data, destination, most, offset);
}
BOOL WINAPI RecFreeData(HDDEDATA data) {
    recorder.calls.push_back("free data");
    --recorder.dataHandles;
    return DdeFreeDataHandle(data);
}
HGLOBAL WINAPI RecAlloc(UINT flags, SIZE_T bytes) {
    recorder.calls.push_back("alloc " + std::to_string(flags) + " " + std::to_string(bytes));
    if (recorder.failAllocation) return nullptr;
    HGLOBAL block = GlobalAlloc(flags, bytes);
    if (block) ++recorder.blocks;
    return block;
}
HGLOBAL WINAPI RecFree(HGLOBAL block) {
    recorder.calls.push_back("free block");
    --recorder.blocks;
    return GlobalFree(block);
}

const DdeFetchOps recordingOps = {
    RecInitialize, RecUninitialize, RecCreateString, RecFreeString, RecConnect, RecDisconnect,
    RecTransaction, RecGetData, RecFreeData, RecAlloc, RecFree,
};

using Calls = std::vector<std::string>;

class FetchBrowserUrlCalls : public FetchBrowserUrlTest {
protected:
    void SetUp() override {
        FetchBrowserUrlTest::SetUp();
        recorder = Recorder{};
        ddeFetchOps = recordingOps;
    }
    // Whatever the way out, nothing the fetch acquired is still held.
    void TearDown() override {
        EXPECT_EQ(recorder.instances, 0) << "instance ended";
        EXPECT_EQ(recorder.liveStrings, 0) << "string handles freed";
        EXPECT_EQ(recorder.conversations, 0) << "conversation closed";
        EXPECT_EQ(recorder.dataHandles, 0) << "data handle freed";
        EXPECT_EQ(recorder.blocks, 0) << "reply block freed";
        FetchBrowserUrlTest::TearDown();
    }
    // The calls up to the request, for a browser of this service.
    static Calls Opening(const std::string& service) {
        return {"initialize 0 3932176 0",  // APPCLASS_STANDARD | APPCMD_CLIENTONLY | CBF_SKIP_ALLNOTIFICATIONS
                "string " + service + " 0", "string WWW_GetWindowInfo 0", "string 0xFFFFFFFF 0",
                "connect " + service + " WWW_GetWindowInfo"};
    }
    static Calls Then(Calls calls, const Calls& more) {
        calls.insert(calls.end(), more.begin(), more.end());
        return calls;
    }
};

const char kRequest[] = "request 0xFFFFFFFF 1 8368 10000";  // CF_TEXT, XTYP_REQUEST, 10 s
Calls Closing(const std::string& service, bool connected) {
    Calls calls = {"free string 0xFFFFFFFF", "free string WWW_GetWindowInfo", "free string " + service};
    if (connected) calls.push_back("disconnect");
    calls.push_back("uninitialize");
    return calls;
}

TEST_F(FetchBrowserUrlCalls, AnsweredRequestReleasesEverythingInOrder) {
    StandinBrowser browser("\"http://host/\"");
    ASSERT_TRUE(browser.Ready());
    AskBrowser(browser.Service());
    FetchBrowserUrl(box_);
    EXPECT_EQ(Box(), "http://host/");
    EXPECT_EQ(recorder.calls, Then(Then(Opening(browser.Service()),
                                        {kRequest, "alloc 64 5000", "get data 4999 0", "free block", "free data"}),
                                   Closing(browser.Service(), true)));
}

TEST_F(FetchBrowserUrlCalls, NoServerReleasesTheStringsAndTheInstance) {
    const std::string nobody = testkit::UniqueName("TessiwokNobody");
    AskBrowser(nobody);
    FetchBrowserUrl(box_);
    EXPECT_EQ(Box(), "untouched");
    EXPECT_EQ(recorder.calls, Then(Opening(nobody), Closing(nobody, false)));
}

TEST_F(FetchBrowserUrlCalls, NoDataHandleNeedsNoBlock) {
    StandinBrowserOptions options;
    options.refuse = true;
    StandinBrowser browser(options);
    ASSERT_TRUE(browser.Ready());
    AskBrowser(browser.Service());
    FetchBrowserUrl(box_);
    EXPECT_EQ(Box(), "");
    EXPECT_EQ(recorder.calls, Then(Then(Opening(browser.Service()), {kRequest}), Closing(browser.Service(), true)));
}

TEST_F(FetchBrowserUrlCalls, BlockThatCannotBeHadCountsAsAnEmptyReply) {
    recorder.failAllocation = true;
    StandinBrowser browser("\"http://host/\"");
    ASSERT_TRUE(browser.Ready());
    AskBrowser(browser.Service());
    FetchBrowserUrl(box_);
    EXPECT_EQ(Box(), "");
    EXPECT_EQ(recorder.calls, Then(Then(Opening(browser.Service()), {kRequest, "alloc 64 5000", "free data"}),
                                   Closing(browser.Service(), true)));
}

TEST_F(FetchBrowserUrlCalls, InstanceThatCannotBeCreatedEndsAtOnce) {
    recorder.failInitialize = true;
    FetchBrowserUrl(box_);
    EXPECT_EQ(Box(), "untouched");
    EXPECT_EQ(recorder.calls, Calls{"initialize 0 3932176 0"});
}

// No string handle comes of an empty name, or of a name that the library
// refuses, and DdeConnect with a service handle of 0 reaches any server of the
// topic: the browser asked is one that the settings file does not name.
TEST_F(FetchBrowserUrlCalls, NoServiceHandleAsksAnyBrowser) {
    StandinBrowser browser("\"http://any/page.html\",\"t\"");
    ASSERT_TRUE(browser.Ready());
    const std::string named = testkit::UniqueName("NotTheStandin");
    struct Row {
        std::string setting;
        std::string failing;
    } rows[] = {{"", "\x01"}, {named, named}};
    for (const Row& row : rows) {
        recorder = Recorder{};
        recorder.failString = row.failing;
        AskBrowser(row.setting);
        SetWindowTextA(box_, "untouched");
        FetchBrowserUrl(box_);
        EXPECT_EQ(Box(), "http://any/page.html") << row.setting;
        EXPECT_EQ(recorder.calls,
                  (Calls{"initialize 0 3932176 0", "string " + row.setting + " 0", "string WWW_GetWindowInfo 0",
                         "string 0xFFFFFFFF 0", "connect ? WWW_GetWindowInfo", kRequest, "alloc 64 5000",
                         "get data 4999 0", "free block", "free data", "free string 0xFFFFFFFF",
                         "free string WWW_GetWindowInfo", "disconnect", "uninitialize"}))
            << row.setting;
        EXPECT_EQ(recorder.liveStrings, 0) << row.setting;
    }
    EXPECT_EQ(browser.RequestLog(), std::string(kOneRequest) + kOneRequest);
}

TEST_F(FetchBrowserUrlCalls, RequestThatTimesOutEmptiesTheBoxAndReleasesEverythingInOrder) {
    recorder.timeOut = true;
    StandinBrowser browser("\"http://host/\"");
    ASSERT_TRUE(browser.Ready());
    AskBrowser(browser.Service());
    FetchBrowserUrl(box_);
    EXPECT_EQ(Box(), "");
    EXPECT_EQ(recorder.calls, Then(Then(Opening(browser.Service()), {kRequest}), Closing(browser.Service(), true)));
}

// A topic or item handle that cannot be created: nobody is asked, the handles
// that were created are freed in the usual order and the instance is ended.
TEST_F(FetchBrowserUrlCalls, TopicOrItemHandleThatCannotBeCreatedAsksNobody) {
    StandinBrowser browser("\"http://host/\"");
    ASSERT_TRUE(browser.Ready());
    AskBrowser(browser.Service());
    const std::string service = browser.Service();
    const Calls created = {"initialize 0 3932176 0", "string " + service + " 0", "string WWW_GetWindowInfo 0",
                           "string 0xFFFFFFFF 0"};
    struct Row {
        std::string failing;
        Calls released;
    } rows[] = {
        {"WWW_GetWindowInfo", {"free string 0xFFFFFFFF", "free string " + service, "uninitialize"}},
        {"0xFFFFFFFF", {"free string WWW_GetWindowInfo", "free string " + service, "uninitialize"}},
    };
    for (const Row& row : rows) {
        recorder = Recorder{};
        recorder.failString = row.failing;
        SetWindowTextA(box_, "untouched");
        FetchBrowserUrl(box_);
        EXPECT_EQ(Box(), "untouched") << row.failing;
        EXPECT_EQ(recorder.calls, Then(created, row.released)) << row.failing;
        EXPECT_EQ(recorder.liveStrings, 0) << row.failing;
        EXPECT_EQ(recorder.instances, 0) << row.failing;
    }
    EXPECT_EQ(browser.RequestLog(), "");
}

}  // namespace
