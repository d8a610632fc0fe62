// The sample web site of the demo and the end-to-end tests.
#include "tools/testkit/demo_site.h"

#include <vector>

namespace testkit {

namespace {

struct SiteFile {
    const char* path;
    const char* type;
    size_t size;
    const char* lastModified;
};

const SiteFile kSiteFiles[] = {
    {"/site/index.html", "text/html", 1200, "Tue, 31 Dec 2002 14:59:58 GMT"},
    {"/site/style.css", "text/css", 640, "Mon, 06 Jan 2003 01:02:03 GMT"},
    {"/site/img/logo.gif", "image/gif", 3000, "Wed, 01 Jan 2003 00:00:00 GMT"},
    {"/site/img/photo.jpg", "image/jpeg", 1536 * 1024 + 7, "Sat, 15 Mar 2003 09:30:00 GMT"},
    {"/site/img/banner.png", "image/png", 1024, "Sun, 02 Feb 2003 12:00:00 GMT"},
    {"/site/docs/manual.pdf", "application/pdf", 20000, "Fri, 04 Apr 2003 04:04:04 GMT"},
    {"/site/docs/README", "text/plain", 300, "Thu, 05 Jun 2003 05:05:05 GMT"},
    {"/site/cgi/counter.cgi?page=1", "text/plain", 12, ""},
    {"/outside/other.gif", "image/gif", 100, ""},
};

std::string Body(const SiteFile& f) {
    std::string body(f.size, '\0');
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + (i * 7 + f.size) % 26);
    return body;
}

}  // namespace

void AddDemoSite(LoopbackHttpServer& server) {
    for (const SiteFile& f : kSiteFiles) server.Add(f.path, {Body(f), f.type, f.lastModified});
}

std::string DownloadDemoSite() {
    LoopbackHttpServer server;
    AddDemoSite(server);
    if (server.Start() == 0) return "";
    for (const SiteFile& f : kSiteFiles)
        if (!DownloadThroughWinInet(server.BaseUrl() + f.path)) return "";
    return server.BaseUrl() + "/site/index.html";
}

}  // namespace testkit
