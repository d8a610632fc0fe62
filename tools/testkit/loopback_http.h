// A small HTTP server on 127.0.0.1 in a thread of the test process, so that
// tests fill the URL cache for real by downloading through WinINet.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>

namespace testkit {

struct HttpResource {
    std::string body;
    std::string contentType = "application/octet-stream";
    std::string lastModified;  // an HTTP date, or "" for none
};

class LoopbackHttpServer {
public:
    LoopbackHttpServer() = default;
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    void Add(const std::string& path, HttpResource resource) { resources_[path] = std::move(resource); }
    // Starts serving on a free port of 127.0.0.1; returns the port or 0.
    int Start();
    void Stop();
    std::string BaseUrl() const;  // "http://127.0.0.1:<port>"
    int Requests() const { return requests_.load(); }

private:
    void Serve();
    void Answer(UINT_PTR client);

    std::map<std::string, HttpResource> resources_;
    UINT_PTR listener_ = ~static_cast<UINT_PTR>(0);
    int port_ = 0;
    std::thread thread_;
    std::atomic<int> requests_{0};
};

// Downloads a URL through WinINet (so the cache keeps it); returns the bytes
// read, or false when the download failed.
bool DownloadThroughWinInet(const std::string& url, std::string* body = nullptr);

}  // namespace testkit
