// A small HTTP/1.0 server on the loopback address, and a WinINet download.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tools/testkit/loopback_http.h"

#include <wininet.h>

#include <cstdio>

namespace testkit {

LoopbackHttpServer::~LoopbackHttpServer() { Stop(); }

int LoopbackHttpServer::Start() {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 0;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return 0;
    }
    listener_ = s;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
    return port_;
}

void LoopbackHttpServer::Stop() {
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
    if (thread_.joinable()) thread_.join();
}

std::string LoopbackHttpServer::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

void LoopbackHttpServer::Serve() {
    for (;;) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;  // the listener was closed
        Answer(client);
        closesocket(client);
    }
}

void LoopbackHttpServer::Answer(UINT_PTR client) {
    std::string request;
    char chunk[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        int got = recv(client, chunk, sizeof chunk, 0);
        if (got <= 0) return;
        request.append(chunk, static_cast<size_t>(got));
    }
    ++requests_;
    size_t pathStart = request.find(' ');
    size_t pathEnd = pathStart == std::string::npos ? pathStart : request.find(' ', pathStart + 1);
    std::string path = pathEnd == std::string::npos ? "" : request.substr(pathStart + 1, pathEnd - pathStart - 1);

    std::string response;
    auto found = resources_.find(path);
    if (found == resources_.end()) {
        response = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    } else {
        const HttpResource& r = found->second;
        response = "HTTP/1.0 200 OK\r\nContent-Type: " + r.contentType +
                   "\r\nContent-Length: " + std::to_string(r.body.size()) +
                   "\r\nCache-Control: max-age=86400\r\nConnection: close\r\n";
        if (!r.lastModified.empty()) response += "Last-Modified: " + r.lastModified + "\r\n";
        response += "\r\n" + r.body;
    }
    size_t sent = 0;
    while (sent < response.size()) {
        int n = send(client, response.data() + sent, static_cast<int>(response.size() - sent), 0);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

bool DownloadThroughWinInet(const std::string& url, std::string* body) {
    HINTERNET session = InternetOpenA("Tessiwok test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (session == nullptr) return false;
    HINTERNET request = InternetOpenUrlA(session, url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
    bool ok = request != nullptr;
    if (ok) {
        DWORD status = 0, statusSize = sizeof status;
        if (HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &statusSize, nullptr))
            ok = status == 200;
        char chunk[8192];
        DWORD got = 0;
        while (InternetReadFile(request, chunk, sizeof chunk, &got) && got > 0)
            if (body) body->append(chunk, got);
        InternetCloseHandle(request);
    }
    InternetCloseHandle(session);
    return ok;
}

}  // namespace testkit
