#!/usr/bin/env python3
"""Has Debian's chromium write real disk caches, in both of its formats, from a loopback site.

  tools/make_chromium_caches.py OUT            the test caches: OUT/simple, OUT/blockfile, OUT/site
  tools/make_chromium_caches.py OUT --many N   one blockfile cache of N small images: OUT/blockfile

OUT/site holds every body exactly as it was sent (compressed by the real gzip,
brotli and zstd tools), under the escaped path it was served from. Does
nothing when OUT/done exists; a failed run leaves no OUT/done.
"""
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading

# Path, status, encoding, Last-Modified (one of each HTTP date form), body.
TEXT = b"Tessiwok reads what the browser keeps.\n" * 40
RESOURCES = [
    ("/files/plain.txt", 200, "", "Wed, 21 Oct 2015 07:28:00 GMT", TEXT),
    ("/files/packed.gz.txt", 200, "gzip", "", TEXT),
    ("/files/packed.br.txt", 200, "br", "", TEXT),
    ("/files/packed.zst.txt", 200, "zstd", "", TEXT),
    ("/files/big.bin", 200, "", "Sunday, 06-Nov-94 08:49:37 GMT", bytes(range(256)) * 160),
    ("/files/%E5%86%99%E7%9C%9F.txt", 200, "", "Sun Nov  6 08:49:37 1994", "写真\n".encode() * 10),
    ("/files/missing.png", 404, "", "", b"not here\n"),
    ("/files/moved.png", 301, "", "", b"moved\n"),
]
TOOLS = {"gzip": ["gzip", "-9", "-n", "-c"], "br": ["brotli", "-c"], "zstd": ["zstd", "-q", "-c"]}


def encoded(body, encoding):
    if not encoding:
        return body
    return subprocess.run(TOOLS[encoding], input=body, stdout=subprocess.PIPE, check=True).stdout


class Site(http.server.BaseHTTPRequestHandler):
    routes = {}

    def log_message(self, *args):
        pass

    def do_GET(self):
        route = self.routes.get(self.path)
        if route is None:
            self.send_error(404)
            return
        status, headers, body = route
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def routes_for(resources, sent_dir):
    routes = {}
    images = []
    for path, status, encoding, modified, body in resources:
        data = encoded(body, encoding)
        headers = [("Cache-Control", "max-age=86400"), ("Content-Type", "application/octet-stream")]
        if encoding:
            headers.append(("Content-Encoding", encoding))
        if modified:
            headers.append(("Last-Modified", modified))
        if status == 301:
            headers.append(("Location", "/files/plain.txt"))
        routes[path] = (status, headers, data)
        images.append(path)
        if sent_dir:
            target = os.path.join(sent_dir, path.lstrip("/"))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(data)
    page = "<html><body>" + "".join('<img src="%s">' % p for p in images) + "</body></html>"
    routes["/index.html"] = (200, [("Content-Type", "text/html"), ("Cache-Control", "no-store")], page.encode())
    return routes


def run_browser(url, work, blockfile, budget_ms):
    home = os.path.join(work, "home")
    os.makedirs(home, exist_ok=True)
    args = ["chromium", "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--disable-default-apps", "--disable-extensions", "--user-data-dir=" + os.path.join(work, "profile"),
            "--disk-cache-dir=" + os.path.join(work, "cache"), "--virtual-time-budget=%d" % budget_ms]
    if blockfile:
        args.append("--enable-features=DiskCacheBackendExperiment:backend/blockfile")
    args += ["--dump-dom", url]
    env = dict(os.environ, HOME=home)
    subprocess.run(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600, check=False)
    return os.path.join(work, "cache", "Default", "Cache", "Cache_Data")


def main():
    out = sys.argv[1]
    many = int(sys.argv[3]) if len(sys.argv) > 3 and sys.argv[2] == "--many" else 0
    if os.path.exists(os.path.join(out, "done")):
        return 0
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    if many:
        resources = [("/many/%05d.txt" % i, 200, "", "", b"entry %05d\n" % i * 8) for i in range(many)]
        formats = [("blockfile", True)]
        sent_dir = None
    else:
        resources = RESOURCES
        formats = [("simple", False), ("blockfile", True)]
        sent_dir = os.path.join(out, "site")
    Site.routes = routes_for(resources, sent_dir)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Site)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/index.html" % server.server_address[1]
    with open(os.path.join(out, "port"), "w") as f:
        f.write(str(server.server_address[1]))
    for name, blockfile in formats:
        with tempfile.TemporaryDirectory() as work:
            # A headless browser may exit before the simple cache has written
            # every entry; a second visit writes what the first one lost.
            for _ in range(2):
                cache = run_browser(url, work, blockfile, 60000 if many else 5000)
            if not os.path.isdir(cache):
                print("make_chromium_caches: chromium wrote no cache for " + name, file=sys.stderr)
                return 1
            shutil.copytree(cache, os.path.join(out, name))
    server.shutdown()
    open(os.path.join(out, "done"), "w").close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
