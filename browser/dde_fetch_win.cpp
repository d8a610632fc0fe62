// Fills the address box with the page the browser shows, asked over DDE.
#include "app/program.h"
#include "app/settings_file_win.h"
#include "browser/browser.h"
#include "browser/dde_fetch.h"
#include "browser/window_info.h"

const DdeFetchOps realDdeFetchOps = {
    DdeInitializeA, DdeUninitialize,
    DdeCreateStringHandleA, DdeFreeStringHandle,
    DdeConnect, DdeDisconnect,
    DdeClientTransaction, DdeGetData, DdeFreeDataHandle,
    GlobalAlloc, GlobalFree,
};
DdeFetchOps ddeFetchOps = realDdeFetchOps;

namespace {

// A client only, skipping every notification: nothing ever needs serving.
HDDEDATA CALLBACK IgnoreEverything(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

// Puts the first field of the reply into the box. A request that brought no
// data, or a block that cannot be had, counts as an empty reply: the box is
// set to an empty text either way, as when the browser answers with nothing.
bool ShowReply(HWND addressBox, HDDEDATA data) {
    char empty[1] = {};
    char* reply = empty;
    HGLOBAL block = nullptr;
    if (data != nullptr) {
        // GMEM_ZEROINIT without GMEM_MOVEABLE: a fixed block, its handle is its address.
        block = ddeFetchOps.globalAlloc(GMEM_ZEROINIT, kReplyBlockSize);
        if (block != nullptr) {
            reply = static_cast<char*>(block);
            ddeFetchOps.getData(data, reinterpret_cast<LPBYTE>(reply), kReplyMaxBytes, 0);
        }
    }
    const char* address = ParseWindowInfoReply(reply);
    SetWindowTextA(addressBox, address);
    const bool shown = address[0] != '\0';
    if (block != nullptr) ddeFetchOps.globalFree(block);
    return shown;
}

}  // namespace

bool FetchBrowserUrl(HWND addressBox) {
    char service[kBrowserServiceBufferSize] = {};
    ReadSetting(kBrowserKey, "Iexplore", service, sizeof service);

    DWORD instance = 0;
    if (ddeFetchOps.initialize(&instance, IgnoreEverything, kDdeClientFlags, 0) != DMLERR_NO_ERROR)
        return false;

    // Code page 0 is the library's default, CP_WINANSI for the ANSI calls.
    HSZ serviceName = ddeFetchOps.createStringHandle(instance, service, 0);
    HSZ topic = ddeFetchOps.createStringHandle(instance, kWindowInfoTopic, 0);
    HSZ item = ddeFetchOps.createStringHandle(instance, kWindowInfoItem, 0);

    // An empty "Browser" setting gives no service handle, and DdeConnect with
    // a service of 0 reaches any server of the topic: whichever browser
    // answers is asked. Without the topic or the item there is no request to
    // make (a topic of 0 would reach any topic of the service).
    HCONV conversation = nullptr;
    if (topic != nullptr && item != nullptr)
        conversation = ddeFetchOps.connect(instance, serviceName, topic, nullptr);

    bool shown = false;
    if (conversation != nullptr) {
        HDDEDATA data = ddeFetchOps.clientTransaction(nullptr, 0, conversation, item, CF_TEXT,
                                                      XTYP_REQUEST, kWindowInfoTimeoutMs, nullptr);
        shown = ShowReply(addressBox, data);
        if (data != nullptr) ddeFetchOps.freeDataHandle(data);
    }

    if (item != nullptr) ddeFetchOps.freeStringHandle(instance, item);
    if (topic != nullptr) ddeFetchOps.freeStringHandle(instance, topic);
    if (serviceName != nullptr) ddeFetchOps.freeStringHandle(instance, serviceName);
    if (conversation != nullptr) ddeFetchOps.disconnect(conversation);
    ddeFetchOps.uninitialize(instance);
    return shown;
}
