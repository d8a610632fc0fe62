// The small sample web site that the demo and the end-to-end tests download.
#pragma once

#include <string>

#include "tools/testkit/loopback_http.h"

namespace testkit {

// Adds the sample site's files under /site/ (and one file outside it).
void AddDemoSite(LoopbackHttpServer& server);

// Starts a server with the sample site, downloads every file through WinINet
// so that the URL cache holds it, stops the server, and returns the address
// of the site's top page ("" when anything failed).
std::string DownloadDemoSite();

}  // namespace testkit
